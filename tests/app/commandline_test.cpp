// The command line end to end: the built program on files in a temporary folder per test.

#include "app/commandline.h"
#include "core/cp932.h"
#include "support/testutil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>

using tamarisk::test::crlf;
using tamarisk::test::readFile;
using tamarisk::test::run;
using tamarisk::test::RunOptions;
using tamarisk::test::RunResult;
using tamarisk::test::TempDir;
using tamarisk::test::writeFile;
using testing::HasSubstr;

namespace {

const std::string kProgram = TAMARISK_BINARY;

class CommandLine : public testing::Test {
protected:
    RunResult tamarisk(std::vector<std::string> args, const RunOptions& options = {}) {
        args.insert(args.begin(), "--settings=" + (dir / "tamcfg.dat").string());
        return run(kProgram, args, options);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    TempDir dir;
};

TEST_F(CommandLine, ConvertsEachFileInOrder) {
    writeFile(dir / "a.wrg", "Info=\nUrl=http://a.b.c/x\n");
    writeFile(dir / "b.WRG", "Info=\r\n");
    const RunResult result = tamarisk({"-v", path("b.WRG"), path("a.wrg")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(readFile(dir / "a.wr2"), crlf({"Info=", "Url=http://a.b.c/x"}));
    EXPECT_EQ(readFile(dir / "b.wr2"), crlf({"Info="}));
    EXPECT_THAT(result.out, HasSubstr(path("b.WRG") + " -> " + path("b.wr2") + "\n" + path("a.wrg") + " -> " +
                                      path("a.wr2") + "\n"));
}

TEST_F(CommandLine, WithoutFilesOpensTheWindowOrPrintsUsage) {
#ifdef TAMARISK_TEST_WITHOUT_GUI
    const RunResult result = run(kProgram, {});
    EXPECT_EQ(result.status, 2);
    EXPECT_THAT(result.err, HasSubstr("Usage: tamarisk [OPTION...] FILE..."));
#else
    // Option flags set options for the files of a run; the window keeps its own in the settings file.
    for (const char* flag : {"--referer", "--assign=none", "--relocation-file=x.txt", "--overwrite=yes"}) {
        const RunResult result = tamarisk({flag});
        EXPECT_EQ(result.status, 2) << flag;
        EXPECT_THAT(result.err, HasSubstr("option flags need a FILE")) << flag;
    }
#endif
}

TEST_F(CommandLine, OpenWithoutAWindowConvertsTheFilesItself) {
    writeFile(dir / "q.wrg", crlf({"Info=", "Url=http://a.b.c/x"}));
    const RunResult result = tamarisk({"--open", path("q.wrg"), path("gone.wrg")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(readFile(dir / "q.wr2"), crlf({"Info=", "Url=http://a.b.c/x"}));
    EXPECT_THAT(result.err, HasSubstr(path("gone.wrg") + ": cannot read"));
    EXPECT_TRUE(std::filesystem::exists(dir / "tamcfg.dat"));
}

TEST_F(CommandLine, HelpNamesEveryFlagWithItsJapaneseName) {
    const RunResult result = run(kProgram, {"--help"});
    EXPECT_EQ(result.status, 0);
    for (const char* text : {"--referer[=on/off]",
                             "ファイルさんと一緒",
                             "--server-change",
                             "メンバーチェンジ",
                             "--members7a",
                             "--webjump[=on/off]",
                             "たいうえじゃん！",
                             "--webjump-number=N",
                             "--webjump-name=NAME",
                             "--save-folder",
                             "普通は嫌！こっちにお願い",
                             "--folder=PATH",
                             "--folder-from-name",
                             "--address-change",
                             "うるちゃい",
                             "--relocation-file=FILE",
                             "--keep-lists",
                             "非WRGファイルはそのまま",
                             "--shuffle",
                             "シャッフル",
                             "--seed=N",
                             "--overwrite=ANSWER",
                             "--assign=MODE",
                             "--settings=FILE",
                             "--verbose",
                             "--diff",
                             "--open",
                             "--export=aria2",
                             "--version"}) {
        EXPECT_THAT(result.out, HasSubstr(text));
    }
    EXPECT_EQ(run(kProgram, {"--version"}).out, "tamarisk 0.1.0\n");
}

TEST_F(CommandLine, BadOptionValuesAreUsageErrorsThatChangeNothing) {
    writeFile(dir / "q.wrg", "Info=\r\n");
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--referer=2"},
                                               {"--shuffle=maybe"},
                                               {"--assign=sometimes"},
                                               {"--webjump-number=0"},
                                               {"--webjump-number=256"},
                                               {"--webjump-number=1a"},
                                               {"--overwrite=perhaps"},
                                               {"--folder=C:\\dl\xE2\x82\xAC"},
                                               {"--folder=C:\\a\nb"},
                                               {"--webjump-name=a\rb"},
                                               {"--export=zip"},
                                               {"--diff", "--export=aria2"},
                                               {"--open", "--referer"},
                                               {"--no-such-flag"}}) {
        std::vector<std::string> withFile = args;
        withFile.push_back(path("q.wrg"));
        const RunResult result = tamarisk(withFile);
        EXPECT_EQ(result.status, 2) << args[0];
        EXPECT_THAT(result.err, HasSubstr("tamarisk: ")) << args[0];
        EXPECT_EQ(dir.names(), std::vector<std::string>{"q.wrg"}) << args[0];
    }
    EXPECT_THAT(tamarisk({"--folder=\xE2\x82\xAC", path("q.wrg")}).err, HasSubstr("U+20AC"));
}

TEST_F(CommandLine, AnEmptyValueNeverTakesTheNextArgument) {
    // "--settings=" must not make the next FILE the settings file (which would then be rewritten).
    const std::string queue = crlf({"Info=", "Url=http://a.b.c/x"});
    writeFile(dir / "other.wrg", queue);
    for (const char* flag : {"--settings=", "--relocation-file=", "--assign=", "--overwrite=", "--seed="}) {
        const RunResult result = run(kProgram, {flag, path("other.wrg")});
        EXPECT_EQ(result.status, 2) << flag;
        EXPECT_EQ(readFile(dir / "other.wrg"), queue) << flag;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "other.wr2"));
    // An empty save folder is a value like any other.
    ASSERT_EQ(tamarisk({"--save-folder", "--folder=", path("other.wrg")}).status, 0);
    EXPECT_EQ(readFile(dir / "other.wrg"), queue);
}

TEST_F(CommandLine, OnOffValuesSetOptionsForTheRun) {
    writeFile(dir / "q.wrg", "Info=\r\nUrl=A\r\n");
    EXPECT_EQ(tamarisk({"--referer=on", "--shuffle=0", "--webjump-number=", path("q.wrg")}).status, 0);
    EXPECT_EQ(readFile(dir / "q.wr2"), crlf({"Info=", "Referer=2", "RefererStr=A", "Url=A"}));
    EXPECT_EQ(tamarisk({"--referer", "--referer=OFF", path("q.wrg")}).status, 0);
    EXPECT_EQ(readFile(dir / "q.wr2"), crlf({"Info=", "Url=A"}));
    // The highest server number is a number like any other.
    EXPECT_EQ(tamarisk({"--webjump-number=255", path("q.wrg")}).status, 0);
}

TEST_F(CommandLine, OtherFilesGetANoteAndDoNotFailTheRun) {
    writeFile(dir / "notes.doc", "x");
    writeFile(dir / "q.wrg", "Info=\r\n");
    const RunResult result = tamarisk({path("notes.doc"), path("q.wrg")});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "tamarisk: " + path("notes.doc") +
                              ": not a queue file (.wrg) or URL list (.txt, .lst, .dat); left alone\n");
    EXPECT_TRUE(std::filesystem::exists(dir / "q.wr2"));
}

TEST_F(CommandLine, FailuresNameTheFileAndTheReasonAndTheRestGoesOn) {
    writeFile(dir / "q.wrg", "Info=\r\n");
    writeFile(dir / "plain", "x");
    std::filesystem::create_directory(dir / "folder.wrg");
    std::filesystem::create_directory(dir / "taken.wr2");
    writeFile(dir / "taken.wrg", "Info=\r\n");
    const RunResult result = tamarisk(
        {path("missing.wrg"), path("folder.wrg"), path("plain/q.wrg"), path("taken.wrg"), path("q.wrg")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "tamarisk: " + path("missing.wrg") + ": cannot read " + path("missing.wrg") +
                              ": No such file or directory\n" + "tamarisk: " + path("folder.wrg") +
                              ": cannot read " + path("folder.wrg") + ": Is a directory\n" +
                              "tamarisk: " + path("plain/q.wrg") + ": cannot read " + path("plain/q.wrg") +
                              ": Not a directory\n" + "tamarisk: " + path("taken.wrg") + ": cannot create " +
                              path("taken.wr2") + ": Is a directory\n");
    EXPECT_EQ(readFile(dir / "q.wr2"), "Info=\r\n");
}

TEST_F(CommandLine, FailuresKeepTheirStatusWhenNoDisplayAnswers) {
    // Without a terminal and with a display named, failures are also offered to a message box; a display
    // that cannot be reached must not change what the run reports.
    RunOptions unreachable;
    unreachable.environment = {"DISPLAY=:97", "WAYLAND_DISPLAY="};
    const RunResult result = tamarisk({path("missing.wrg")}, unreachable);
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err, HasSubstr("tamarisk: " + path("missing.wrg") + ": cannot read"));
}

TEST_F(CommandLine, AFullDeviceLeavesNoPartialFile) {
    std::string queue;
    for (int i = 0; i < 2000; ++i)
        queue += "Info=\r\nUrl=http://srv.example.jp/file" + std::to_string(i) + ".zip\r\n";
    writeFile(dir / "q.wrg", queue);
    writeFile(dir / "tamcfg.dat", "");
    RunOptions limited;
    limited.fileSizeLimit = 4096; // writes beyond 4 KiB fail as on a full device
    for (const std::vector<std::string>& options : {std::vector<std::string>{}, {"--shuffle"}}) {
        std::vector<std::string> args = options;
        args.push_back(path("q.wrg"));
        const RunResult result = tamarisk(args, limited);
        EXPECT_EQ(result.status, 1);
        // A shuffle that cannot write the wrs writes the wr2 instead; here that fails as well.
        EXPECT_THAT(result.err, HasSubstr("cannot write " + path("q.wr2") + ": File too large"));
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"q.wrg", "tamcfg.dat"}));
    }
}

