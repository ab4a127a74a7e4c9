#include "settings/location.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace tamarisk::settings {

namespace {

bool isInstalledBinFolder(const std::filesystem::path& folder) {
    const std::filesystem::path normal = folder.lexically_normal();
    for (const char* installed : {TAMARISK_INSTALL_BINDIR, "/usr/bin", "/usr/local/bin", "/bin"}) {
        if (normal == std::filesystem::path(installed).lexically_normal())
            return true;
    }
    return false;
}

} // namespace

std::filesystem::path defaultSettingsFile(const std::filesystem::path& programFile) {
    const std::filesystem::path folder = programFile.parent_path();
    if (!isInstalledBinFolder(folder))
        return folder / kSettingsFileName;
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/')
        config = xdg;
    else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
        config = std::filesystem::path(home) / ".config";
    else if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr)
        config = std::filesystem::path(user->pw_dir) / ".config";
    else
        return {}; // no home: no settings file, rather than one in a folder that other users can write to

    return config / "tamarisk" / kSettingsFileName;
}

} // namespace tamarisk::settings
