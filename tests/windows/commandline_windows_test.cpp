// The Windows programs end to end, run under Windows (or Wine) on files in a temporary folder: Japanese
// names, folders with blanks, the old unquoted command line, read-only and held-open files.

#include "settings/location.h"
#include "support/testutil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using tamarisk::test::crlf;
using tamarisk::test::readFile;
using tamarisk::test::TempDir;
using tamarisk::test::writeFile;
using testing::HasSubstr;

namespace {

const std::filesystem::path kProgramFolder = std::filesystem::path(TAMARISK_PROGRAM_FOLDER);

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// An inheritable handle to a new file for a child's standard output or error.
HANDLE captureFile(const std::filesystem::path& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

struct RunResult {
    DWORD status = 0;
    std::string out;
    std::string err;
};

// Runs program with the raw command line tail (after the program's quoted name), capturing its output.
RunResult run(const std::wstring& program, const std::wstring& tail, const std::filesystem::path& scratch) {
    // Fresh names each run: Wine's console host may keep an inherited handle a little longer.
    static int count = 0;
    ++count;
    const std::filesystem::path outFile = scratch / ("stdout" + std::to_string(count) + ".txt");
    const std::filesystem::path errFile = scratch / ("stderr" + std::to_string(count) + ".txt");
    RunResult result;
    {
        const HANDLE out = captureFile(outFile);
        const HANDLE err = captureFile(errFile);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = out;
        startup.hStdError = err;
        std::wstring commandLine = L"\"" + program + L"\" " + tail;
        PROCESS_INFORMATION process{};
        if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                              nullptr, nullptr, &startup, &process))
            throw std::runtime_error("cannot start the program");
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::GetExitCodeProcess(process.hProcess, &result.status);
        ::CloseHandle(process.hProcess);
        ::CloseHandle(process.hThread);
        ::CloseHandle(out);
        ::CloseHandle(err);
    }
    result.out = readFile(outFile);
    result.err = readFile(errFile);
    return result;
}

class WindowsCommandLine : public testing::Test {
protected:
    RunResult tamarisk(const std::wstring& tail, const wchar_t* program = L"tamarisk.exe") {
        return run((kProgramFolder / program).wstring(), tail, scratch.path());
    }
    std::wstring settings() const { return L"--settings=\"" + (dir / "tamcfg.dat").wstring() + L"\" "; }

    TempDir dir;
    TempDir scratch;
};

const std::string kQueue = crlf({"Info=", "Url=http://a.b.c/f.zip"});
const std::string kReferred =
    crlf({"Info=", "Referer=2", "RefererStr=http://a.b.c/f.zip", "Url=http://a.b.c/f.zip"});

TEST_F(WindowsCommandLine, JapaneseNamesAndFoldersWithBlanks) {
    const std::filesystem::path folder = dir.path() / std::filesystem::path(u8"my dir 日本");
    std::filesystem::create_directory(folder);
    const std::filesystem::path queue = folder / std::filesystem::path(u8"キュー.wrg");
    writeFile(queue, kQueue);
    const RunResult result = tamarisk(settings() + L"-v --referer \"" + queue.wstring() + L"\"");
    ASSERT_EQ(result.status, 0u) << result.err;
    EXPECT_EQ(readFile(folder / std::filesystem::path(u8"キュー.wr2")), kReferred);
    // Redirected output is UTF-8.
    EXPECT_THAT(result.out,
                HasSubstr(utf8(queue) + " -> " + utf8(folder / std::filesystem::path(u8"キュー.wr2"))));
    // A Japanese folder given on the command line is written in CP932.
    writeFile(queue, crlf({"Info=", "StoreIn=D:\\dl"}));
    const RunResult saved =
        tamarisk(settings() + L"--save-folder --folder=C:\\保存 \"" + queue.wstring() + L"\"");
    ASSERT_EQ(saved.status, 0u) << saved.err;
    EXPECT_THAT(readFile(folder / std::filesystem::path(u8"キュー.wr2")),
                HasSubstr("StoreIn=C:\\\x95\xdb\x91\xb6"));
    const RunResult refused =
        tamarisk(settings() + L"--save-folder --folder=C:\\€ \"" + queue.wstring() + L"\"");
    EXPECT_EQ(refused.status, 2u);
    EXPECT_THAT(refused.err, HasSubstr("(U+20AC) has no Shift-JIS (CP932) form"));
}

