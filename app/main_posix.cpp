#include "app/commandline.h"

#ifdef TAMARISK_WITH_GUI
#include "app/windowhandover.h"
#include "settings/instance.h"
#include "ui/windowmodule.h"

#include <dlfcn.h>
#include <sys/wait.h>
#endif

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <unistd.h>

#ifdef TAMARISK_WITH_GUI
namespace {

// The window module: beside the program (a build, or a copy in any folder), else where it is installed.
void* loadWindowModule(const std::filesystem::path& program, std::string& error) {
    const std::filesystem::path folder = program.parent_path();
    for (const std::filesystem::path& candidate :
         {folder / kWindowModuleName, folder / TAMARISK_WINDOW_MODULE_DIR / kWindowModuleName}) {
        if (void* module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL))
            return module;
        if (const char* reason = ::dlerror(); error.empty() && reason != nullptr)
            error = reason;
    }
    return nullptr;
}

} // namespace
#endif

namespace {

int run(int argc, char** argv) {
    // A write beyond the file-size limit then fails with EFBIG and is reported, instead of killing us.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    // The settings file lives beside the program, so find the program itself, not the name it was run by.
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        program = std::filesystem::absolute(argc > 0 ? argv[0] : "tamarisk", error);
    tamarisk::app::FrontEnd frontEnd;
#ifdef TAMARISK_WITH_GUI
    frontEnd.openWindow = [&argc, argv, &program](const tamarisk::app::WindowRequest& request) {
        std::string error;
        void* module = loadWindowModule(program, error);
        auto run = module != nullptr ? reinterpret_cast<TamariskWindowRun>(::dlsym(module, kWindowRunSymbol))
                                     : nullptr;
        if (run == nullptr) {
            std::cerr << "tamarisk: the window is not available: " << error << "\n";
            return 1;
        }
        return run(&argc, argv, request.settingsFile.c_str(), request.seed ? 1 : 0, request.seed.value_or(0),
                   request.programFolder.c_str());
    };
    // Handing files over takes only a socket: a start from the desktop entry loads Qt only if no window is
    // open and its failures need a message box.
    frontEnd.handToWindow = [](const std::filesystem::path& settingsFile,
                               const std::vector<std::filesystem::path>& files) {
        return tamarisk::app::handFilesToWindow(tamarisk::settings::instanceSocketPath(settingsFile), files);
    };
    // A queue file opened from a file manager has no terminal to show its failures on.
    const bool display = std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
    if (::isatty(STDERR_FILENO) != 1 && display) {
        frontEnd.showFailures = [&argc, argv, &program](const std::string& text) {
            // Shown by a child process: a display that cannot be reached ends the child, never this run,
            // whose exit status and error lines stand.
            const pid_t child = ::fork();
            if (child == 0) {
                std::string error;
                void* module = loadWindowModule(program, error);
                auto show = module != nullptr ? reinterpret_cast<TamariskWindowShowFailures>(
                                                    ::dlsym(module, kWindowShowFailuresSymbol))
                                              : nullptr;
                if (show != nullptr)
                    show(&argc, argv, ("変換できなかったファイルがあります。\n\n" + text).c_str());
                ::_exit(0);
            }
            if (child > 0) {
                int status = 0;
                ::waitpid(child, &status, 0);
            }
        };
    }
#endif
    return tamarisk::app::runCommandLine(
        program.string(), args,
        {std::cin, std::cout, std::cerr, ::isatty(STDIN_FILENO) == 1, ::isatty(STDOUT_FILENO) == 1},
        frontEnd);
}

} // namespace

int main(int argc, char** argv) {
    // Failures of the files are results; what reaches here is a failure of the program itself (memory, a
    // broken installation), reported as one line rather than ended by std::terminate.
    try {
        return run(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "tamarisk: " << error.what() << "\n";
    } catch (...) {
        std::cerr << "tamarisk: an unexpected failure ended the program\n";
    }
    return 1;
}
