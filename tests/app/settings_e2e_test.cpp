// The settings file and the relocation file through the built program: which file a run uses, when it is
// written, and what a file that cannot be read or written does. Every test keeps its files in its own
// temporary folder and names the settings file there, or runs a copy of the program from that folder.

#include "support/testutil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

namespace tamarisk::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const std::string kProgram = TAMARISK_BINARY;

const std::string kDefaultHeader = crlf({"GCPATH:", "FSPATH:", "WEJNUM:", "WEJNAM:at", "CHKB0:0", "CHKB1:0",
                                         "CHKB2:0", "CHKB3:0", "CHKB4:0", "CHKB5:0", "CHKLL:0", "CHK7A:0"});

const std::string kQueue = crlf({"Info=", "StoreIn=C:\\dl", "Url=http://srv.a.b/x/f.zip"});

std::string settingsFlag(const std::filesystem::path& file) {
    return "--settings=" + file.string();
}

// A folder with a queue file q.wrg.
class Workspace {
public:
    Workspace() { writeFile(queue(), kQueue); }
    std::filesystem::path queue() const { return m_dir / "q.wrg"; }
    std::filesystem::path converted() const { return m_dir / "q.wr2"; }
    std::filesystem::path settings() const { return m_dir / "tamcfg.dat"; }
    const TempDir& dir() const { return m_dir; }

    RunResult run(std::vector<std::string> flags, const RunOptions& options = {}) const {
        flags.push_back(queue().string());
        return test::run(kProgram, flags, options);
    }

private:
    TempDir m_dir;
};

struct FileIdentity {
    std::string bytes;
    ino_t inode = 0;
    std::filesystem::file_time_type modified;
};

FileIdentity identity(const std::filesystem::path& file) {
    struct stat st {};
    EXPECT_EQ(::stat(file.c_str(), &st), 0);
    return {readFile(file), st.st_ino, std::filesystem::last_write_time(file)};
}

void expectUntouched(const FileIdentity& before, const std::filesystem::path& file) {
    const FileIdentity after = identity(file);
    EXPECT_EQ(after.bytes, before.bytes);
    EXPECT_EQ(after.inode, before.inode);
    EXPECT_TRUE(after.modified == before.modified);
}

// ---- When the settings are saved ----

TEST(SettingsRunTest, FirstRunCreatesTheFileAndLeavesTwelveLines) {
    const Workspace ws;
    const RunResult r = ws.run({settingsFlag(ws.settings())});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(ws.settings()), kDefaultHeader);
    EXPECT_TRUE(std::filesystem::exists(ws.converted()));
    EXPECT_THAT(ws.dir().names(), ElementsAre("q.wr2", "q.wrg", "tamcfg.dat"));
}

TEST(SettingsRunTest, FileIsCreatedEmptyAtStart) {
    // A run that stops before saving shows the file as the start left it.
    const Workspace ws;
    const RunResult r =
        ws.run({settingsFlag(ws.settings()), "--relocation-file=" + (ws.dir() / "none.txt").string()});
    EXPECT_EQ(r.status, 1);
    ASSERT_TRUE(std::filesystem::is_regular_file(ws.settings()));
    EXPECT_EQ(readFile(ws.settings()), "");
}

TEST(SettingsRunTest, SecondRunKeepsTheFile) {
    const Workspace ws;
    writeFile(ws.settings(),
              crlf({"SERVER:aa3.bb.cc", "SKIMEUCHI:4", "chkb3:1", "FSPATH:D:\\\x95\x5C", "SKI:summer"}));
    ASSERT_EQ(ws.run({settingsFlag(ws.settings())}).status, 0);
    const std::string first = readFile(ws.settings());
    EXPECT_EQ(first, crlf({"GCPATH:", "FSPATH:D:\\\x95\x5C", "WEJNUM:", "WEJNAM:at", "CHKB0:0", "CHKB1:0",
                           "CHKB2:0", "CHKB3:1", "CHKB4:0", "CHKB5:0", "CHKLL:0", "CHK7A:0",
                           "SERVER:aa3.bb.cc", "SKIMEUCHI:4", "SKI:summer"}));
    ASSERT_EQ(ws.run({settingsFlag(ws.settings())}).status, 0);
    EXPECT_EQ(readFile(ws.settings()), first);
}

