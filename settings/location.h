#pragma once

#include <filesystem>

namespace tamarisk::settings {

/// The settings file's name.
inline constexpr const char* kSettingsFileName = "tamcfg.dat";

/// Where a run keeps its settings: "tamcfg.dat" beside the program, except for a program installed in the
/// install prefix's bin folder (or /usr/bin, /usr/local/bin), which uses the user's configuration folder:
/// $XDG_CONFIG_HOME/tamarisk/tamcfg.dat, else ~/.config/tamarisk/tamcfg.dat. Empty when such a program's
/// user has no home folder at all. On Windows: "tamcfg.dat" beside the program when it is there or the
/// folder can be written, else %APPDATA%\Tamarisk\tamcfg.dat.
std::filesystem::path defaultSettingsFile(const std::filesystem::path& programFile);

} // namespace tamarisk::settings
