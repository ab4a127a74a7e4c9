#include "core/queueformat.h"

#include "core/cp932.h"

namespace tamarisk::core::queue {

std::string derivedName(std::string_view name, std::string_view suffix) {
    std::string out(name.substr(0, name.size() >= 3 ? name.size() - 3 : 0));
    out += suffix;
    return out;
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
