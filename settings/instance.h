#pragma once

#include <filesystem>
#include <string>

namespace tamarisk::settings {

/// The name a running window is known by, one per settings file ("tamarisk-" and 16 hex digits): its lock
/// file and its local socket are named after it.
std::string instanceKey(const std::filesystem::path& settingsFile);

/// Where the window open for the settings file listens for a second start: a Unix-domain socket named by
/// instanceKey() in $XDG_RUNTIME_DIR (the user's own folder), else in the temporary folder. The window and
/// the program that hands files to it both find it here, without Qt on the program's side.
std::filesystem::path instanceSocketPath(const std::filesystem::path& settingsFile);

} // namespace tamarisk::settings
