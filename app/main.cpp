#include "app/commandline.h"

#ifdef TAMARISK_WITH_GUI
#include "ui/application.h"
#endif

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
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
    frontEnd.openWindow = [&argc, argv](const tamarisk::app::WindowRequest& request) {
        return tamarisk::ui::runWindow(argc, argv,
                                       {request.settingsFile, request.seed, request.programFolder});
    };
    // A queue file opened from a file manager has no terminal to show its failures on.
    const bool display = std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
    if (::isatty(STDERR_FILENO) != 1 && display) {
        frontEnd.showFailures = [&argc, argv](const std::string& text) {
            tamarisk::ui::showFailures(argc, argv, "変換できなかったファイルがあります。\n\n" + text);
        };
    }
#endif
    return tamarisk::app::runCommandLine(
        program.string(), args, {std::cin, std::cout, std::cerr, ::isatty(STDIN_FILENO) == 1}, frontEnd);
}