TEST(SettingsRunTest, RoundTripOfAHandEditedFile) {
    const Workspace ws;
    const std::filesystem::path data = std::filesystem::path(TAMARISK_TEST_DATA) / "settings";
    std::filesystem::copy_file(data / "roundtrip.dat", ws.settings());
    const RunResult r = ws.run({settingsFlag(ws.settings())});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(ws.settings()), readFile(data / "roundtrip-expected.dat"));
}

class OptionFlagRunTest : public ::testing::TestWithParam<std::string> {};

TEST_P(OptionFlagRunTest, FileIsReadButNotWritten) {
    const Workspace ws;
    writeFile(ws.settings(), crlf({"CHKB0:1", "MEMO:kept as it is"}));
    const FileIdentity before = identity(ws.settings());
    const RunResult r = ws.run({settingsFlag(ws.settings()), GetParam()});
    ASSERT_EQ(r.status, 0) << r.err;
    expectUntouched(before, ws.settings());
}

INSTANTIATE_TEST_SUITE_P(Flags, OptionFlagRunTest,
                         ::testing::Values("--shuffle", "--shuffle=off", "--referer", "--server-change=off",
                                           "--members7a", "--webjump=off", "--save-folder=off",
                                           "--folder-from-name", "--address-change=off", "--keep-lists",
                                           "--assign=in-order", "--webjump-number=5", "--webjump-name=jp",
                                           "--folder=/tmp/x"));

class OtherFlagRunTest : public ::testing::TestWithParam<std::string> {};

TEST_P(OtherFlagRunTest, FileIsSaved) {
    const Workspace ws;
    writeFile(ws.settings(), crlf({"CHKB0:1", "MEMO:kept"}));
    writeFile(ws.dir() / "move.txt", crlf({"http://srv.a.b/,http://m/"}));
    std::string flag = GetParam();
    if (const std::size_t at = flag.find("MOVE"); at != std::string::npos)
        flag.replace(at, 4, (ws.dir() / "move.txt").string());
    const RunResult r = ws.run({settingsFlag(ws.settings()), flag});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(ws.settings()),
              crlf({"GCPATH:", "FSPATH:", "WEJNUM:", "WEJNAM:at", "CHKB0:1", "CHKB1:0", "CHKB2:0", "CHKB3:0",
                    "CHKB4:0", "CHKB5:0", "CHKLL:0", "CHK7A:0", "MEMO:kept"}));
}

INSTANTIATE_TEST_SUITE_P(Flags, OtherFlagRunTest,
                         ::testing::Values("--seed=7", "--overwrite=no", "--verbose",
                                           "--relocation-file=MOVE"));

// ---- Which file ----

TEST(SettingsLocationTest, DefaultFileIsBesideTheProgram) {
    const TempDir programDir;
    const TempDir config;
    const Workspace ws;
    const std::filesystem::path copy = programDir / "tamarisk";
    std::filesystem::copy_file(kProgram, copy);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_all);
    RunOptions options;
    options.environment = {"XDG_CONFIG_HOME=" + config.path().string(), "HOME=" + config.path().string()};
    options.cwd = ws.dir().path();
    const RunResult r = run(copy.string(), {"--verbose", ws.queue().string()}, options);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("settings file: " + (programDir / "tamcfg.dat").string() + "\n"));
    EXPECT_EQ(readFile(programDir / "tamcfg.dat"), kDefaultHeader);
    EXPECT_THAT(config.names(), IsEmpty());
    EXPECT_THAT(ws.dir().names(), ElementsAre("q.wr2", "q.wrg"));
}

