// The per-line rewrite: which lines are rewritten, the save folder with the folder made from the file
// name and its look-ahead, and the address rule that runs the address change before the server steps.

#include "core/domains.h"
#include "core/driver.h"
#include "core/rules.h"
#include "core/serverassign.h"
#include "core/state.h"
#include "support/conversion.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

namespace tamarisk::core {
namespace {

// CP932 bytes of the Japanese texts used below.
const std::string kHyo = "\x95\x5c";           // 表: its second byte is "\"
const std::string kHyoji = "\x95\x5c\x8e\xa6"; // 表示
const std::string kDownload = "\x83\x5f\x83\x45\x83\x93\x83\x8d\x81\x5b\x83\x68"; // ダウンロード
const std::string kFileMei = "\x83\x74\x83\x40\x83\x43\x83\x8b\x96\xbc";          // ファイル名
const std::string kFua = "\x83\x74\x83\x40";                                      // ファ

using test::convertText;
using test::crlf;
using test::PrintTo;

// A server group "srv.a.b" whose only number is 7, assigned in order, and an address change that moves
// srv3.a.b to http://moved.example/: a line that reaches either step visibly changes.
State stateThatRewritesEverything() {
    State state;
    ServerRec& group = state.Servers[1];
    state.ServerCount = 1;
    group.ServerName = "srv.a.b";
    group.ServerHead = "srv";
    group.ServerDomain = "a.b";
    group.SType = kSTypeU;
    group.SNumber[1] = 7;
    group.SNumberCount = 1;
    state.DefServers[0] = {"srv3.a.b", "http://moved.example/"};
    state.DefServerCount = 1;
    state.options.Option_OptMC = 1;
    state.options.Label_AllDir[1] = "C:\\dl";
    return state;
}

// ---------------------------------------------------------------------------------------------------
// Dispatch

struct DispatchCase {
    const char* name;
    std::string line;
    std::array<int, 6> boxes;
    std::string expected;
};

class Dispatch : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(Dispatch, RewritesOnlyTheLinesItsOptionsSwitchOn) {
    const DispatchCase& c = GetParam();
    State state = stateThatRewritesEverything();
    state.options.OptCheckBoxes = c.boxes;
    EXPECT_EQ(convertText(state, crlf({c.line})), crlf({c.expected}));
}

// Box 0 (referer) is left off where an address line is expected back alone: the driver's referer pass
// would add lines before it.
const std::array<int, 6> kAllOn = {1, 1, 1, 1, 1, 1};
const std::array<int, 6> kAllButAddressSteps = {0, 0, 0, 1, 0, 1};

INSTANTIATE_TEST_SUITE_P(
    Lines, Dispatch,
    ::testing::Values(
        DispatchCase{"StoreInGetsTheFolder", "StoreIn=D:\\old\\", {0, 0, 0, 1, 0, 0}, "StoreIn=C:\\dl\\"},
        DispatchCase{"StoreInWithItsBoxOff", "StoreIn=D:\\old\\", {1, 1, 1, 0, 1, 1}, "StoreIn=D:\\old\\"},
        DispatchCase{
            "StoreInWithItsBoxDisabled", "StoreIn=D:\\old\\", {0, 0, 0, 2, 0, 0}, "StoreIn=D:\\old\\"},
        DispatchCase{"LowerCaseStoreIn", "storein=C:\\x", kAllOn, "storein=C:\\x"},
        DispatchCase{"BlankBeforeStoreIn", " StoreIn=C:\\x", kAllOn, " StoreIn=C:\\x"},
        DispatchCase{"StoreInWithoutEquals", "StoreIn:C:\\x", kAllOn, "StoreIn:C:\\x"},
        DispatchCase{"UrlWithServerChange",
                     "Url=http://srv3.a.b/x.zip",
                     {0, 1, 0, 0, 0, 0},
                     "Url=http://srv7.a.b/x.zip"},
        DispatchCase{"UrlWithAddressChange",
                     "Url=http://srv3.a.b/x.zip",
                     {0, 0, 0, 0, 1, 0},
                     "Url=http://moved.example/x.zip"},
        DispatchCase{"UrlWithBoxesOneTwoFourOff", "Url=http://srv3.a.b/x.zip", kAllButAddressSteps,
                     "Url=http://srv3.a.b/x.zip"},
        DispatchCase{"UrlWithBoxesDisabled",
                     "Url=http://srv3.a.b/x.zip",
                     {0, 2, 2, 0, 2, 0},
                     "Url=http://srv3.a.b/x.zip"},
        DispatchCase{"LowerCaseUrl", "url=http://srv3.a.b/x.zip", kAllOn, "url=http://srv3.a.b/x.zip"},
        DispatchCase{"BlankBeforeUrl", " Url=http://srv3.a.b/x.zip", kAllOn, " Url=http://srv3.a.b/x.zip"},
        DispatchCase{"RefererStrIsNotAnAddress",
                     "RefererStr=http://srv3.a.b/x.zip",
                     {0, 1, 1, 1, 1, 0},
                     "RefererStr=http://srv3.a.b/x.zip"},
        DispatchCase{"OtherLine", "Info=" + kHyo, kAllOn, "Info=" + kHyo},
        DispatchCase{"EmptyLine", "", kAllOn, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------------
// Save folder

struct FolderCase {
    const char* name;
    std::string folder;
    std::string expected;
};

class SaveFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(SaveFolder, EndsWithOneBackslashCountedAsACharacter) {
    State state;
    state.options.OptCheckBoxes[kOptSaveFolder] = 1;
    state.options.Label_AllDir[1] = GetParam().folder;
    EXPECT_EQ(convertText(state, crlf({"StoreIn=D:\\old\\"})), crlf({GetParam().expected}));
}

INSTANTIATE_TEST_SUITE_P(
    Folders, SaveFolder,
    ::testing::Values(FolderCase{"WithoutBackslash", "C:\\dl", "StoreIn=C:\\dl\\"},
                      FolderCase{"WithBackslash", "C:\\dl\\", "StoreIn=C:\\dl\\"},
                      FolderCase{"Empty", "", "StoreIn=\\"},
                      // The second byte of 表 is 0x5C; the folder still lacks its "\".
                      FolderCase{"EndingInHyo", "C:\\" + kHyo, "StoreIn=C:\\" + kHyo + "\\"},
                      FolderCase{"EndingInHyoAndBackslash", "C:\\" + kHyo + "\\",
                                 "StoreIn=C:\\" + kHyo + "\\"},
                      FolderCase{"Japanese", "D:\\" + kDownload, "StoreIn=D:\\" + kDownload + "\\"},
                      // 0x9F is the last lead byte of the first range: 0x9F 0x5C is one character too.
                      FolderCase{"EndingInLeadByte9F", "C:\\\x9f\x5c", "StoreIn=C:\\\x9f\x5c\\"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveFolderOption, AFolderChangedBetweenLinesTakesEffectOnTheNextLine) {
    State state;
    state.options.OptCheckBoxes[kOptSaveFolder] = 1;
    state.options.Label_AllDir[1] = "C:\\a";
    const LineReader reader(crlf({"StoreIn=x", "StoreIn=y"}));
    std::int64_t ReadPos = 1;
    EntryRewriter rewriter(state, reader, ReadPos);
    EXPECT_EQ(rewriter.Set_AllStatus(reader.ReadLineAt(ReadPos)), "StoreIn=C:\\a\\");
    state.options.Label_AllDir[1] = "C:\\b\\";
    EXPECT_EQ(rewriter.Set_AllStatus(reader.ReadLineAt(ReadPos)), "StoreIn=C:\\b\\");
}

// ---------------------------------------------------------------------------------------------------
// Folder made from the file name

State folderFromNameState() {
    State state;
    state.options.OptCheckBoxes[kOptSaveFolder] = 1;
    state.options.Label_AllDir[1] = "C:\\dl";
    state.options.Option_DLDir = 1;
    return state;
}

struct NameCase {
    const char* name;
    std::string urlLine;
    std::string appended;
};

class FolderFromName : public ::testing::TestWithParam<NameCase> {};

TEST_P(FolderFromName, AppendsThePartBeforeTheDotLessThreeCharacters) {
    State state = folderFromNameState();
    const std::vector<std::string> entry = {"Info=", "StoreIn=D:\\old\\", "SaveAs=", GetParam().urlLine,
                                            "_IsOk=0"};
    EXPECT_EQ(convertText(state, crlf(entry)), crlf({"Info=", "StoreIn=C:\\dl\\" + GetParam().appended,
                                                     "SaveAs=", GetParam().urlLine, "_IsOk=0"}));
}

INSTANTIATE_TEST_SUITE_P(
    Names, FolderFromName,
    ::testing::Values(NameCase{"Setup12", "Url=http://host/d/setup12.exe", "setu"},
                      // A name longer than the sixteen bytes the search for its "/" looks at first.
                      NameCase{"LongName", "Url=http://host/d/a-long-name-of-setup12.exe",
                               "a-long-name-of-setu"},
                      NameCase{"TarGz", "Url=http://host/d/file.tar.gz", "f"},
                      NameCase{"FourCharacters", "Url=http://host/d/abcd.zip", "a"},
                      NameCase{"ThreeCharactersKeepTheDot", "Url=http://host/d/abc.zip", "abc."},
                      NameCase{"TwoCharactersKeepTheDot", "Url=http://host/d/ab.zip", "ab."},
                      NameCase{"NameStartingWithDot", "Url=http://host/d/.zip", "."},
                      NameCase{"NoDot", "Url=http://host/d/readme", ""},
                      NameCase{"DotOnlyInAFolder", "Url=http://host/v1.2/readme", ""},
                      NameCase{"EndsInSlash", "Url=http://host/d/", ""},
                      NameCase{"NoSlash", "Url=readme.txt", ""}, NameCase{"EmptyAddress", "Url=", ""},
                      // Five characters, ten bytes: two characters are kept, not seven bytes.
                      NameCase{"JapaneseName", "Url=http://host/d/" + kFileMei + ".zip", kFua},
                      // Ending in three bytes below 0x40, which are characters of their own.
                      NameCase{"JapaneseNumbered", "Url=http://host/d/" + kFileMei + "123.zip", kFileMei},
                      NameCase{"LoneLeadByteNumbered",
                               "Url=http://host/d/\x81"
                               "123.zip",
                               "\x81"},
                      NameCase{"ThreeDigits", "Url=http://host/d/123.zip", "123."},
                      // 0x5C is the second byte of the first character: three characters in all.
                      NameCase{"TrailByte5CNumbered",
                               "Url=http://host/d/\x83\x5C"
                               "12.zip",
                               "\x83\x5C"
                               "12."},
                      // Two characters, four bytes: short enough to keep the dot.
                      NameCase{"ShortJapaneseName", "Url=http://host/d/" + kHyoji + ".zip", kHyoji + "."},
                      // ÷ is 0x81 0x80, whose trail byte opens the second trail range: one character, so
                      // the cut falls before it and never between its bytes.
                      NameCase{"TrailByte80",
                               "Url=http://host/d/ab\x81\x80"
                               "cd.zip",
                               "ab"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FolderFromNameOption, NothingIsAppendedWhenTheOptionIsOff) {
    State state = folderFromNameState();
    state.options.Option_DLDir = 0;
    EXPECT_EQ(convertText(state, crlf({"StoreIn=", "Url=http://host/d/setup12.exe"})),
              crlf({"StoreIn=C:\\dl\\", "Url=http://host/d/setup12.exe"}));
}

TEST(FolderFromNameOption, TheFileNameIsTakenBeforeTheAddressIsRewritten) {
    State state = folderFromNameState();
    state.options.OptCheckBoxes[kOptAddressChange] = 1;
    ServerRec& group = state.Servers[1];
    state.ServerCount = 1;
    group.ServerName = "srv.a.b";
    group.ServerHead = "srv";
    group.ServerDomain = "a.b";
    // Type F: the key runs up to the first folder, here the file name, so the change renames the file.
    group.SType = kSTypeF;
    state.DefServers[0] = {"a.b/setup12.exe", "http://moved.example/abcd.zip"};
    state.DefServerCount = 1;
    EXPECT_EQ(convertText(state, crlf({"StoreIn=", "Url=http://srv3.a.b/setup12.exe"})),
              crlf({"StoreIn=C:\\dl\\setu", "Url=http://moved.example/abcd.zip"}));
}

// ---------------------------------------------------------------------------------------------------
// Look-ahead

TEST(LookAhead, EachEntryOfTheProgramsOwnLayoutGetsItsOwnName) {
    State state = folderFromNameState();
    const std::vector<std::string> input = {
        "[Reget Deluxe queue]",       "Info=one", "StoreIn=",   "SaveAs=",
        "Url=http://h/d/setup12.exe", "Info=two", "StoreIn=",   "; comment",
        "Url=http://h/d/file.tar.gz", "_IsOk=0",  "Info=three", "StoreIn=",
        "Url=http://h/d/ab.zip"};
    EXPECT_EQ(convertText(state, crlf(input)),
              crlf({"[Reget Deluxe queue]", "Info=one", "StoreIn=C:\\dl\\setu",
                    "SaveAs=", "Url=http://h/d/setup12.exe", "Info=two", "StoreIn=C:\\dl\\f", "; comment",
                    "Url=http://h/d/file.tar.gz", "_IsOk=0", "Info=three", "StoreIn=C:\\dl\\ab.",
                    "Url=http://h/d/ab.zip"}));
}

TEST(LookAhead, UrlBeforeStoreInTakesTheNextEntrysAddressAndTheLastEntryGetsNone) {
    State state = folderFromNameState();
    const std::vector<std::string> input = {"Info=one",   "Url=http://h/d/setup12.exe", "StoreIn=D:\\1\\",
                                            "Info=two",   "Url=http://h/d/abcd.zip",    "StoreIn=D:\\2\\",
                                            "Info=three", "Url=http://h/d/abc.zip",     "StoreIn=D:\\3\\",
                                            "_IsOk=0"};
    EXPECT_EQ(convertText(state, crlf(input)),
              crlf({"Info=one", "Url=http://h/d/setup12.exe", "StoreIn=C:\\dl\\a", "Info=two",
                    "Url=http://h/d/abcd.zip", "StoreIn=C:\\dl\\abc.", "Info=three", "Url=http://h/d/abc.zip",
                    "StoreIn=C:\\dl\\", "_IsOk=0"}));
}

TEST(LookAhead, RunsOfStoreInLinesBeforeAndAfterTheLastAddress) {
    State state = folderFromNameState();
    const std::vector<std::string> input = {"StoreIn=1",
                                            "StoreIn=2",
                                            "Info=",
                                            "Url=http://h/setup12.exe",
                                            "StoreIn=3",
                                            "StoreIn=4",
                                            "Url=http://h/abcd.zip",
                                            "StoreIn=5",
                                            "StoreIn=6"};
    EXPECT_EQ(convertText(state, crlf(input)),
              crlf({"StoreIn=C:\\dl\\setu", "StoreIn=C:\\dl\\setu", "Info=", "Url=http://h/setup12.exe",
                    "StoreIn=C:\\dl\\a", "StoreIn=C:\\dl\\a", "Url=http://h/abcd.zip", "StoreIn=C:\\dl\\",
                    "StoreIn=C:\\dl\\"}));
}

TEST(LookAhead, AnAddressLineWithoutLineEndAtTheEndOfTheFileIsFound) {
    State state = folderFromNameState();
    EXPECT_EQ(convertText(state, "StoreIn=\r\nInfo=\nUrl=http://h/setup12.exe"),
              crlf({"StoreIn=C:\\dl\\setu", "Info=", "Url=http://h/setup12.exe"}));
}

TEST(LookAhead, LeavesTheReadingPositionWhereItWas) {
    State state = folderFromNameState();
    const LineReader reader(crlf({"StoreIn=", "SaveAs=", "Login=0", "Url=http://h/setup12.exe", "_IsOk=0"}));
    std::int64_t ReadPos = 1;
    EntryRewriter rewriter(state, reader, ReadPos);
    const std::string_view first = reader.ReadLineAt(ReadPos);
    const std::int64_t afterStoreIn = ReadPos;
    EXPECT_EQ(rewriter.Set_AllStatus(first), "StoreIn=C:\\dl\\setu");
    EXPECT_EQ(ReadPos, afterStoreIn);
    EXPECT_EQ(reader.ReadLineAt(ReadPos), "SaveAs=");
}

TEST(LookAhead, AFileOfStoreInLinesWithoutAddressesTakesLinearTime) {
    // Scanning to the end of the file again for every line would take minutes here.
    constexpr int kLines = 100'000;
    std::string text;
    for (int i = 0; i < kLines; ++i)
        text += "StoreIn=D:\\old\\\r\n";
    State state = folderFromNameState();
    const LineReader reader(text);
    const std::string converted = convertQueueText(state, reader);
    std::string expected;
    for (int i = 0; i < kLines; ++i)
        expected += "StoreIn=C:\\dl\\\r\n";
    EXPECT_EQ(converted, expected);
}

TEST(LookAhead, ManyStoreInLinesBeforeOneAddressAllGetItsName) {
    constexpr int kLines = 100'000;
    std::string text;
    for (int i = 0; i < kLines; ++i)
        text += "StoreIn=\r\n";
    text += "Url=http://h/setup12.exe\r\n";
    State state = folderFromNameState();
    const LineReader reader(text);
    const std::string converted = convertQueueText(state, reader);
    std::string expected;
    for (int i = 0; i < kLines; ++i)
        expected += "StoreIn=C:\\dl\\setu\r\n";
    expected += "Url=http://h/setup12.exe\r\n";
    EXPECT_EQ(converted, expected);
}

// ---------------------------------------------------------------------------------------------------
// Address rule

// A group "srv.a.b" numbered 5 in order, which also owns the addresses "localhost" and "srv.a.b" (an
// address taken into the group by its host), and address changes for two keys of a type-U group.
State addressRuleState() {
    State state;
    state.options.Option_OptMC = 1;
    state.ServerCount = 2;
    ServerRec& group = state.Servers[1];
    group.ServerName = "srv.a.b";
    group.ServerHead = "srv";
    group.ServerDomain = "a.b";
    group.SNumber[1] = 5;
    group.SNumberCount = 1;
    group.IPList[0] = {"Members", -1};
    group.IPList[1] = {"localhost", 0};
    group.IPList[2] = {"srv.a.b", 0};
    group.IPCount = 2;
    ServerRec& old = state.Servers[2];
    old.ServerName = "old.x.y";
    old.ServerHead = "old";
    old.ServerDomain = "x.y";
    old.SType = kSTypeU;
    state.DefServers[0] = {"old.x.y", "http://srv1.a.b/pub/"};
    state.DefServers[1] = {"gone.x.y", "mirror/"};
    state.DefServers[2] = {"far.x.y", "http://elsewhere.example.org/"};
    state.DefServerCount = 3;
    return state;
}

struct AddressCase {
    const char* name;
    std::array<int, 6> boxes;
    std::string line;
    std::string expected;
};

class AddressRule : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AddressRule, ChangesTheAddressThenAssignsAServer) {
    State state = addressRuleState();
    state.options.OptCheckBoxes = GetParam().boxes;
    EXPECT_EQ(convertText(state, crlf({GetParam().line})), crlf({GetParam().expected}));
}

const std::array<int, 6> kServerChange = {0, 1, 0, 0, 0, 0};
const std::array<int, 6> kAddressAndServerChange = {0, 1, 0, 0, 1, 0};

INSTANTIATE_TEST_SUITE_P(
    Lines, AddressRule,
    ::testing::Values(AddressCase{"AssignsAServer", kServerChange, "Url=http://srv3.a.b/x.zip",
                                  "Url=http://srv5.a.b/x.zip"},
                      // Without the check the address match would take these hosts into the group.
                      AddressCase{"NoDotInTheHost", kServerChange, "Url=http://localhost/a.zip",
                                  "Url=http://localhost/a.zip"},
                      AddressCase{"NoSlashAfterTheHost", kServerChange, "Url=http://srv.a.b",
                                  "Url=http://srv.a.b"},
                      AddressCase{"NoDoubleSlash", kServerChange, "Url=srv3.a.b/x.zip", "Url=srv3.a.b/x.zip"},
                      AddressCase{"DoubleSlashOnlyInThePath", kServerChange, "Url=srv3.a.b/x//y.zip",
                                  "Url=srv3.a.b/x//y.zip"},
                      AddressCase{"MovedThenAssigned", kAddressAndServerChange, "Url=http://old.x.y/f.zip",
                                  "Url=http://srv5.a.b/pub/f.zip"},
                      AddressCase{"MovedAndNothingElseApplies", kAddressAndServerChange,
                                  "Url=http://far.x.y/f.zip", "Url=http://elsewhere.example.org/f.zip"},
                      AddressCase{"MovedToAnAddressWithoutDoubleSlash", kAddressAndServerChange,
                                  "Url=http://gone.x.y/f.zip", "Url=mirror/f.zip"},
                      AddressCase{"NoAddressChangeMatchesAndTheServerStepRuns", kAddressAndServerChange,
                                  "Url=http://srv3.a.b/x.zip", "Url=http://srv5.a.b/x.zip"},
                      AddressCase{"AddressChangeAloneMoves",
                                  {0, 0, 0, 0, 1, 0},
                                  "Url=http://old.x.y/f.zip",
                                  "Url=http://srv1.a.b/pub/f.zip"}),
    [](const auto& info) { return std::string(info.param.name); });

// The conversion copies lines that come back as the very input it passed in as runs of the file's bytes.
TEST(AddressRuleBuffers, LinesThatNoStepChangesComeBackAsTheInputItself) {
    State state = addressRuleState();
    state.options.OptCheckBoxes = {0, 1, 1, 0, 1, 0};
    prepareForFile(state);
    const LineReader reader("");
    std::int64_t ReadPos = 1;
    EntryRewriter rewriter(state, reader, ReadPos);
    for (const std::string line : {"Url=http://www.example.org/f.zip", "Url=http://localhost/f.zip", "Url=x",
                                   "StoreIn=D:\\old\\", "Info="}) {
        const std::string_view result = rewriter.Set_AllStatus(line);
        EXPECT_EQ(result.data(), line.data()) << line;
        EXPECT_EQ(result.size(), line.size()) << line;
    }
}

TEST(AddressRuleBuffers, ALineThatTheRewriterReturnedCanBeRewrittenAgain) {
    State state = addressRuleState();
    state.options.OptCheckBoxes = kAddressAndServerChange;
    prepareForFile(state);
    const LineReader reader("");
    std::int64_t ReadPos = 1;
    EntryRewriter rewriter(state, reader, ReadPos);
    const std::string_view once = rewriter.Set_AllStatus("Url=http://old.x.y/f.zip");
    ASSERT_EQ(once, "Url=http://srv5.a.b/pub/f.zip");
    EXPECT_EQ(rewriter.Set_AllStatus(once), "Url=http://srv5.a.b/pub/f.zip");
}

// ---------------------------------------------------------------------------------------------------
// Address decomposition

TEST(AddressParts, CutsALineAtItsSchemeAndHost) {
    const auto parts = AddressParts::fromLine("Url=http://srv.a.b.c/x/y.zip");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->head(), "Url=http://");
    EXPECT_EQ(parts->rest(), "srv.a.b.c/x/y.zip");
    EXPECT_TRUE(parts->hasDottedHost());
    EXPECT_EQ(parts->host(), "srv.a.b.c");
    EXPECT_EQ(parts->path(), "x/y.zip");
    EXPECT_EQ(parts->dom1(), "a.b.c");
    EXPECT_EQ(parts->dom2(), "b.c");
    EXPECT_EQ(parts->tail1(), "a.b.c/x/y.zip");
    EXPECT_EQ(parts->firstLabel(), "srv");
    EXPECT_EQ(parts->firstTwoLabels(), "srv.a");
}

TEST(AddressParts, HostsWithFewDotsAndDotsInThePath) {
    const AddressParts oneDot("http://", "srv.a/x.y/z");
    EXPECT_EQ(oneDot.dom1(), "a");
    EXPECT_EQ(oneDot.dom2(), std::nullopt) << "the second dot lies in the path";

    const AddressParts noDot("http://", "localhost/a.zip");
    EXPECT_FALSE(noDot.hasDottedHost());
    EXPECT_EQ(noDot.dom1(), std::nullopt) << "the first dot lies in the path";

    const AddressParts noDotAnywhere("http://", "host1/y");
    EXPECT_EQ(noDotAnywhere.dom1(), "host1");
    EXPECT_EQ(noDotAnywhere.tail1(), "host1/y");

    const AddressParts noSlash("http://", "srv.a.b");
    EXPECT_FALSE(noSlash.hasDottedHost());
    EXPECT_EQ(noSlash.path(), "");
}

TEST(AddressParts, TheSchemeIsLookedForFromTheFifthCharacterOn) {
    const auto parts = AddressParts::fromLine("Url=//srv.a.b/x");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->head(), "Url=//");
    EXPECT_FALSE(AddressParts::fromLine("Url=http:/srv.a.b/x"));
}

} // namespace
} // namespace tamarisk::core
