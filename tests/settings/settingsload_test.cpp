#include "settings/settingsfile.h"
#include "support/testutil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace tamarisk::settings {
namespace {

using test::PrintTo;

using test::crlf;
using test::TempDir;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// Records what the loader asks of the window.
class RecordingWindow : public WindowEffects {
public:
    void showPanel(int k, bool shown) override { panels.emplace_back(k, shown); }
    void moveWindow(std::optional<std::int32_t> left, std::optional<std::int32_t> top) override {
        moves.emplace_back(left, top);
    }
    void applySkin(const std::string& pictureFile) override { skins.push_back(pictureFile); }

    std::vector<std::pair<int, bool>> panels;
    std::vector<std::pair<std::optional<std::int32_t>, std::optional<std::int32_t>>> moves;
    std::vector<std::string> skins;
};

struct Loaded {
    core::State state;
    RecordingWindow window;
    LoadResult result;
};

Loaded loadText(const std::string& bytes) {
    TempDir dir;
    test::writeFile(dir / "tamcfg.dat", bytes);
    Loaded out;
    out.result = Load_IniFile(out.state, dir / "tamcfg.dat", out.window);
    EXPECT_TRUE(out.result.loaded) << out.result.error;
    return out;
}

const core::ServerRec& server(const core::State& state, int i) {
    return state.Servers[static_cast<std::size_t>(i)];
}

std::vector<int> numbers(const core::ServerRec& s) {
    return {s.SNumber.begin() + 1, s.SNumber.begin() + 1 + s.SNumberCount};
}

// ---- Which file, and what a file that cannot be read does ----

TEST(LoadFileTest, MissingFileIsCreatedEmptyAndDefaultsApply) {
    TempDir dir;
    Loaded out;
    const LoadResult result = Load_IniFile(out.state, dir / "tamcfg.dat", out.window);
    EXPECT_TRUE(result.loaded);
    ASSERT_TRUE(std::filesystem::is_regular_file(dir / "tamcfg.dat"));
    EXPECT_EQ(test::readFile(dir / "tamcfg.dat"), "");
    EXPECT_EQ(out.state.options.OptCheckBoxes, (std::array<int, 6>{}));
    EXPECT_EQ(out.state.options.Text_WebjumpName, "at");
    EXPECT_EQ(out.state.ServerCount, 0);
    EXPECT_THAT(out.window.panels, IsEmpty());
}

TEST(LoadFileTest, MissingFolderIsCreatedWithTheFile) {
    TempDir dir;
    Loaded out;
    EXPECT_TRUE(Load_IniFile(out.state, dir / "config" / "tamarisk" / "tamcfg.dat", out.window).loaded);
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "config" / "tamarisk" / "tamcfg.dat"));
}

TEST(LoadFileTest, LoadingLeavesAnExistingFileAlone) {
    TempDir dir;
    const std::string bytes = crlf({"CHKB0:1", "SERVER:a.b.c", "junk"});
    test::writeFile(dir / "tamcfg.dat", bytes);
    Loaded out;
    EXPECT_TRUE(Load_IniFile(out.state, dir / "tamcfg.dat", out.window).loaded);
    EXPECT_EQ(test::readFile(dir / "tamcfg.dat"), bytes);
    EXPECT_THAT(dir.names(), ElementsAre("tamcfg.dat"));
}

struct UnreadableCase {
    const char* name;
    std::string reason;
    void (*make)(const TempDir& dir); // makes dir/"x"/"tamcfg.dat" unreadable
};

class UnreadableSettingsTest : public ::testing::TestWithParam<UnreadableCase> {};

