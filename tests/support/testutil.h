#pragma once

// Helpers shared by the test programs: a temporary folder per test, whole-file reads and writes, table rows
// printed by name, and a runner for the built program that captures its output.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tamarisk::test {

/// The system's reason for a path that runs through a regular file as if it were a folder.
#ifdef _WIN32
inline constexpr const char* kNotADirectory = "No such file or directory";
#else
inline constexpr const char* kNotADirectory = "Not a directory";
#endif

/// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::random_device entropy;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::filesystem::path candidate =
                std::filesystem::temp_directory_path() / ("tamarisk-test-" + std::to_string(entropy()));
            if (std::filesystem::create_directory(candidate)) {
                m_path = candidate;
                std::filesystem::permissions(m_path, std::filesystem::perms::owner_all);
                return;
            }
        }
        throw std::runtime_error("cannot make a temporary folder");
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    /// Names of the entries of the folder, sorted.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            out.push_back(entry.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    std::filesystem::path m_path;
};

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

/// Table rows print as their names in test listings. A test file names it beside its rows
/// (`using test::PrintTo;`) so that argument-dependent lookup finds it there.
template <typename Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

/// Joins lines with CR LF after each.
inline std::string crlf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& line : lines)
        out += line + "\r\n";
    return out;
}

#ifndef _WIN32
struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

struct RunOptions {
    std::string input;                    // standard input
    std::optional<rlim_t> fileSizeLimit;  // RLIMIT_FSIZE for the child
    std::vector<std::string> environment; // NAME=value added to the child's environment
    std::optional<std::filesystem::path> cwd;
};

/// Runs program with args and waits for it; standard output and error are captured through files.
inline RunResult run(const std::string& program, const std::vector<std::string>& args,
                     const RunOptions& options = {}) {
    char outName[] = "/tmp/tamarisk-out-XXXXXX";
    char errName[] = "/tmp/tamarisk-err-XXXXXX";
    char inName[] = "/tmp/tamarisk-in-XXXXXX";
    const int outFd = ::mkstemp(outName);
    const int errFd = ::mkstemp(errName);
    const int inFd = ::mkstemp(inName);
    if (::write(inFd, options.input.data(), options.input.size()) !=
        static_cast<ssize_t>(options.input.size()))
        throw std::runtime_error("cannot write the child's input");
    ::lseek(inFd, 0, SEEK_SET);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(inFd, 0);
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        if (options.fileSizeLimit) {
            const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        for (const auto& variable : options.environment)
            ::putenv(const_cast<char*>(variable.c_str()));
        if (options.cwd && ::chdir(options.cwd->c_str()) != 0)
            ::_exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    RunResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = readFile(outName);
    result.err = readFile(errName);
    ::close(outFd);
    ::close(errFd);
    ::close(inFd);
    ::unlink(outName);
    ::unlink(errName);
    ::unlink(inName);
    return result;
}

#endif

} // namespace tamarisk::test