TEST_F(CommandLine, ARealFullDeviceIsReportedAndLeavesNothingBehind) {
    // An 80 KiB tmpfs: room for the queue but not for its converted copy in a private mount namespace;
    // skipped where namespaces or mounts are not allowed.
    std::string queue;
    for (int i = 0; i < 1000; ++i)
        queue += "Info=\r\nUrl=http://srv.example.jp/file" + std::to_string(i) + ".zip\r\n";
    writeFile(dir / "q.wrg", queue);
    std::filesystem::create_directory(dir / "small");
    const std::string small = path("small");
    const std::string script = "mount -t tmpfs -o size=80k tmpfs '" + small + "' || exit 99; cp '" +
                               path("q.wrg") + "' '" + small + "/q.wrg' || exit 98; '" + kProgram +
                               "' --settings='" + small + "/s.dat' '" + small +
                               "/q.wrg'; echo \"status=$?\"; ls '" + small + "'";
    const RunResult result = run("/usr/bin/unshare", {"-m", "sh", "-c", script});
    if (result.status == 99 || result.status == 127 || result.status == 1)
        GTEST_SKIP() << "no private tmpfs here: " << result.err;
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(result.err, HasSubstr("cannot write " + small + "/q.wr2: No space left on device"));
    EXPECT_EQ(result.out, "status=1\nq.wrg\ns.dat\n");
}

