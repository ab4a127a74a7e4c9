#include "core/winedrives.h"

#include "core/cp932.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace tamarisk::core {

namespace fs = std::filesystem;

namespace {

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A name that a Windows path can hold: none of the characters Windows reserves, no control characters.
bool isWindowsName(std::string_view name) {
    if (name.empty())
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 ||
               std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
    });
}

// Absolute, with symbolic links resolved as far as the path exists, so that one folder reached by two
// routes compares equal.
fs::path resolved(const fs::path& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    if (ec)
        absolute = path;
    fs::path canonical = fs::weakly_canonical(absolute, ec);
    return ec ? absolute.lexically_normal() : canonical;
}

// The path's elements without the empty one a trailing separator leaves.
std::vector<fs::path> elementsOf(const fs::path& path) {
    std::vector<fs::path> out;
    for (const fs::path& element : path) {
        if (!element.empty() && element != ".")
            out.push_back(element);
    }
    return out;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

fs::path winePrefix(std::string_view winePrefixVariable, std::string_view home) {
    if (!winePrefixVariable.empty())
        return fs::path(winePrefixVariable);
    if (!home.empty())
        return fs::path(home) / ".wine";
    return {};
}

std::vector<WineDrive> wineDrives(const fs::path& prefix) {
    std::vector<WineDrive> drives;
    if (!prefix.empty()) {
        const fs::path devices = prefix / "dosdevices";
        for (char letter = 'a'; letter <= 'z'; ++letter) {
            const fs::path link = devices / std::string{letter, ':'};
            std::error_code ec;
            if (!fs::is_symlink(link, ec))
                continue;
            fs::path target = fs::read_symlink(link, ec);
            if (ec)
                continue;
            if (target.is_relative())
                target = devices / target;
            drives.push_back({asciiUpper(letter), resolved(target)});
        }
    }
    if (drives.empty())
        drives.push_back({'Z', "/"});
    return drives;
}

std::vector<WineDrive> userWineDrives() {
    return wineDrives(winePrefix(environment("WINEPREFIX"), environment("HOME")));
}

std::optional<WindowsPath> parseWindowsPath(std::string_view text) {
    if (text.size() < 2 || !isAsciiLetter(text[0]) || text[1] != ':')
        return std::nullopt;
    WindowsPath path{asciiUpper(text[0]), {}};
    std::string_view rest = text.substr(2);
    if (rest.empty())
        return path;
    if (rest.front() != '\\' && rest.front() != '/')
        return std::nullopt;
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of("\\/");
        const std::string_view name = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (!path.names.empty())
                path.names.pop_back();
            continue;
        }
        if (!isWindowsName(name))
            return std::nullopt;
        path.names.emplace_back(name);
    }
    return path;
}

std::string formatWindowsPath(const WindowsPath& path) {
    std::string text{path.letter, ':', '\\'};
    for (std::size_t i = 0; i < path.names.size(); ++i) {
        if (i > 0)
            text += '\\';
        text += path.names[i];
    }
    return text;
}

std::optional<fs::path> toLinuxFolder(const std::vector<WineDrive>& drives, std::string_view windowsPath) {
    const std::optional<WindowsPath> parsed = parseWindowsPath(windowsPath);
    if (!parsed)
        return std::nullopt;
    const auto drive = std::find_if(drives.begin(), drives.end(), [&](const WineDrive& d) {
        return asciiUpper(d.letter) == parsed->letter;
    });
    if (drive == drives.end())
        return std::nullopt;
    fs::path folder = drive->folder;
    for (const std::string& name : parsed->names)
        folder /= name;
    return folder;
}

std::optional<std::string> toWindowsPath(const std::vector<WineDrive>& drives, const fs::path& folder) {
    const std::vector<fs::path> target = elementsOf(resolved(folder));
    const WineDrive* best = nullptr;
    std::size_t bestDepth = 0;
    for (const WineDrive& drive : drives) {
        const std::vector<fs::path> root = elementsOf(resolved(drive.folder));
        const bool holds =
            root.size() <= target.size() && std::equal(root.begin(), root.end(), target.begin());
        if (holds && (best == nullptr || root.size() > bestDepth)) {
            best = &drive;
            bestDepth = root.size();
        }
    }
    if (best == nullptr)
        return std::nullopt;
    WindowsPath path{asciiUpper(best->letter), {}};
    for (std::size_t i = bestDepth; i < target.size(); ++i) {
        std::string name = target[i].string();
        if (!isWindowsName(name))
            return std::nullopt;
        path.names.push_back(std::move(name));
    }
    return formatWindowsPath(path);
}

std::optional<std::string> parentWindowsPath(std::string_view windowsPath) {
    std::optional<WindowsPath> path = parseWindowsPath(windowsPath);
    if (!path || path->names.empty())
        return std::nullopt;
    path->names.pop_back();
    return formatWindowsPath(*path);
}

bool folderOpens(const fs::path& folder) {
    std::error_code ec;
    const fs::file_status status = fs::status(folder, ec);
    if (ec || !fs::is_directory(status))
        return false;
    constexpr fs::perms anyRead = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    constexpr fs::perms anySearch = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    if ((status.permissions() & anyRead) == fs::perms::none ||
        (status.permissions() & anySearch) == fs::perms::none)
        return false;
    fs::directory_iterator probe(folder, ec);
    return !ec;
}

std::vector<std::string> subfolderNames(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::error_code typeError;
        if (name.front() != '.' && isWindowsName(name) && it->is_directory(typeError))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        // As unsigned bytes, so that UTF-8 names come after ASCII ones.
        const auto lessFolded = [](char x, char y) {
            return static_cast<unsigned char>(asciiLower(x)) < static_cast<unsigned char>(asciiLower(y));
        };
        if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), lessFolded))
            return true;
        if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), lessFolded))
            return false;
        return a < b;
    });
    return names;
}

} // namespace tamarisk::core
