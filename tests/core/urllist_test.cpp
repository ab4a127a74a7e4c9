#include "core/urllist.h"

#include "core/driver.h"
#include "support/testutil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace tamarisk::core;
using tamarisk::test::crlf;
using tamarisk::test::readFile;
using tamarisk::test::TempDir;
using tamarisk::test::writeFile;

namespace {

std::string entryFor(const std::string& address) {
    return crlf({"Info=", "StoreIn=", "SaveAs=", "Advanced=0", "Login=0", "Password=", "UserName=", "_IsOk=0",
                 "Url=" + address});
}

// Answers the overwrite question and counts how often it was asked.
class Answer : public ConversionHooks {
public:
    explicit Answer(bool yes) : m_yes(yes) {}
    bool confirmOverwrite(const std::filesystem::path& existing) override {
        asked.push_back(existing);
        return m_yes;
    }
    std::vector<std::filesystem::path> asked;

private:
    bool m_yes;
};

// One server group with key type U and the change srv.a.b -> http://m.c.d/pub/.
State withAddressChange() {
    State state;
    state.ServerCount = 1;
    state.Servers[1].ServerName = "a.b";
    state.Servers[1].ServerDomain = "a.b";
    state.Servers[1].SType = kSTypeU;
    state.DefServers[0] = {"srv.a.b", "http://m.c.d/pub/"};
    state.DefServerCount = 1;
    state.defServerItems = {"http://srv.a.b/"};
    state.options.OptCheckBoxes[kOptAddressChange] = 1;
    state.options.ListCheckBox[0] = 1;
    return state;
}

TEST(UrlList, AddressLinesBeginWithHttpInAnyCase) {
    const std::string list =
        "http://a.b.c/1.zip\r\nHTTP://A.B.C/2.zip comment here\r\n  http://lead/blank\r\n"
        "ftp://x/y\r\nhttps://x/y\r\n\r\n; comment\r\nhttp://t.a.b/x\ty z\r\nhttp:/x\n";
    EXPECT_EQ(makeQueueText(LineReader(list)), entryFor("http://a.b.c/1.zip") +
                                                   entryFor("HTTP://A.B.C/2.zip") +
                                                   entryFor("http://t.a.b/x\ty"));
    EXPECT_EQ(makeQueueText(LineReader("no addresses\r\n")), "");
}

TEST(UrlList, MakesAQueueAndConvertsIt) {
    TempDir dir;
    writeFile(dir / "LIST.TXT", "http://a.b.c/f.zip\n");
    State state;
    state.options.OptCheckBoxes[kOptReferer] = 1;
    Answer hooks(false);
    const FileResult result = Chenge_Wrg(state, dir / "LIST.TXT", hooks);
    EXPECT_EQ(result.outcome, Outcome::Converted) << result.error;
    EXPECT_EQ(readFile(dir / "LIST.wrg"), entryFor("http://a.b.c/f.zip"));
    EXPECT_THAT(readFile(dir / "LIST.wr2"), testing::HasSubstr("RefererStr=http://a.b.c/f.zip\r\n"));
    EXPECT_EQ(result.written, (std::vector<std::filesystem::path>{dir / "LIST.wrg", dir / "LIST.wr2"}));
    EXPECT_TRUE(hooks.asked.empty());
}

TEST(UrlList, EmptyListGivesEmptyQueueAndEmptyShuffledFile) {
    TempDir dir;
    writeFile(dir / "l.lst", "nothing here\r\n");
    State state;
    state.options.OptCheckBoxes[kOptShuffle] = 1;
    Answer hooks(false);
    EXPECT_EQ(Chenge_Wrg(state, dir / "l.lst", hooks).outcome, Outcome::Converted);
    EXPECT_EQ(readFile(dir / "l.wrg"), "");
    EXPECT_EQ(readFile(dir / "l.wrs"), "");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"l.lst", "l.wrg", "l.wrs"}));
}

TEST(UrlList, ExistingQueueIsKeptWhenTheAnswerIsNo) {
    TempDir dir;
    writeFile(dir / "l.dat", "http://a.b.c/f.zip\r\n");
    writeFile(dir / "l.wrg", "old\r\n");
    State state;
    Answer hooks(false);
    const FileResult result = Chenge_Wrg(state, dir / "l.dat", hooks);
    EXPECT_EQ(result.outcome, Outcome::Declined);
    EXPECT_EQ(hooks.asked, std::vector<std::filesystem::path>{dir / "l.wrg"});
    EXPECT_EQ(readFile(dir / "l.wrg"), "old\r\n");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"l.dat", "l.wrg"}));
}

TEST(UrlList, ExistingQueueIsReplacedAndConvertedWhenTheAnswerIsYes) {
    TempDir dir;
    writeFile(dir / "l.txt", "http://a.b.c/f.zip\r\n");
    writeFile(dir / "l.wrg", "old\r\n");
    State state;
    Answer hooks(true);
    EXPECT_EQ(Chenge_Wrg(state, dir / "l.txt", hooks).outcome, Outcome::Converted);
    EXPECT_EQ(readFile(dir / "l.wrg"), entryFor("http://a.b.c/f.zip"));
    EXPECT_EQ(readFile(dir / "l.wr2"), entryFor("http://a.b.c/f.zip"));
}

