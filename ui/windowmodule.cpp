// The entry points of the window module. The program loads this module only when it opens the window or
// shows a message box, so that a command-line conversion never loads Qt.

#include "ui/windowmodule.h"
#include "ui/application.h"

#include <exception>
#include <iostream>
#include <string>

namespace {

// A failure that ended the window: one line on standard error, and a message box when one can be shown.
void reportFailure(int* argc, char** argv, const std::string& reason) {
    std::cerr << "tamarisk: " << reason << "\n";
    try {
        tamarisk::ui::showFailures(*argc, argv, "たまりすくは終了しました。\n\n" + reason);
    } catch (...) {
        // The line on standard error stands; nothing more can be shown.
    }
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int tamarisk_window_run(int* argc, char** argv,
                                                               const char* settingsFile, int hasSeed,
                                                               std::uint32_t seed,
                                                               const char* programFolder) {
    tamarisk::ui::WindowStart start;
    start.settingsFile = settingsFile;
    if (hasSeed != 0)
        start.seed = seed;
    start.programFolder = programFolder;
    // No exception may cross into the program that loaded this module: each is reported here.
    try {
        return tamarisk::ui::runWindow(*argc, argv, start);
    } catch (const std::exception& error) {
        reportFailure(argc, argv, error.what());
    } catch (...) {
        reportFailure(argc, argv, "an unexpected failure ended the window");
    }
    return 1;
}

__attribute__((visibility("default"))) void tamarisk_window_show_failures(int* argc, char** argv,
                                                                          const char* text) {
    try {
        tamarisk::ui::showFailures(*argc, argv, text);
    } catch (const std::exception& error) {
        std::cerr << "tamarisk: cannot show the failures: " << error.what() << "\n";
    } catch (...) {
        std::cerr << "tamarisk: cannot show the failures\n";
    }
}
}
