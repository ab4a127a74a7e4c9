#include "core/queueformat.h"

#include "core/cp932.h"

#include <cstdint>

namespace tamarisk::core::queue {

std::string derivedName(std::string_view name, std::string_view suffix) {
    std::string out(name.substr(0, name.size() >= 3 ? name.size() - 3 : 0));
    out += suffix;
    return out;
}

std::filesystem::path derivedName(const std::filesystem::path& file, std::string_view suffix) {
    auto name = file.native();
    name.erase(name.size() >= 3 ? name.size() - 3 : 0);
    name.append(suffix.begin(), suffix.end());
    return name;
}

FileKind fileKind(const std::filesystem::path& file) {
    // Only an ASCII extension counts, so the native name's last four units decide on every platform.
    const auto& name = file.native();
    std::string tail;
    for (std::size_t i = name.size() >= 4 ? name.size() - 4 : 0; i < name.size(); ++i)
        tail += static_cast<std::uint32_t>(name[i]) < 0x80 ? static_cast<char>(name[i]) : '\x80';
    return fileKind(std::string_view(tail));
}

FileKind fileKind(std::string_view name) {
    if (name.size() < 4)
        return FileKind::Other;
    std::string ext(name.substr(name.size() - 4));
    for (char& c : ext)
        c = asciiLower(c);
    if (ext == ".wrg")
        return FileKind::Queue;
    if (ext == ".txt" || ext == ".lst" || ext == ".dat")
        return FileKind::UrlList;
    return FileKind::Other;
}

} // namespace tamarisk::core::queue