TEST_F(CommandLine, ShuffleWithASeedIsRepeatable) {
    std::string queue;
    for (int i = 0; i < 100; ++i)
        queue += "Info=" + std::to_string(i) + "\r\n";
    writeFile(dir / "q.wrg", queue);
    ASSERT_EQ(tamarisk({"--shuffle", "--seed=42", path("q.wrg")}).status, 0);
    const std::string first = readFile(dir / "q.wrs");
    ASSERT_EQ(tamarisk({"--shuffle", "--seed=42", path("q.wrg")}).status, 0);
    EXPECT_EQ(readFile(dir / "q.wrs"), first);
    ASSERT_EQ(tamarisk({"--shuffle", "--seed=43", path("q.wrg")}).status, 0);
    EXPECT_NE(readFile(dir / "q.wrs"), first);
    EXPECT_FALSE(std::filesystem::exists(dir / "q.wr2"));
}

TEST_F(CommandLine, OverwriteQuestionAnsweredByTheFlag) {
    writeFile(dir / "l.txt", "http://a.b.c/f.zip\r\n");
    writeFile(dir / "l.wrg", "old\r\n");
    EXPECT_EQ(tamarisk({"--overwrite=no", path("l.txt")}).status, 0);
    EXPECT_EQ(readFile(dir / "l.wrg"), "old\r\n");
    // Without a terminal, ask means no.
    RunOptions answerYes;
    answerYes.input = "y\n";
    EXPECT_EQ(tamarisk({path("l.txt")}, answerYes).status, 0);
    EXPECT_EQ(readFile(dir / "l.wrg"), "old\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "l.wr2"));
    EXPECT_EQ(tamarisk({"--overwrite=yes", path("l.txt")}).status, 0);
    EXPECT_THAT(readFile(dir / "l.wrg"), HasSubstr("Url=http://a.b.c/f.zip\r\n"));
    EXPECT_TRUE(std::filesystem::exists(dir / "l.wr2"));
}

// A queue holds user names and passwords: no copy made from a file may be readable by more people than it.
TEST_F(CommandLine, ConvertedCopiesKeepTheirSourcesPermissionBits) {
    const mode_t oldMask = ::umask(022);
    const std::string entry =
        "Info=\r\nLogin=1\r\nUserName=u\r\nPassword=secret\r\nUrl=http://a.b.c/f.zip\r\n";
    writeFile(dir / "private.wrg", entry);
    writeFile(dir / "group.wrg", entry);
    writeFile(dir / "list.txt", "http://a.b.c/f.zip\r\n");
    std::filesystem::permissions(dir / "private.wrg", std::filesystem::perms(0600));
    std::filesystem::permissions(dir / "group.wrg", std::filesystem::perms(0640));
    std::filesystem::permissions(dir / "list.txt", std::filesystem::perms(0600));
    const auto bits = [this](const std::string& name) {
        return static_cast<int>(std::filesystem::status(dir / name).permissions());
    };
    const std::vector<std::string> files = {path("private.wrg"), path("group.wrg"), path("list.txt")};
    std::vector<std::string> args = files;
    EXPECT_EQ(tamarisk(args).status, 0);
    for (const auto& [name, mode] : std::vector<std::pair<std::string, int>>{
             {"private.wr2", 0600}, {"group.wr2", 0640}, {"list.wrg", 0600}, {"list.wr2", 0600}})
        EXPECT_EQ(bits(name), mode) << name;
    args.insert(args.begin(), {"--shuffle", "--overwrite=yes"});
    std::filesystem::remove(dir / "list.wrg");
    EXPECT_EQ(tamarisk(args).status, 0);
    ::umask(oldMask);
    for (const auto& [name, mode] : std::vector<std::pair<std::string, int>>{
             {"private.wrs", 0600}, {"group.wrs", 0640}, {"list.wrg", 0600}, {"list.wrs", 0600}})
        EXPECT_EQ(bits(name), mode) << name;
    EXPECT_FALSE(std::filesystem::exists(dir / "list.wr2"));
}

TEST_F(CommandLine, ALinkAtAnOutputNameIsReplacedNotWrittenThrough) {
    std::filesystem::create_directory(dir / "elsewhere");
    writeFile(dir / "elsewhere/a", "kept a\n");
    writeFile(dir / "elsewhere/b", "kept b\n");
    writeFile(dir / "q.wrg", "Info=\r\n");
    std::filesystem::create_symlink(dir / "elsewhere/a", dir / "q.wr2");
    ASSERT_EQ(tamarisk({path("q.wrg")}).status, 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(dir / "q.wr2")));
    EXPECT_EQ(readFile(dir / "q.wr2"), "Info=\r\n");
    std::filesystem::remove(dir / "q.wr2");
    std::filesystem::create_symlink(dir / "elsewhere/a", dir / "q.wr2");
    std::filesystem::create_symlink(dir / "elsewhere/b", dir / "q.wrs");
    ASSERT_EQ(tamarisk({"--shuffle", path("q.wrg")}).status, 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(dir / "q.wrs")));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir / "q.wr2")));
    EXPECT_EQ(readFile(dir / "elsewhere/a"), "kept a\n");
    EXPECT_EQ(readFile(dir / "elsewhere/b"), "kept b\n");
}