TEST(UrlList, QueueThatCannotBeMadeIsNotConverted) {
    TempDir dir;
    writeFile(dir / "l.txt", "http://a.b.c/f.zip\r\n");
    std::filesystem::create_directory(dir / "l.wrg");
    State state;
    Answer hooks(true);
    const FileResult result = Chenge_Wrg(state, dir / "l.txt", hooks);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.error, "cannot create " + (dir / "l.wrg").string() + ": Is a directory");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"l.txt", "l.wrg"}));
}

TEST(UrlList, EitherOptionAloneMakesAQueue) {
    for (const bool addressChange : {true, false}) {
        TempDir dir;
        writeFile(dir / "l.txt", "http://srv.a.b/x\r\n");
        State state = withAddressChange();
        state.options.OptCheckBoxes[kOptAddressChange] = addressChange ? 1 : 0;
        state.options.ListCheckBox[0] = addressChange ? 0 : 1;
        Answer hooks(false);
        EXPECT_EQ(Chenge_Wrg(state, dir / "l.txt", hooks).outcome, Outcome::Converted);
        EXPECT_EQ(readFile(dir / "l.txt"), "http://srv.a.b/x\r\n");
        EXPECT_TRUE(std::filesystem::exists(dir / "l.wrg"));
    }
}

TEST(UrlList, BothOptionsRewriteTheListInPlace) {
    TempDir dir;
    writeFile(dir / "l.txt", "http://srv.a.b/x/f.zip\n\nhttp://other.host/y\r\nhttp://srv.a.b\r\n");
    std::filesystem::permissions(dir / "l.txt", std::filesystem::perms(0640));
    State state = withAddressChange();
    state.options.OptCheckBoxes[kOptAddressChange] = 2; // any value but 0 counts for lists
    state.options.ListCheckBox[0] = 2;
    Answer hooks(false);
    const FileResult result = Chenge_Wrg(state, dir / "l.txt", hooks);
    EXPECT_EQ(result.outcome, Outcome::RewrittenInPlace) << result.error;
    // One line out for every line in; an address that ends with its key gives the prefix alone.
    EXPECT_EQ(readFile(dir / "l.txt"),
              crlf({"http://m.c.d/pub/x/f.zip", "", "http://other.host/y", "http://m.c.d/pub/"}));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"l.txt"});
#ifndef _WIN32 // Windows files have no permission bits beyond "read-only"
    EXPECT_EQ(std::filesystem::status(dir / "l.txt").permissions(), std::filesystem::perms(0640));
#endif
}

#ifndef _WIN32 // symbolic links need a privilege on Windows
TEST(UrlList, RewriteFollowsASymbolicLinkAndKeepsIt) {
    TempDir dir;
    std::filesystem::create_directory(dir / "real");
    writeFile(dir / "real" / "l.txt", "http://srv.a.b/x\r\n");
    std::filesystem::create_symlink(dir / "real" / "l.txt", dir / "link.txt");
    State state = withAddressChange();
    Answer hooks(false);
    EXPECT_EQ(Chenge_Wrg(state, dir / "link.txt", hooks).outcome, Outcome::RewrittenInPlace);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
    EXPECT_EQ(readFile(dir / "real" / "l.txt"), "http://m.c.d/pub/x\r\n");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"link.txt", "real"}));
}
#endif

TEST(UrlList, ReadOnlyListIsNotReplaced) {
    TempDir dir;
    writeFile(dir / "l.txt", "http://srv.a.b/x\r\n");
    std::filesystem::permissions(dir / "l.txt", std::filesystem::perms(0444));
    State state = withAddressChange();
    Answer hooks(false);
    const FileResult result = Chenge_Wrg(state, dir / "l.txt", hooks);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_THAT(result.error, testing::HasSubstr("Permission denied"));
    EXPECT_EQ(readFile(dir / "l.txt"), "http://srv.a.b/x\r\n");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"l.txt"});
}

TEST(UrlList, TemporaryNameNeverTakesAnExistingFile) {
    TempDir dir;
    writeFile(dir / "l.txt", "http://srv.a.b/x\r\n");
    // The name the first draw of this seed gives: l.$$$ then 1000 x r in hexadecimal.
    Random preview(99);
    char hex[16];
    std::snprintf(hex, sizeof hex, "%lX", std::lrint(1000.0 * preview.next()));
    const std::string taken = std::string("l.$$$") + hex;
    writeFile(dir / taken, "someone else's file");
    State state = withAddressChange();
    state.random.seed(99);
    Answer hooks(false);
    EXPECT_EQ(Chenge_Wrg(state, dir / "l.txt", hooks).outcome, Outcome::RewrittenInPlace);
    EXPECT_EQ(readFile(dir / taken), "someone else's file");
    EXPECT_EQ(readFile(dir / "l.txt"), "http://m.c.d/pub/x\r\n");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{taken, "l.txt"}));
}

} // namespace
