#include "settings/instance.h"

#include <cstdint>
#include <cstdlib>
#include <system_error>
#include <type_traits>

namespace tamarisk::settings {

std::string instanceKey(const std::filesystem::path& settingsFile) {
    std::error_code ignored;
    const std::filesystem::path key = std::filesystem::absolute(settingsFile, ignored).lexically_normal();
    // FNV-1a over the path as the system spells it: the name only has to tell settings files apart, and
    // both sides compute it without a library.
    std::uint64_t hash = 14695981039346656037ULL;
    for (const auto unit : key.native()) {
        hash ^= static_cast<std::make_unsigned_t<std::filesystem::path::value_type>>(unit);
        hash *= 1099511628211ULL;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name = "tamarisk-";
    for (int shift = 60; shift >= 0; shift -= 4)
        name += kHex[(hash >> shift) & 0xF];
    return name;
}

std::filesystem::path instanceSocketPath(const std::filesystem::path& settingsFile) {
    std::filesystem::path folder;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0')
        folder = runtime;
    else {
        std::error_code noTemp;
        folder = std::filesystem::temp_directory_path(noTemp);
        if (noTemp)
            folder = "/tmp";
    }
    return folder / (instanceKey(settingsFile) + ".socket");
}

} // namespace tamarisk::settings
