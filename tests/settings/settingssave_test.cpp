#include "settings/settingsfile.h"
#include "support/testutil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <ostream>
#include <string>
#ifndef _WIN32
#include <sys/resource.h>
#endif
#include <vector>

namespace tamarisk::settings {
namespace {

using test::PrintTo;

using test::crlf;
using test::TempDir;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::string kDefaultHeader = crlf({"GCPATH:", "FSPATH:", "WEJNUM:", "WEJNAM:at", "CHKB0:0", "CHKB1:0",
                                         "CHKB2:0", "CHKB3:0", "CHKB4:0", "CHKB5:0", "CHKLL:0", "CHK7A:0"});

// Loads the old text as the program does at start, then saves over it.
std::string loadAndSave(const std::string& old, int windowShown = 0) {
    TempDir dir;
    const std::filesystem::path file = dir / "tamcfg.dat";
    test::writeFile(file, old);
    core::State state;
    WindowEffects noWindow;
    EXPECT_TRUE(Load_IniFile(state, file, noWindow).loaded);
    state.WindowShown = windowShown;
    const SaveResult saved = saveSettings(state, file);
    EXPECT_TRUE(saved.saved) << saved.error;
    return test::readFile(file);
}

// Saves the state over the old text without loading it first.
std::string save(const core::State& state, const std::string& old) {
    TempDir dir;
    const std::filesystem::path file = dir / "tamcfg.dat";
    test::writeFile(file, old);
    const SaveResult saved = saveSettings(state, file);
    EXPECT_TRUE(saved.saved) << saved.error;
    return test::readFile(file);
}

std::string dataFile(const std::string& name) {
    return test::readFile(std::filesystem::path(TAMARISK_TEST_DATA) / "settings" / name);
}

// ---- The regenerated header ----

TEST(SaveHeaderTest, EmptyOldFileGivesTwelveDefaultLines) {
    EXPECT_EQ(save(core::State{}, ""), kDefaultHeader);
}

TEST(SaveHeaderTest, ValuesOfTheState) {
    core::State state;
    state.options.Label_AllDir = {"C:\\each", "D:\\\x95\x5C\x8E\xA6"};
    state.options.Text_Webjump = "21";
    state.options.Text_WebjumpName = "jp";
    state.options.OptCheckBoxes = {1, 2, 0, 1, 0, 1};
    state.options.ListCheckBox[0] = 1;
    state.options.Check_Members7Tripod = 1;
    EXPECT_EQ(save(state, ""),
              crlf({"GCPATH:C:\\each", "FSPATH:D:\\\x95\x5C\x8E\xA6", "WEJNUM:21", "WEJNAM:jp", "CHKB0:1",
                    "CHKB1:2", "CHKB2:0", "CHKB3:1", "CHKB4:0", "CHKB5:1", "CHKLL:1", "CHK7A:1"}));
}

TEST(SaveHeaderTest, ToggleValueIsWrittenInHexadecimal) {
    core::State state;
    state.options.OptCheckBoxes[0] = 10;
    EXPECT_THAT(save(state, ""), HasSubstr("\r\nCHKB0:A\r\n"));
}

TEST(SaveHeaderTest, WindowShownWritesFourteenLinesAndDropsOldPositions) {
    core::State state;
    state.WindowShown = 1;
    state.options.windowLeft = 40000; // beyond 16 bits: a window right of 2184 pixels
    state.options.windowTop = 900;
    EXPECT_EQ(save(state, crlf({"WLEFT:10", "MEMO:a", "w_top:20", "W_TOPX:30"})),
              kDefaultHeader + crlf({"WLEFT:40000", "W_TOP:900", "MEMO:a", "W_TOPX:30"}));
}

TEST(SaveHeaderTest, WindowNotShownKeepsOldPositionsInPlace) {
    core::State state;
    state.options.windowLeft = 5;
    state.options.windowTop = 6;
    EXPECT_EQ(save(state, crlf({"MEMO:a", "WLEFT:10", "w_top:20"})),
              kDefaultHeader + crlf({"MEMO:a", "WLEFT:10", "w_top:20"}));
}

TEST(SaveHeaderTest, WindowShownWithoutAPositionKeepsItsOldLine) {
    core::State state;
    state.WindowShown = 1;
    state.options.windowTop = 900;
    EXPECT_EQ(save(state, crlf({"WLEFT:10", "W_TOP:20"})), kDefaultHeader + crlf({"W_TOP:900", "WLEFT:10"}));
}

// ---- Which old lines are kept ----

struct KeepCase {
    const char* name;
    std::string line;
    bool kept;
};

class SaveKeyRuleTest : public ::testing::TestWithParam<KeepCase> {};

TEST_P(SaveKeyRuleTest, KeepsOrDropsOldLine) {
    const std::string out = save(core::State{}, crlf({"MEMO:before", GetParam().line, "MEMO:after"}));
    const std::string kept = GetParam().kept ? GetParam().line + "\r\n" : "";
    EXPECT_EQ(out, kDefaultHeader + "MEMO:before\r\n" + kept + "MEMO:after\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveKeyRuleTest,
    ::testing::Values(
        // The regenerated keys, in any case, are dropped.
        KeepCase{"Gcpath", "GCPATH:x", false}, KeepCase{"FspathLower", "fspath:x", false},
        KeepCase{"Wejnum", "WEJNUM:3", false}, KeepCase{"WejnamMixed", "WejNam:x", false},
        KeepCase{"Chkb0", "CHKB0:1", false}, KeepCase{"Chkb3Lower", "chkb3:1", false},
        KeepCase{"Chkb5", "CHKB5:0", false}, KeepCase{"Chkll", "CHKLL:1", false},
        KeepCase{"Chk7aLower", "chk7a:1", false}, KeepCase{"EmptyValue", "CHKB1:", false},
        // Keys are compared whole: longer or different keys are somebody else's.
        KeepCase{"GcpathLonger", "GCPATHX:x", true}, KeepCase{"Chkb6", "CHKB6:1", true},
        KeepCase{"ChkbShort", "CHKB:1", true}, KeepCase{"BlankInKey", "CHKB0 :1", true},
        KeepCase{"BlankBeforeKey", " CHKB0:1", true}, KeepCase{"ServerLonger", "SERVERX:a.b.c", true},
        KeepCase{"WTopLonger", "W_TOPX:1", true},
        // Without a window the position lines stay.
        KeepCase{"Wleft", "WLEFT:1200", true}, KeepCase{"WtopLower", "w_top:900", true},
        // Lines the program does not own.
        KeepCase{"Skin", "SKI:summer", true}, KeepCase{"Server", "SERVER:a.b.c", true},
        KeepCase{"ServerLower", "server:a.b.c", true}, KeepCase{"Ip", "IP:10.0.0.1", true},
        KeepCase{"Snumber", "SNUMBER:1-3", true}, KeepCase{"Snouse", "SNOUSE:2", true},
        KeepCase{"Stype", "STYPE:F", true}, KeepCase{"NoColon", "CHKB0", true}, KeepCase{"Empty", "", true},
        KeepCase{"Comment", "; memo", true}, KeepCase{"EmptyKey", ":x", true},
        KeepCase{"DoubleByte", "\x83\x81\x83\x82:\x95\x5C", true}),
    [](const ::testing::TestParamInfo<KeepCase>& info) { return std::string(info.param.name); });

// ---- Fixed numbers ----

TEST(SaveKimeuchiTest, RewrittenWithTheNumberOfTheGroupBeforeIt) {
    core::State state;
    state.ServerCount = 3;
    state.Servers[1].SKimeuchi = 5;
    state.Servers[2].SKimeuchi = 6;
    state.Servers[3].SKimeuchi = -7;
    const std::string old = crlf({"SKIMEUCHI:9", "SERVER:a.b.c", "SKIMEUCHI:1", "IP:x", "server:d.e.f",
                                  "SERVERX:q", "skimeuchi:2", "SERVER:g.h", "Skimeuchi:0"});
    // A lower-case "server:" counts as a group; "SERVERX:" does not; the line before any SERVER goes.
    EXPECT_EQ(save(state, old),
              kDefaultHeader + crlf({"SERVER:a.b.c", "SKIMEUCHI:5", "IP:x", "server:d.e.f", "SERVERX:q",
                                     "SKIMEUCHI:6", "SERVER:g.h", "SKIMEUCHI:-7"}));
}

TEST(SaveKimeuchiTest, GroupWithoutALineGetsNone) {
    core::State state;
    state.ServerCount = 2;
    state.Servers[1].SKimeuchi = 5;
    state.Servers[2].SKimeuchi = 6;
    EXPECT_EQ(save(state, crlf({"SERVER:a.b.c", "SERVER:d.e.f", "SKIMEUCHI:1"})),
              kDefaultHeader + crlf({"SERVER:a.b.c", "SERVER:d.e.f", "SKIMEUCHI:6"}));
}

TEST(SaveKimeuchiTest, LinesAfterTheHundredthServerStayAsTheyAre) {
    std::string old;
    std::string expected = kDefaultHeader;
    for (int i = 1; i <= 101; ++i) {
        old += "SERVER:s" + std::to_string(i) + ".a.b\r\nSKIMEUCHI: " + std::to_string(i) + "\r\n";
        expected += "SERVER:s" + std::to_string(i) + ".a.b\r\n";
        expected += i <= 100 ? "SKIMEUCHI:" + std::to_string(i) + "\r\n" : "SKIMEUCHI: 101\r\n";
    }
    // Loaded, the 101st group's line set record 100 to 101; the 100th line is rewritten with that.
    std::string loadedExpected = expected;
    const std::string hundredth = "SERVER:s100.a.b\r\nSKIMEUCHI:100\r\n";
    loadedExpected.replace(loadedExpected.find(hundredth), hundredth.size(),
                           "SERVER:s100.a.b\r\nSKIMEUCHI:101\r\n");
    EXPECT_EQ(loadAndSave(old), loadedExpected);
}

// ---- Whole files ----

TEST(SaveFileTest, RoundTripKeepsServersSkinUnknownLinesAndBytes) {
    EXPECT_EQ(loadAndSave(dataFile("roundtrip.dat")), dataFile("roundtrip-expected.dat"));
}

TEST(SaveFileTest, SavedFileIsStable) {
    const std::string expected = dataFile("roundtrip-expected.dat");
    EXPECT_EQ(loadAndSave(expected), expected);
}

TEST(SaveFileTest, JapaneseFolderSurvivesLoadAndSave) {
    const std::string folder =
        "FSPATH:D:\\\x83\x5F\x83\x45\x83\x93\\\x95\x5C\x8E\xA6\\\x83\x5C\x83\x74\x83\x67";
    const std::string out = loadAndSave(folder + "\r\n");
    EXPECT_THAT(out, HasSubstr("\r\n" + folder + "\r\n"));
}

TEST(SaveFileTest, NoLineLimit) {
    std::string old;
    for (int i = 0; i < 5000; ++i)
        old += "MEMO" + std::to_string(i) + ":" + std::string(20, 'x') + "\r\n";
    EXPECT_EQ(save(core::State{}, old), kDefaultHeader + old);
}

TEST(SaveFileTest, LineEndsBecomeCrLf) {
    EXPECT_EQ(save(core::State{}, "A:1\nB:2\rC:3\r\nD:4"),
              kDefaultHeader + crlf({"A:1", "B:2", "C:3", "D:4"}));
}

TEST(SaveFileTest, LoadedValuesComeBackInTheHeader) {
    const std::string out = loadAndSave(crlf({"MEMO:x", "CHKB3:1", "WEJNAM:jp", "CHK7A:5", "GCPATH:g"}));
    EXPECT_EQ(out, crlf({"GCPATH:g", "FSPATH:", "WEJNUM:", "WEJNAM:jp", "CHKB0:0", "CHKB1:0", "CHKB2:0",
                         "CHKB3:1", "CHKB4:0", "CHKB5:0", "CHKLL:0", "CHK7A:0", "MEMO:x"}));
}

// ---- Failures and how the file is replaced ----

TEST(SaveFailureTest, MissingOldFileWritesNothing) {
    TempDir dir;
    const SaveResult saved = saveSettings(core::State{}, dir / "tamcfg.dat");
    EXPECT_FALSE(saved.saved);
    EXPECT_THAT(saved.error, HasSubstr("cannot read " + (dir / "tamcfg.dat").string() + ": No such file"));
    EXPECT_TRUE(dir.names().empty());
}

TEST(SaveFailureTest, FolderInPlaceOfTheFileWritesNothing) {
    TempDir dir;
    std::filesystem::create_directory(dir / "tamcfg.dat");
    const SaveResult saved = saveSettings(core::State{}, dir / "tamcfg.dat");
    EXPECT_FALSE(saved.saved);
    EXPECT_THAT(saved.error, HasSubstr("Is a directory"));
    EXPECT_TRUE(std::filesystem::is_empty(dir / "tamcfg.dat"));
    EXPECT_THAT(dir.names(), ElementsAre("tamcfg.dat"));
}

TEST(SaveFailureTest, PathUnderARegularFileWritesNothing) {
    TempDir dir;
    test::writeFile(dir / "x", "MEMO:1\r\n");
    const SaveResult saved = saveSettings(core::State{}, dir / "x" / "tamcfg.dat");
    EXPECT_FALSE(saved.saved);
    EXPECT_THAT(saved.error, HasSubstr(test::kNotADirectory));
    EXPECT_EQ(test::readFile(dir / "x"), "MEMO:1\r\n");
}

#ifndef _WIN32 // file-size limits and permission bits are POSIX's
// Saves with writes limited to limit bytes, as on a full device, and exits 3 when the save failed with a
// message that names the file, the reason and that nothing was saved.
[[noreturn]] void saveWithFileSizeLimit(const std::filesystem::path& file, rlim_t limit) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit size{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &size);
    const SaveResult saved = saveSettings(core::State{}, file);
    const bool clear = saved.error.starts_with("cannot write " + file.string() + ": File too large") &&
                       saved.error.find("not saved") != std::string::npos;
    std::_Exit(!saved.saved && clear ? 3 : 4);
}

TEST(SaveFailureTest, FullDeviceLeavesOldFileWhole) {
    TempDir dir;
    const std::filesystem::path file = dir / "tamcfg.dat";
    const std::string old = "MEMO:" + std::string(8000, 'x') + "\r\n";
    test::writeFile(file, old);
    // In a child, so that the file-size limit does not reach the rest of the tests.
    EXPECT_EXIT(saveWithFileSizeLimit(file, 4096), ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(test::readFile(file), old);
    EXPECT_THAT(dir.names(), ElementsAre("tamcfg.dat")); // no temporary file left behind
}

TEST(SaveFileTest, ReplacesTheFileAndKeepsItsPermissions) {
    TempDir dir;
    const std::filesystem::path file = dir / "tamcfg.dat";
    test::writeFile(file, "MEMO:1\r\n");
    std::filesystem::permissions(file, std::filesystem::perms(0640));
    EXPECT_TRUE(saveSettings(core::State{}, file).saved);
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(test::readFile(file), kDefaultHeader + "MEMO:1\r\n");
    EXPECT_THAT(dir.names(), ElementsAre("tamcfg.dat"));
}

TEST(SaveFileTest, LinkStaysALinkAndItsTargetIsWritten) {
    TempDir dir;
    std::filesystem::create_directory(dir / "dotfiles");
    test::writeFile(dir / "dotfiles" / "tamcfg.dat", "MEMO:1\r\n");
    std::filesystem::create_symlink(dir / "dotfiles" / "tamcfg.dat", dir / "tamcfg.dat");
    EXPECT_TRUE(saveSettings(core::State{}, dir / "tamcfg.dat").saved);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "tamcfg.dat"));
    EXPECT_EQ(test::readFile(dir / "dotfiles" / "tamcfg.dat"), kDefaultHeader + "MEMO:1\r\n");
    EXPECT_THAT(dir.names(), ElementsAre("dotfiles", "tamcfg.dat"));
}
#endif

} // namespace
} // namespace tamarisk::settings