TEST(SettingsLocationTest, VerboseNamesTheSettingsFile) {
    const Workspace ws;
    const RunResult r = ws.run({settingsFlag(ws.settings()), "-v"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("settings file: " + ws.settings().string() + "\n"));
}

// ---- Failures ----

TEST(SettingsFailureTest, FolderInPlaceOfTheFileWarnsConvertsAndWritesNothing) {
    const Workspace ws;
    std::filesystem::create_directory(ws.settings());
    const RunResult r = ws.run({settingsFlag(ws.settings())});
    EXPECT_EQ(r.status, 0);
    EXPECT_THAT(r.err, HasSubstr("warning"));
    EXPECT_THAT(r.err, HasSubstr("cannot read " + ws.settings().string() + ": Is a directory"));
    EXPECT_EQ(readFile(ws.converted()), kQueue);
    EXPECT_TRUE(std::filesystem::is_empty(ws.settings()));
    EXPECT_THAT(ws.dir().names(), ElementsAre("q.wr2", "q.wrg", "tamcfg.dat"));
}

TEST(SettingsFailureTest, PathUnderARegularFileWarnsAndWritesNothing) {
    const Workspace ws;
    const std::filesystem::path blocker = ws.dir() / "config";
    writeFile(blocker, "not a folder\r\n");
    const std::filesystem::path file = blocker / "tamcfg.dat";
    const RunResult r = ws.run({settingsFlag(file)});
    EXPECT_EQ(r.status, 0);
    EXPECT_THAT(r.err, HasSubstr("cannot read " + file.string() + ": Not a directory"));
    EXPECT_EQ(readFile(blocker), "not a folder\r\n");
    EXPECT_EQ(readFile(ws.converted()), kQueue);
}

TEST(SettingsFailureTest, FullDeviceKeepsTheOldFile) {
    const Workspace ws;
    // The queue is converted within the limit; the settings, with a long line kept, are not.
    const std::string old = crlf({"CHKLL:1", "MEMO:" + std::string(6000, 'x')});
    writeFile(ws.settings(), old);
    RunOptions options;
    options.fileSizeLimit = 4096;
    const RunResult r = ws.run({settingsFlag(ws.settings())}, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("cannot write " + ws.settings().string() + ": File too large"));
    EXPECT_THAT(r.err, HasSubstr("not saved"));
    EXPECT_EQ(readFile(ws.settings()), old);
    EXPECT_EQ(readFile(ws.converted()), kQueue);
    EXPECT_THAT(ws.dir().names(), ElementsAre("q.wr2", "q.wrg", "tamcfg.dat"));
}

TEST(RelocationRunTest, MissingRelocationFileStopsBeforeConverting) {
    const Workspace ws;
    writeFile(ws.settings(), crlf({"CHKB0:1"}));
    const FileIdentity before = identity(ws.settings());
    const std::filesystem::path missing = ws.dir() / "moves.txt";
    const RunResult r = ws.run({settingsFlag(ws.settings()), "--relocation-file=" + missing.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("cannot read " + missing.string() + ": No such file or directory"));
    EXPECT_FALSE(std::filesystem::exists(ws.converted()));
    expectUntouched(before, ws.settings());
}

TEST(RelocationRunTest, VerboseCountsPairsAndSkippedLines) {
    const Workspace ws;
    writeFile(ws.settings(), crlf({"SERVER:srv.a.b", "STYPE:U"}));
    const std::filesystem::path moves = ws.dir() / "moves.txt";
    writeFile(moves, crlf({"http://srv.a.b/,http://m/", "http://srv.a.b/,http://again/", "no comma", "",
                           "http://srv.c.d/,http://nokey/", "http://x1/,p"}));
    const RunResult r =
        ws.run({settingsFlag(ws.settings()), "--verbose", "--relocation-file=" + moves.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("2 address changes loaded, 4 lines skipped"));
}

} // namespace
} // namespace tamarisk::test
