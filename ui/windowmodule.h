#pragma once

#include <cstdint>

// The C interface of the window module (tamarisk-window.so), loaded at run time by the program.
extern "C" {

/// Runs the window until it is closed; returns the exit status.
using TamariskWindowRun = int (*)(int* argc, char** argv, const char* settingsFile, int hasSeed,
                                  std::uint32_t seed, const char* programFolder);
/// Shows the failures of a command-line run in a message box.
using TamariskWindowShowFailures = void (*)(int* argc, char** argv, const char* text);
}

inline constexpr const char* kWindowModuleName = "tamarisk-window.so";
inline constexpr const char* kWindowRunSymbol = "tamarisk_window_run";
inline constexpr const char* kWindowShowFailuresSymbol = "tamarisk_window_show_failures";