TEST_F(CommandLine, AMissingCodePageConverterIsOneLineAndNothingIsWritten) {
    EXPECT_EQ(tamarisk::core::codePageProblem(), "");
    writeFile(dir / "q.wrg", "Info=\r\n");
    std::istringstream in;
    std::ostringstream out, err;
    tamarisk::app::FrontEnd frontEnd;
    frontEnd.codePageProblem = [] { return tamarisk::core::codePageProblem("NO-SUCH-CODE-PAGE"); };
    const int status = tamarisk::app::runCommandLine(
        kProgram, {"--settings=" + path("tamcfg.dat"), path("q.wrg")}, {in, out, err, false}, frontEnd);
    EXPECT_EQ(status, 1);
    const std::string lines = err.str();
    EXPECT_THAT(lines, testing::StartsWith("tamarisk: the platform has no converter from UTF-8 to "
                                           "NO-SUCH-CODE-PAGE ("));
    EXPECT_THAT(lines, testing::EndsWith("; nothing converted\n"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"q.wrg"});
}

// The terminal question, answered through the streams a terminal run reads and writes.
TEST_F(CommandLine, OverwriteQuestionOnATerminal) {
    for (const auto& [reply, overwritten] : std::vector<std::pair<std::string, bool>>{
             {"y\n", true}, {"n\n", false}, {"\n", false}, {"", false}, {"yes\n", true}}) {
        writeFile(dir / "l.txt", "http://a.b.c/f.zip\r\n");
        writeFile(dir / "l.wrg", "old\r\n");
        std::istringstream in(reply);
        std::ostringstream out, err;
        const int status = tamarisk::app::runCommandLine(
            kProgram, {"--settings=" + path("tamcfg.dat"), path("l.txt")}, {in, out, err, true});
        EXPECT_EQ(status, 0);
        EXPECT_EQ(err.str(), path("l.wrg") + " は存在します\n上書きしますか？ [y/N] ") << reply;
        EXPECT_EQ(readFile(dir / "l.wrg") != "old\r\n", overwritten) << reply;
    }
}

} // namespace
