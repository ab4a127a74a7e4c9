#include "core/urlsplit.h"
#include "settings/relocationfile.h"
#include "support/testutil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace tamarisk::settings {
namespace {

using test::PrintTo;

using test::crlf;
using test::TempDir;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// One server group a.b whose keys are whole hosts, as a settings file "SERVER:srv.a.b", "STYPE:U" gives.
core::State stateWithGroup(std::uint8_t type = core::kSTypeU) {
    core::State state;
    state.ServerCount = 1;
    state.Servers[1].ServerName = "srv.a.b";
    state.Servers[1].ServerHead = "srv";
    state.Servers[1].ServerDomain = "a.b";
    state.Servers[1].SType = type;
    return state;
}

RelocationResult loadText(core::State& state, const std::string& bytes) {
    TempDir dir;
    test::writeFile(dir / "move.txt", bytes);
    const RelocationResult result = loadRelocationFile(state, dir / "move.txt");
    EXPECT_TRUE(result.loaded) << result.error;
    return result;
}

const core::DefServerRec& entry(const core::State& state, int i) {
    return state.DefServers[static_cast<std::size_t>(i)];
}

// ---- One line ----

struct PairCase {
    const char* name;
    std::string line;
    std::string item;
    std::string key;
    std::string path;
};

class RelocationPairTest : public ::testing::TestWithParam<PairCase> {};

TEST_P(RelocationPairTest, AddsOnePair) {
    const PairCase& c = GetParam();
    core::State state = stateWithGroup();
    const RelocationResult result = loadText(state, crlf({c.line}));
    EXPECT_EQ(result.added, 1);
    EXPECT_EQ(result.skipped, 0);
    ASSERT_EQ(state.DefServerCount, 1);
    EXPECT_THAT(state.defServerItems, ElementsAre(c.item));
    EXPECT_EQ(entry(state, 0).DefKey, c.key);
    EXPECT_EQ(entry(state, 0).DefPath, c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RelocationPairTest,
    ::testing::Values(
        PairCase{"SlashAppended", "http://srv.a.b/x/,new/dir", "http://srv.a.b/x/", "srv.a.b", "new/dir/"},
        PairCase{"SlashKept", "http://srv.a.b/,http://m.c.d/pub/", "http://srv.a.b/", "srv.a.b",
                 "http://m.c.d/pub/"},
        PairCase{"BlankAfterCommaStays", "http://srv.a.b/, http://m/", "http://srv.a.b/", "srv.a.b",
                 " http://m/"},
        PairCase{"EndsWithCommaGivesSlash", "http://srv.a.b/,", "http://srv.a.b/", "srv.a.b", "/"},
        PairCase{"FurtherCommasBelongToPath", "http://srv.a.b/,a,b", "http://srv.a.b/", "srv.a.b", "a,b/"},
        PairCase{"AddressNotTrimmed", " http://srv.a.b/ ,p/", " http://srv.a.b/ ", "srv.a.b", "p/"},
        PairCase{"HostWithoutDotIsItsOwnKey", "http://host1/y,p/", "http://host1/y", "host1", "p/"},
        PairCase{"DoubleBytePath", "http://srv.a.b/,D:\\\x95\x5C\x8E\xA6", "http://srv.a.b/", "srv.a.b",
                 "D:\\\x95\x5C\x8E\xA6/"}),
    [](const ::testing::TestParamInfo<PairCase>& info) { return std::string(info.param.name); });

// ---- Lines that add nothing ----

struct SkipCase {
    const char* name;
    std::string file;
};

class RelocationSkipTest : public ::testing::TestWithParam<SkipCase> {};

TEST_P(RelocationSkipTest, ChangesNothing) {
    core::State state = stateWithGroup();
    const RelocationResult result = loadText(state, GetParam().file);
    EXPECT_EQ(result.added, 0);
    EXPECT_EQ(result.skipped, 1);
    EXPECT_EQ(state.DefServerCount, 0);
    EXPECT_THAT(state.defServerItems, IsEmpty());
    EXPECT_EQ(state.defServerSelected, -1);
}

INSTANTIATE_TEST_SUITE_P(Cases, RelocationSkipTest,
                         ::testing::Values(SkipCase{"NoComma", crlf({"http://srv.a.b/x/ new/"})},
                                           SkipCase{"EmptyLine", crlf({""})},
                                           SkipCase{"DomainOfNoGroup", crlf({"http://srv.c.d/x/,p/"})},
                                           SkipCase{"EmptyAddress", crlf({",p/"})}),
                         [](const ::testing::TestParamInfo<SkipCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(RelocationFileTest, WithoutServerGroupsNothingIsAdded) {
    // Keys depend on the groups of the settings file, which is why it is read first.
    core::State state;
    const RelocationResult result = loadText(state, crlf({"http://host1/,p/", "http://srv.a.b/,q/"}));
    EXPECT_EQ(result.added, 0);
    EXPECT_EQ(result.skipped, 2);
    EXPECT_EQ(state.DefServerCount, 0);
}

TEST(RelocationFileTest, EmptyKeyEntryIsTakenByTheNextAcceptedLine) {
    core::State state = stateWithGroup();
    const RelocationResult result = loadText(state, crlf({"http://srv.c.d/x/,p1", "http://srv.a.b/x/,p2"}));
    EXPECT_EQ(result.added, 1);
    EXPECT_EQ(result.skipped, 1);
    ASSERT_EQ(state.DefServerCount, 1);
    EXPECT_THAT(state.defServerItems, ElementsAre("http://srv.a.b/x/"));
    EXPECT_EQ(entry(state, 0).DefKey, "srv.a.b");
    EXPECT_EQ(entry(state, 0).DefPath, "p2/");
}

TEST(RelocationFileTest, FirstPairOfAnAddressWins) {
    core::State state = stateWithGroup();
    const RelocationResult result = loadText(
        state, crlf({"http://srv.a.b/x/,first", "http://srv.a.b/x/,second", "HTTP://srv.a.b/x/,third"}));
    EXPECT_EQ(result.added, 2); // the comparison is case-sensitive
    EXPECT_EQ(result.skipped, 1);
    EXPECT_THAT(state.defServerItems, ElementsAre("http://srv.a.b/x/", "HTTP://srv.a.b/x/"));
    EXPECT_EQ(entry(state, 0).DefPath, "first/");
    EXPECT_EQ(entry(state, 1).DefPath, "third/");
}

TEST(RelocationFileTest, TypedAddressWins) {
    core::State state = stateWithGroup();
    state.defServerItems = {"http://srv.a.b/x/"};
    state.DefServers[0] = {"srv.a.b", "typed/"};
    state.DefServerCount = 1;
    const RelocationResult result = loadText(state, crlf({"http://srv.a.b/x/,loaded"}));
    EXPECT_EQ(result.added, 0);
    EXPECT_EQ(entry(state, 0).DefPath, "typed/");
}

TEST(RelocationFileTest, LoadingTwiceAddsNothingTheSecondTime) {
    core::State state = stateWithGroup();
    const std::string file = crlf({"http://srv.a.b/1/,p", "http://x/,q", "no comma"});
    EXPECT_EQ(loadText(state, file).added, 2);
    const RelocationResult again = loadText(state, file);
    EXPECT_EQ(again.added, 0);
    EXPECT_EQ(again.skipped, 3);
    EXPECT_EQ(state.DefServerCount, 2);
}

TEST(RelocationFileTest, AtMost255Entries) {
    core::State state = stateWithGroup();
    std::string file;
    for (int i = 0; i < 300; ++i)
        file += "http://s" + std::to_string(i) + ".a.b/,p" + std::to_string(i) + "\r\n";
    const RelocationResult result = loadText(state, file);
    EXPECT_EQ(result.added, 255);
    EXPECT_EQ(result.skipped, 45);
    EXPECT_EQ(state.DefServerCount, 255);
    EXPECT_EQ(state.defServerItems.size(), 255u);
    EXPECT_EQ(state.defServerItems.back(), "http://s254.a.b/");
    EXPECT_EQ(entry(state, 254).DefPath, "p254/");
    EXPECT_TRUE(entry(state, 255).DefKey.empty()); // the array's last entry stays empty
}

TEST(RelocationFileTest, LineEndsAndLastLineWithoutTerminator) {
    core::State state = stateWithGroup();
    const RelocationResult result = loadText(state, "http://a1/,p\nhttp://a2/,q\rhttp://a3/,r");
    EXPECT_EQ(result.added, 3);
    EXPECT_THAT(state.defServerItems, ElementsAre("http://a1/", "http://a2/", "http://a3/"));
    EXPECT_EQ(entry(state, 2).DefPath, "r/");
}

// ---- Selection ----

TEST(RelocationSelectionTest, FirstItemIsSelectedWhenNoneIs) {
    core::State state = stateWithGroup();
    state.DefServerIndex = 7;
    loadText(state, crlf({"http://a1/,p", "http://a2/,q"}));
    EXPECT_EQ(state.defServerSelected, 0);
    EXPECT_EQ(state.DefServerIndex, 0);
}

TEST(RelocationSelectionTest, SelectionIsKept) {
    core::State state = stateWithGroup();
    state.defServerItems = {"http://t1/", "http://t2/"};
    state.DefServers[0] = {"t1", "x/"};
    state.DefServers[1] = {"t2", "y/"};
    state.DefServerCount = 2;
    state.defServerSelected = 1;
    state.DefServerIndex = 1;
    loadText(state, crlf({"http://a1/,p"}));
    EXPECT_EQ(state.defServerSelected, 1);
    EXPECT_EQ(state.DefServerIndex, 1);
    EXPECT_EQ(state.DefServerCount, 3);
}

TEST(RelocationSelectionTest, TypedItemsGetSelectedByAnAcceptedLine) {
    // A line that reaches the end of the steps selects item 0, even when its own key was empty.
    core::State state = stateWithGroup();
    state.defServerItems = {"http://t1/"};
    state.DefServers[0] = {"t1", "x/"};
    state.DefServerCount = 1;
    loadText(state, crlf({"http://srv.c.d/,p"}));
    EXPECT_EQ(state.defServerSelected, 0);
    EXPECT_EQ(state.DefServerCount, 1);
}

TEST(RelocationSelectionTest, SkippedLinesSelectNothing) {
    core::State state = stateWithGroup();
    state.defServerItems = {"http://t1/"};
    state.DefServers[0] = {"t1", "x/"};
    state.DefServerCount = 1;
    loadText(state, crlf({"no comma", "http://t1/,again"}));
    EXPECT_EQ(state.defServerSelected, -1);
}

// ---- The pairs at work, and a file that cannot be read ----

TEST(RelocationFileTest, LoadedPairsMoveAddresses) {
    core::State state = stateWithGroup(core::kSTypeF);
    loadText(state, crlf({"http://old.a.b/music/,http://new.example/archive"}));
    EXPECT_EQ(core::UrlChai(state, "http://srv.a.b/music/2001/f.mp3"),
              "http://new.example/archive/2001/f.mp3");
    EXPECT_EQ(core::UrlChai(state, "http://srv.a.b/video/f.avi"), "http://srv.a.b/video/f.avi");
}

struct UnreadableCase {
    const char* name;
    std::string reason;
    void (*make)(const TempDir& dir); // makes dir/"x"/"move.txt" unreadable
};

class RelocationUnreadableTest : public ::testing::TestWithParam<UnreadableCase> {};

TEST_P(RelocationUnreadableTest, NothingAddedAndFileNamed) {
    TempDir dir;
    GetParam().make(dir);
    const std::filesystem::path file = dir / "x" / "move.txt";
    core::State state = stateWithGroup();
    const RelocationResult result = loadRelocationFile(state, file);
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ(result.error, "cannot read " + file.string() + ": " + GetParam().reason);
    EXPECT_EQ(result.added, 0);
    EXPECT_EQ(state.DefServerCount, 0);
    EXPECT_EQ(state.defServerSelected, -1);
    EXPECT_FALSE(std::filesystem::exists(file) && std::filesystem::is_regular_file(file));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RelocationUnreadableTest,
    ::testing::Values(
        UnreadableCase{"Missing", "No such file or directory",
                       [](const TempDir& dir) { std::filesystem::create_directory(dir / "x"); }},
        UnreadableCase{
            "Folder", "Is a directory",
            [](const TempDir& dir) { std::filesystem::create_directories(dir / "x" / "move.txt"); }},
        UnreadableCase{"PathUnderARegularFile", test::kNotADirectory,
                       [](const TempDir& dir) { test::writeFile(dir / "x", "http://srv.a.b/,p\r\n"); }}),
    [](const ::testing::TestParamInfo<UnreadableCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace tamarisk::settings
