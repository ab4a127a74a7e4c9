#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tamarisk::app {

/// Where a command-line run reads and writes; tests supply string streams.
struct Console {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool inputIsTerminal = false;
    bool outputIsTerminal = false;
};

/// What a run without FILE asks of the window.
struct WindowRequest {
    std::filesystem::path settingsFile;
    std::optional<std::uint32_t> seed;
    std::filesystem::path programFolder;
};

/// The parts of the program that a build without the window does not have: both may be empty.
struct FrontEnd {
    /// Opens the window and returns the exit status once it is closed.
    std::function<int(const WindowRequest&)> openWindow;
    /// Hands the files of an --open run to the window open for the settings file; true when a window took
    /// them, false when none answered.
    std::function<bool(const std::filesystem::path& settingsFile,
                       const std::vector<std::filesystem::path>& files)>
        handToWindow;
    /// Shows the failures of a run in a message box; used only when failures cannot be seen on a terminal.
    std::function<void(const std::string&)> showFailures;
    /// Why the code-page converter cannot be used, or "": checked before any file is converted. Empty means
    /// the platform's own check; tests put a failing one in its place.
    std::function<std::string()> codePageProblem;
};

/// Runs the program for the given arguments (without the program name) and returns the exit status:
/// 0 when every file was done, 1 when any failed, 2 for a usage error. programPath locates the default
/// settings file. Without FILE the window opens when the front end has one; otherwise it is a usage error.
/// With --open the files go to a window open for the same settings file when there is one, and are
/// converted by this run when there is not.
int runCommandLine(const std::string& programPath, const std::vector<std::string>& args, Console console,
                   const FrontEnd& frontEnd = {});

} // namespace tamarisk::app