TEST_F(WindowsCommandLine, TheOldUnquotedFormOfDriveLetterPaths) {
    // The temporary folder lies on a drive letter; the second file's folder has a blank in its name.
    std::filesystem::create_directory(dir / "my dir");
    writeFile(dir / "a.wrg", kQueue);
    writeFile(dir / "my dir" / "b.wrg", kQueue);
    const RunResult result =
        tamarisk((dir / "a.wrg").wstring() + L" " + (dir / "my dir" / "b.wrg").wstring());
    ASSERT_EQ(result.status, 0u) << result.err;
    EXPECT_EQ(readFile(dir / "a.wr2"), kQueue);
    EXPECT_EQ(readFile(dir / "my dir" / "b.wr2"), kQueue);
    // The program without a console converts the same way.
    std::filesystem::remove(dir / "a.wr2");
    EXPECT_EQ(tamarisk((dir / "a.wrg").wstring(), L"tamariskw.exe").status, 0u);
    EXPECT_EQ(readFile(dir / "a.wr2"), kQueue);
}

TEST_F(WindowsCommandLine, AReadOnlyTargetIsAFailureThatNamesItAndKeepsIt) {
    writeFile(dir / "q.wrg", kQueue);
    writeFile(dir / "q.wr2", "old\r\n");
    ASSERT_TRUE(::SetFileAttributesW((dir / "q.wr2").c_str(), FILE_ATTRIBUTE_READONLY));
    const RunResult result = tamarisk(settings() + L"\"" + (dir / "q.wrg").wstring() + L"\"");
    ::SetFileAttributesW((dir / "q.wr2").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(result.status, 1u);
    EXPECT_THAT(result.err, HasSubstr("cannot create " + utf8(dir / "q.wr2") + ": "));
    EXPECT_EQ(readFile(dir / "q.wr2"), "old\r\n");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"q.wr2", "q.wrg", "tamcfg.dat"}));
}

TEST_F(WindowsCommandLine, FilesHeldOpenByAnotherProgram) {
    writeFile(dir / "q.wrg", kQueue);
    writeFile(dir / "q.wr2", "old\r\n");
    // The download manager holds its queue open for writing: the queue can still be read.
    const HANDLE queue =
        ::CreateFileW((dir / "q.wrg").c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(queue, INVALID_HANDLE_VALUE);
    // Another program holds the old copy open without sharing it: a clear failure, the old copy whole.
    const HANDLE target =
        ::CreateFileW((dir / "q.wr2").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(target, INVALID_HANDLE_VALUE);
    const RunResult held = tamarisk(settings() + L"\"" + (dir / "q.wrg").wstring() + L"\"");
    ::CloseHandle(target);
    EXPECT_EQ(held.status, 1u);
    EXPECT_THAT(held.err, HasSubstr("cannot create " + utf8(dir / "q.wr2") + ": "));
    EXPECT_EQ(readFile(dir / "q.wr2"), "old\r\n");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"q.wr2", "q.wrg", "tamcfg.dat"}));
    const RunResult freed = tamarisk(settings() + L"\"" + (dir / "q.wrg").wstring() + L"\"");
    ::CloseHandle(queue);
    EXPECT_EQ(freed.status, 0u) << freed.err;
    EXPECT_EQ(readFile(dir / "q.wr2"), kQueue);
}

TEST_F(WindowsCommandLine, SettingsLiveBesideTheProgramOrInApplicationData) {
    EXPECT_EQ(tamarisk::settings::defaultSettingsFile(dir / "tamarisk.exe"), dir / "tamcfg.dat");
    // A folder that cannot be written (here: one that is not there) sends them to the user's own folder.
    wchar_t appData[MAX_PATH + 1];
    ASSERT_GT(::GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH + 1), 0u);
    EXPECT_EQ(tamarisk::settings::defaultSettingsFile(dir / "missing" / "tamarisk.exe"),
              std::filesystem::path(appData) / "Tamarisk" / "tamcfg.dat");
    // Without files the console program says that the window is not here yet, and how it is used.
    const RunResult usage = tamarisk(L"");
    EXPECT_EQ(usage.status, 2u);
    EXPECT_THAT(usage.err, HasSubstr("not part of the Windows build yet"));
    EXPECT_THAT(usage.err, HasSubstr("--referer"));
    // A path that starts with a slash is a file, not a Windows-style option.
    const RunResult slash = tamarisk(settings() + L"/no-such-folder/q.wrg");
    EXPECT_EQ(slash.status, 1u);
    EXPECT_THAT(slash.err, HasSubstr("q.wrg: cannot read"));
}

} // namespace
