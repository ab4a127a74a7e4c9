// The entry points of the window module. The program loads this module only when it opens the window or
// shows a message box, so that a command-line conversion never loads Qt.

#include "ui/windowmodule.h"
#include "ui/application.h"

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
    return tamarisk::ui::runWindow(*argc, argv, start);
}

__attribute__((visibility("default"))) void tamarisk_window_show_failures(int* argc, char** argv,
                                                                          const char* text) {
    tamarisk::ui::showFailures(*argc, argv, text);
}
}