TEST_P(UnreadableSettingsTest, NothingLoadedAndServerChangeDisabled) {
    TempDir dir;
    GetParam().make(dir);
    const std::filesystem::path file = dir / "x" / "tamcfg.dat";
    Loaded out;
    const LoadResult result = Load_IniFile(out.state, file, out.window);
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ(result.error, "cannot read " + file.string() + ": " + GetParam().reason);
    EXPECT_EQ(out.state.options.OptCheckBoxes[core::kOptServerChange], 2);
    EXPECT_EQ(out.state.options.OptCheckBoxes[core::kOptReferer], 0);
    EXPECT_EQ(out.state.ServerCount, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnreadableSettingsTest,
    ::testing::Values(UnreadableCase{"FolderInPlaceOfTheFile", "Is a directory",
                                     [](const TempDir& dir) {
                                         std::filesystem::create_directories(dir / "x" / "tamcfg.dat");
                                         test::writeFile(dir / "x" / "tamcfg.dat" / "inner", "CHKB0:1\r\n");
                                     }},
                      UnreadableCase{"PathUnderARegularFile", test::kNotADirectory,
                                     [](const TempDir& dir) { test::writeFile(dir / "x", "CHKB0:1\r\n"); }}),
    [](const ::testing::TestParamInfo<UnreadableCase>& info) { return std::string(info.param.name); });

TEST(LoadFileTest, FolderInPlaceOfTheFileIsLeftAsItIs) {
    TempDir dir;
    std::filesystem::create_directory(dir / "tamcfg.dat");
    Loaded out;
    EXPECT_FALSE(Load_IniFile(out.state, dir / "tamcfg.dat", out.window).loaded);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "tamcfg.dat"));
    EXPECT_TRUE(std::filesystem::is_empty(dir / "tamcfg.dat"));
}

// ---- Toggles ----

struct ToggleCase {
    const char* name;
    std::string file;
    std::size_t toggle; // 0..5 OptCheckBoxes, 6 ListCheckBox, 7 Check_Members7Tripod
    int expected;
    std::vector<std::pair<int, bool>> panels;
};

int toggleOf(const core::OptionState& options, std::size_t i) {
    if (i < 6)
        return options.OptCheckBoxes[i];
    return i == 6 ? options.ListCheckBox[0] : options.Check_Members7Tripod;
}

class ToggleLineTest : public ::testing::TestWithParam<ToggleCase> {};

TEST_P(ToggleLineTest, SetsToggleAndPanel) {
    const ToggleCase& c = GetParam();
    const Loaded out = loadText(c.file);
    EXPECT_EQ(toggleOf(out.state.options, c.toggle), c.expected);
    EXPECT_EQ(out.window.panels, c.panels);
    for (std::size_t i = 0; i < 8; ++i) {
        if (i != c.toggle) {
            EXPECT_EQ(toggleOf(out.state.options, i), 0) << "toggle " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToggleLineTest,
    ::testing::Values(
        ToggleCase{"Chkb0On", crlf({"CHKB0:1"}), 0, 1, {{0, true}}},
        ToggleCase{"Chkb3OnShowsPanel3", crlf({"CHKB3:1"}), 3, 1, {{3, true}}},
        ToggleCase{"Chkb3SevenReadsZero", crlf({"CHKB3:7"}), 3, 0, {{3, false}}},
        ToggleCase{"TwoReadsZero", crlf({"CHKB1:2"}), 1, 0, {{1, false}}},
        ToggleCase{"NegativeReadsZero", crlf({"CHKB2:-1"}), 2, 0, {{2, false}}},
        ToggleCase{"Chkb4OffHidesPanel", crlf({"CHKB4:0"}), 4, 0, {{4, false}}},
        ToggleCase{"Chkb5HasNoPanel", crlf({"CHKB5:1"}), 5, 1, {}},
        ToggleCase{"ChkllHasNoPanel", crlf({"CHKLL:1"}), 6, 1, {}},
        ToggleCase{"Chk7a", crlf({"CHK7A:1"}), 7, 1, {}},
        ToggleCase{"Chk7aTwoReadsZero", crlf({"CHK7A:2"}), 7, 0, {}},
        ToggleCase{"LowerCaseKey", crlf({"chkb3:1"}), 3, 1, {{3, true}}},
        ToggleCase{"MixedCaseKey", crlf({"cHk7a:1"}), 7, 1, {}},
        ToggleCase{"BlankBeforeValue", crlf({"CHKB0: 1"}), 0, 1, {{0, true}}},
        ToggleCase{"TextAfterDigitsIgnored", crlf({"CHKB0:1 on"}), 0, 1, {{0, true}}},
        ToggleCase{"EmptyValueReadsZero", crlf({"CHKB0:1", "CHKB0:"}), 0, 0, {{0, true}, {0, false}}},
        ToggleCase{"LaterLineWins", crlf({"CHKB3:1", "CHKB3:0"}), 3, 0, {{3, true}, {3, false}}},
        // A number that does not fit a 16-bit toggle leaves the toggle and its panel alone.
        ToggleCase{"TooLargeLeavesValue", crlf({"CHKB3:1", "CHKB3:99999"}), 3, 1, {{3, true}}},
        ToggleCase{"TooSmallLeavesValue", crlf({"CHKB3:1", "CHKB3:-40000"}), 3, 1, {{3, true}}},
        // Keys are compared whole.
        ToggleCase{"UnknownChkKeyIgnored", crlf({"CHKB6:1", "CHKB:1", "CHKB3X:1"}), 0, 0, {}},
        ToggleCase{"BlankInKeyIgnored", crlf({"CHKB3 :1", " CHKB3:1"}), 3, 0, {}},
        ToggleCase{"LineWithoutColonSkipped", crlf({"CHKB3", "CHKB31"}), 3, 0, {}}),
    [](const ::testing::TestParamInfo<ToggleCase>& info) { return std::string(info.param.name); });

// ---- Texts ----

struct TextCase {
    const char* name;
    std::string file;
    std::string gcpath, fspath, wejnum, wejnam;
};

class TextLineTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextLineTest, SetsTexts) {
    const TextCase& c = GetParam();
    const Loaded out = loadText(c.file);
    EXPECT_EQ(out.state.options.Label_AllDir[0], c.gcpath);
    EXPECT_EQ(out.state.options.Label_AllDir[1], c.fspath);
    EXPECT_EQ(out.state.options.Text_Webjump, c.wejnum);
    EXPECT_EQ(out.state.options.Text_WebjumpName, c.wejnam);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextLineTest,
    ::testing::Values(
        TextCase{"AllFour", crlf({"GCPATH:C:\\a", "FSPATH:D:\\b", "WEJNUM:12", "WEJNAM:jp"}), "C:\\a",
                 "D:\\b", "12", "jp"},
        // The value is everything after the first ":", further colons included, nothing trimmed.
        TextCase{"ValueKeepsColonsAndBlanks", crlf({"FSPATH: D:\\x:y "}), "", " D:\\x:y ", "", "at"},
        // CP932 bytes are kept as they are, a trail byte 0x5C included.
        TextCase{"DoubleByteValue", crlf({"FSPATH:D:\\\x95\x5C\x8E\xA6\\\x83\x65"}), "",
                 "D:\\\x95\x5C\x8E\xA6\\\x83\x65", "", "at"},
        TextCase{"LowerCaseKeys", crlf({"gcpath:g", "Fspath:f", "wejnum:3", "wejNam:n"}), "g", "f", "3", "n"},
        // The Webjump number is not checked when it is loaded.
        TextCase{"WebjumpNumberNotValidated", crlf({"WEJNUM:300"}), "", "", "300", "at"},
        TextCase{"EmptyNameReplacesDefault", crlf({"WEJNAM:"}), "", "", "", ""},
        TextCase{"LfAndCrLineEnds", "GCPATH:a\nFSPATH:b\rWEJNUM:4", "a", "b", "4", "at"},
        TextCase{"NotThisKey", crlf({"GCPATHX:a", "FSPATH2:b", "WEJNUM :4", "WEJ:x"}), "", "", "", "at"}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

// ---- Window position and skin ----

TEST(WindowLineTest, PositionIsKeptAndPassedToTheWindow) {
    const Loaded out = loadText(crlf({"WLEFT:1200", "W_TOP:900"}));
    EXPECT_EQ(out.state.options.windowLeft, 1200);
    EXPECT_EQ(out.state.options.windowTop, 900);
    using Move = std::pair<std::optional<std::int32_t>, std::optional<std::int32_t>>;
    EXPECT_THAT(out.window.moves, ElementsAre(Move{1200, std::nullopt}, Move{std::nullopt, 900}));
    // A window at the screen's edge is at 0: a position like any other.
    EXPECT_THAT(loadText(crlf({"WLEFT:0", "W_TOP:0"})).window.moves,
                ElementsAre(Move{0, std::nullopt}, Move{std::nullopt, 0}));
}

TEST(WindowLineTest, PositionsBeyondSixteenBitsAreKept) {
    // A window right of 2184 pixels has a Left above 32767 twips.
    const Loaded out = loadText(crlf({"WLEFT:40000", "w_top:2000000000"}));
    EXPECT_EQ(out.state.options.windowLeft, 40000);
    EXPECT_EQ(out.state.options.windowTop, 2000000000);
}

TEST(WindowLineTest, NegativeOrOversizedPositionLeavesTheValue) {
    const Loaded out = loadText(crlf({"WLEFT:300", "W_TOP:400", "WLEFT:3000000000", "W_TOP:-15"}));
    EXPECT_EQ(out.state.options.windowLeft, 300);
    EXPECT_EQ(out.state.options.windowTop, 400);
    EXPECT_EQ(out.window.moves.size(), 2u);
}

TEST(WindowLineTest, NoPositionLinesNoPosition) {
    const Loaded out = loadText(crlf({"W_TOP:-15", "WLEFTX:5", "W_TOP"}));
    EXPECT_FALSE(out.state.options.windowLeft.has_value());
    EXPECT_FALSE(out.state.options.windowTop.has_value());
    EXPECT_THAT(out.window.moves, IsEmpty());
}

struct SkinCase {
    const char* name;
    std::string line;
    std::string stored;
    std::string picture;
};

class SkinLineTest : public ::testing::TestWithParam<SkinCase> {};

TEST_P(SkinLineTest, StoresNameAndAppliesPicture) {
    const Loaded out = loadText(crlf({GetParam().line}));
    EXPECT_EQ(out.state.options.skin, GetParam().stored);
    EXPECT_THAT(out.window.skins, ElementsAre(GetParam().picture));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SkinLineTest,
    ::testing::Values(SkinCase{"NoDotGetsBmp", "SKI:summer", "summer", "summer.bmp"},
                      SkinCase{"DotKeepsName", "SKI:summer.gif", "summer.gif", "summer.gif"},
                      SkinCase{"DotInFolderCounts", "ski:skins.d/summer", "skins.d/summer", "skins.d/summer"},
                      SkinCase{"DoubleByteName", "SKI:\x8F\x74", "\x8F\x74", "\x8F\x74.bmp"}),
    [](const ::testing::TestParamInfo<SkinCase>& info) { return std::string(info.param.name); });

// ---- Server groups ----

struct ServerNameCase {
    const char* name;
    std::string value;
    std::string head;
    std::string domain;
};

class ServerLineTest : public ::testing::TestWithParam<ServerNameCase> {};

TEST_P(ServerLineTest, SplitsHeadAndDomain) {
    const Loaded out = loadText(crlf({"SERVER:" + GetParam().value}));
    ASSERT_EQ(out.state.ServerCount, 1);
    EXPECT_EQ(server(out.state, 1).ServerName, GetParam().value);
    EXPECT_EQ(server(out.state, 1).ServerHead, GetParam().head);
    EXPECT_EQ(server(out.state, 1).ServerDomain, GetParam().domain);
}

INSTANTIATE_TEST_SUITE_P(Cases, ServerLineTest,
                         ::testing::Values(ServerNameCase{"ThreeLabels", "aa3.bb.cc", "aa3", "bb.cc"},
                                           ServerNameCase{"TwoLabels", "bb.cc", "", "bb.cc"},
                                           ServerNameCase{"OneLabel", "host", "", "host"},
                                           ServerNameCase{"FourLabels", "a.b.c.d", "a", "b.c.d"},
                                           ServerNameCase{"Empty", "", "", ""}),
                         [](const ::testing::TestParamInfo<ServerNameCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ServerKeysTest, KeysApplyToTheLastServer) {
    const Loaded out = loadText(crlf({"SERVER:a.b.c", "SNUMBER:1-2", "server:d.e.f", "IP:10.0.0.1",
                                      "SNUMBER:7-8", "SKIMEUCHI:8", "STYPE:V"}));
    ASSERT_EQ(out.state.ServerCount, 2);
    EXPECT_THAT(numbers(server(out.state, 1)), ElementsAre(1, 2));
    EXPECT_EQ(server(out.state, 1).IPCount, 0);
    EXPECT_EQ(server(out.state, 1).SType, core::kSTypeNone);
    EXPECT_EQ(server(out.state, 2).ServerName, "d.e.f");
    EXPECT_THAT(numbers(server(out.state, 2)), ElementsAre(7, 8));
    EXPECT_EQ(server(out.state, 2).SKimeuchi, 8);
    EXPECT_EQ(server(out.state, 2).SType, core::kSTypeV);
    EXPECT_EQ(server(out.state, 2).IPCount, 1);
}

TEST(ServerKeysTest, KeysBeforeTheFirstServerActOnRecordZero) {
    const Loaded out =
        loadText(crlf({"IP:10.0.0.1", "SNUMBER:1-3", "SNOUSE:2", "SKIMEUCHI:5", "STYPE:U", "SERVER:a.b.c"}));
    const core::ServerRec& zero = server(out.state, 0);
    EXPECT_EQ(zero.IPCount, 1);
    EXPECT_EQ(zero.IPList[1].IPName, "10.0.0.1");
    // Record 0 starts with 100 numbers (all 0); the range goes after them.
    ASSERT_EQ(zero.SNumberCount, 102);
    EXPECT_EQ(zero.SNumber[100], 0);
    EXPECT_EQ(zero.SNumber[101], 1);
    EXPECT_EQ(zero.SNumber[102], 3);
    EXPECT_EQ(zero.SKimeuchi, 5);
    EXPECT_EQ(zero.SType, core::kSTypeU);
    ASSERT_EQ(out.state.ServerCount, 1);
    EXPECT_EQ(server(out.state, 1).IPCount, 0);
    EXPECT_EQ(server(out.state, 1).SNumberCount, 0);
    EXPECT_EQ(server(out.state, 1).SKimeuchi, 0);
}

TEST(ServerKeysTest, AtMostOneHundredServersAndLaterKeysGoToTheLast) {
    std::string file;
    for (int i = 1; i <= 103; ++i)
        file += "SERVER:s" + std::to_string(i) + ".a.b\r\n";
    file += "IP:late\r\nSKIMEUCHI:4\r\n";
    const Loaded out = loadText(file);
    ASSERT_EQ(out.state.ServerCount, 100);
    EXPECT_EQ(server(out.state, 100).ServerName, "s100.a.b");
    EXPECT_EQ(server(out.state, 100).IPList[1].IPName, "late");
    EXPECT_EQ(server(out.state, 100).SKimeuchi, 4);
}

TEST(ServerKeysTest, AddressesAreListedOnceAndStartEnabled) {
    const Loaded out = loadText(crlf({"SERVER:a.b.c", "IP:A", "IP:B", "IP:A", "IP:a"}));
    const core::ServerRec& s = server(out.state, 1);
    ASSERT_EQ(s.IPCount, 3); // "a" differs from "A"
    EXPECT_EQ(s.IPList[0].IPName, "Members");
    EXPECT_EQ(s.IPList[0].IPUse, -1);
    EXPECT_EQ(s.IPList[1].IPName, "A");
    EXPECT_EQ(s.IPList[2].IPName, "B");
    EXPECT_EQ(s.IPList[3].IPName, "a");
    for (int j = 1; j <= 3; ++j)
        EXPECT_EQ(s.IPList[static_cast<std::size_t>(j)].IPUse, -1);
    EXPECT_EQ(s.IPUseCount, 3);
}

TEST(ServerKeysTest, AtMostSixtyFourAddresses) {
    std::string file = "SERVER:a.b.c\r\n";
    for (int i = 1; i <= 70; ++i)
        file += "IP:10.0.0." + std::to_string(i) + "\r\n";
    const Loaded out = loadText(file);
    const core::ServerRec& s = server(out.state, 1);
    EXPECT_EQ(s.IPCount, 64);
    EXPECT_EQ(s.IPUseCount, 64);
    EXPECT_EQ(s.IPList[64].IPName, "10.0.0.64");
}

TEST(ServerKeysTest, NoAddressesNoMembersEntry) {
    const Loaded out = loadText(crlf({"SERVER:a.b.c"}));
    EXPECT_EQ(server(out.state, 1).IPCount, 0);
    EXPECT_EQ(server(out.state, 1).IPList[0].IPName, "");
}

struct NumbersCase {
    const char* name;
    std::vector<std::string> lines;
    std::vector<int> expected;
};

class ServerNumbersTest : public ::testing::TestWithParam<NumbersCase> {};

TEST_P(ServerNumbersTest, AddsAndRemoves) {
    std::vector<std::string> lines{"SERVER:a.b.c"};
    lines.insert(lines.end(), GetParam().lines.begin(), GetParam().lines.end());
    std::string file;
    for (const auto& line : lines)
        file += line + "\r\n";
    const Loaded out = loadText(file);
    EXPECT_EQ(numbers(server(out.state, 1)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ServerNumbersTest,
    ::testing::Values(
        NumbersCase{"RangesAppend", {"SNUMBER:1-3", "SNUMBER:5-5"}, {1, 2, 3, 5}},
        NumbersCase{"RemoveWithBlanks", {"SNUMBER:1-3", "SNUMBER:5-5", "SNOUSE:2, 9"}, {1, 3, 5}},
        NumbersCase{"RemoveBlanksAround", {"SNUMBER:1-5", "snouse: 1 ,5 , 3"}, {2, 4}},
        NumbersCase{"FirstGreaterThanLastAddsNothing", {"SNUMBER:5-3"}, {}},
        NumbersCase{"WithoutDashAddsNothing", {"SNUMBER:7"}, {}},
        NumbersCase{"SplitAtFirstDash", {"SNUMBER:2-4-9"}, {2, 3, 4}},
        NumbersCase{"BlanksAroundParts", {"SNUMBER: 2 - 4"}, {2, 3, 4}},
        NumbersCase{"TooLargeLastAddsNothing", {"SNUMBER:1-70000"}, {}},
        NumbersCase{"DuplicatesAllowed", {"SNUMBER:1-2", "SNUMBER:1-2"}, {1, 2, 1, 2}},
        NumbersCase{"RemovesFirstEqualOnly", {"SNUMBER:1-2", "SNUMBER:1-2", "SNOUSE:1"}, {2, 1, 2}},
        NumbersCase{"RemoveTwiceRemovesBoth", {"SNUMBER:1-2", "SNUMBER:1-2", "SNOUSE:1,1"}, {2, 2}},
        NumbersCase{"RemoveMissingChangesNothing", {"SNUMBER:1-2", "SNOUSE:9"}, {1, 2}},
        NumbersCase{"RemoveAll", {"SNUMBER:1-3", "SNOUSE:3,2,1"}, {}},
        NumbersCase{"AddAfterRemove", {"SNUMBER:1-3", "SNOUSE:2", "SNUMBER:9-9"}, {1, 3, 9}}),
    [](const ::testing::TestParamInfo<NumbersCase>& info) { return std::string(info.param.name); });

TEST(ServerKeysTest, AtMost255Numbers) {
    const Loaded out = loadText(crlf({"SERVER:a.b.c", "SNUMBER:1-300", "SNUMBER:400-401"}));
    const core::ServerRec& s = server(out.state, 1);
    ASSERT_EQ(s.SNumberCount, 255);
    EXPECT_EQ(s.SNumber[1], 1);
    EXPECT_EQ(s.SNumber[255], 255);
}

TEST(ServerKeysTest, RangeUpToTheLargestNumberEnds) {
    const Loaded out = loadText(crlf({"SERVER:a.b.c", "SNUMBER:32766-32767"}));
    EXPECT_THAT(numbers(server(out.state, 1)), ElementsAre(32766, 32767));
}

struct KimeuchiCase {
    const char* name;
    std::vector<std::string> values;
    int expected;
};

class KimeuchiLineTest : public ::testing::TestWithParam<KimeuchiCase> {};

TEST_P(KimeuchiLineTest, SetsFixedNumber) {
    std::string file = "SERVER:a.b.c\r\n";
    for (const auto& value : GetParam().values)
        file += "SKIMEUCHI:" + value + "\r\n";
    EXPECT_EQ(server(loadText(file).state, 1).SKimeuchi, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KimeuchiLineTest,
    ::testing::Values(KimeuchiCase{"Plain", {"3"}, 3}, KimeuchiCase{"LeadingZero", {"07"}, 7},
                      KimeuchiCase{"Blank", {" 12"}, 12}, KimeuchiCase{"NotANumber", {"x"}, 0},
                      KimeuchiCase{"TooLargeLeavesValue", {"5", "99999"}, 5},
                      KimeuchiCase{"LaterWins", {"5", "6"}, 6}),
    [](const ::testing::TestParamInfo<KimeuchiCase>& info) { return std::string(info.param.name); });

struct TypeCase {
    const char* name;
    std::vector<std::string> values;
    std::uint8_t expected;
};

class TypeLineTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TypeLineTest, SetsType) {
    std::string file = "SERVER:a.b.c\r\n";
    for (const auto& value : GetParam().values)
        file += "STYPE:" + value + "\r\n";
    EXPECT_EQ(server(loadText(file).state, 1).SType, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TypeLineTest,
                         ::testing::Values(TypeCase{"U", {"U"}, core::kSTypeU},
                                           TypeCase{"F", {"F"}, core::kSTypeF},
                                           TypeCase{"V", {"V"}, core::kSTypeV},
                                           TypeCase{"FirstLetterInUpperCase", {"free"}, core::kSTypeF},
                                           TypeCase{"OtherLetterChangesNothing", {"x"}, core::kSTypeNone},
                                           TypeCase{"OtherLetterKeepsType", {"U", "x"}, core::kSTypeU},
                                           TypeCase{"EmptyKeepsType", {"V", ""}, core::kSTypeV},
                                           TypeCase{"BlankFirstCounts", {"F", " U"}, core::kSTypeF},
                                           TypeCase{"LaterReplaces", {"U", "v"}, core::kSTypeV}),
                         [](const ::testing::TestParamInfo<TypeCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- Lines that are not settings ----

TEST(OtherLinesTest, LinesWithoutColonAreSkipped) {
    // Not applied under the key before them: an empty line after SERVER makes no empty server.
    const Loaded out = loadText(crlf({"SERVER:a.b.c", "", "IP", "garbage", "IP:10.0.0.1"}));
    ASSERT_EQ(out.state.ServerCount, 1);
    EXPECT_EQ(server(out.state, 1).IPCount, 1);
    EXPECT_EQ(server(out.state, 1).IPList[1].IPName, "10.0.0.1");
}

TEST(OtherLinesTest, UnknownKeysAreIgnored) {
    const Loaded out = loadText(crlf({"SERVERX:a.b.c", "SERVER2:d.e", "IPX:1", "MEMO:x", ":y"}));
    EXPECT_EQ(out.state.ServerCount, 0);
    EXPECT_EQ(server(out.state, 0).IPCount, 0);
}

TEST(OtherLinesTest, LineEndingsDoNotMatter) {
    const std::string lines[] = {"SERVER:a.b.c", "SNUMBER:1-3", "CHKB1:1", "SKI:s"};
    std::string lf, cr;
    for (const auto& line : lines) {
        lf += line + "\n";
        cr += line + "\r";
    }
    for (const std::string& file :
         {lf, cr, lines[0] + "\r\n" + lines[1] + "\n" + lines[2] + "\r" + lines[3]}) {
        const Loaded out = loadText(file);
        EXPECT_EQ(out.state.ServerCount, 1);
        EXPECT_EQ(server(out.state, 1).SNumberCount, 3);
        EXPECT_EQ(out.state.options.OptCheckBoxes[1], 1);
        EXPECT_EQ(out.state.options.skin, "s");
    }
}

} // namespace
} // namespace tamarisk::settings

namespace {

TEST(SettingsWithoutHome, NoFileIsLoadedAndTheServerChangeIsDisabled) {
    tamarisk::core::State state;
    tamarisk::settings::WindowEffects window;
    const tamarisk::settings::LoadResult loaded = tamarisk::settings::Load_IniFile(state, {}, window);
    EXPECT_FALSE(loaded.loaded);
    EXPECT_NE(loaded.error.find("home folder"), std::string::npos);
    EXPECT_EQ(state.options.OptCheckBoxes[tamarisk::core::kOptServerChange], 2);
}

} // namespace
