#include "core/aria2export.h"

#include "core/cp932.h"
#include "core/queueformat.h"
#include "core/serverassign.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace tamarisk::core {

namespace {

constexpr std::string_view kLoginOn = "1";

// The lines of one entry that the export reads, as CP932 text.
struct Entry {
    std::optional<std::string_view> url;
    std::string_view storeIn;
    std::string_view saveAs;
    std::string_view referer;
    std::string_view refererStr;
    std::string_view login;
    std::string_view userName;
    std::string_view password;
};

void read(Entry& entry, std::string_view line) {
    const auto value = [&line](std::string_view prefix, std::string_view& into) {
        if (!queue::hasPrefix(line, prefix))
            return false;
        into = line.substr(prefix.size());
        return true;
    };
    if (queue::hasPrefix(line, queue::kUrl)) {
        if (!entry.url)
            entry.url = line;
        return;
    }
    value(queue::kStoreIn, entry.storeIn) || value(queue::kSaveAs, entry.saveAs) ||
        value(queue::kReferer, entry.referer) || value(queue::kRefererStr, entry.refererStr) ||
        value(queue::kLogin, entry.login) || value(queue::kUserName, entry.userName) ||
        value(queue::kPassword, entry.password);
}

void option(std::string& out, std::string_view name, std::string_view utf8) {
    out += ' ';
    out += name;
    out += '=';
    out += utf8;
    out += '\n';
}

// The folder aria2 is to save in; nothing when the Windows path names no drive.
std::optional<std::string> folderOf(std::string_view storeIn, const std::vector<WineDrive>& drives) {
    const std::string windowsPath = cp932ToUtf8(storeIn);
#ifdef _WIN32
    (void)drives;
    return windowsPath;
#else
    const std::optional<std::filesystem::path> folder = toLinuxFolder(drives, windowsPath);
    if (!folder)
        return std::nullopt;
    return folder->string();
#endif
}

void write(Aria2Input& out, const State& state, const Entry& entry, const std::vector<WineDrive>& drives) {
    const std::string_view urlLine = *entry.url;
    const std::string address = cp932ToUtf8(urlLine.substr(queue::kUrl.size()));
    out.text += address;
    if (state.optionOn(kOptServerChange)) {
        // An address of a group's list need not have a dotted host ("localhost:8080").
        if (const std::optional<AddressParts> parts = AddressParts::fromLine(urlLine)) {
            std::vector<std::string> mirrors;
            for (const std::string& choice : serverGroupChoices(state, *parts)) {
                std::string mirror = cp932ToUtf8(std::string_view(choice).substr(queue::kUrl.size()));
                if (mirror != address && std::find(mirrors.begin(), mirrors.end(), mirror) == mirrors.end())
                    mirrors.push_back(std::move(mirror));
            }
            for (const std::string& mirror : mirrors) {
                out.text += '\t';
                out.text += mirror;
            }
        }
    }
    out.text += '\n';
    if (!entry.storeIn.empty()) {
        if (const std::optional<std::string> folder = folderOf(entry.storeIn, drives))
            option(out.text, "dir", *folder);
        else
            ++out.foldersOffDrives;
    }
    if (!entry.saveAs.empty())
        option(out.text, "out", cp932ToUtf8(entry.saveAs));
    if (!entry.referer.empty() && entry.referer != "0" && !entry.refererStr.empty())
        option(out.text, "referer", cp932ToUtf8(entry.refererStr));
    if (entry.login == kLoginOn) {
        option(out.text, "http-user", cp932ToUtf8(entry.userName));
        option(out.text, "http-passwd", cp932ToUtf8(entry.password));
    }
    ++out.entries;
}

} // namespace

Aria2Input aria2Input(const State& state, const LineReader& convertedQueue,
                      const std::vector<WineDrive>& drives) {
    Aria2Input out;
    std::optional<Entry> entry; // none before the first "Info=" line: the header is no entry
    const auto finish = [&] {
        if (!entry)
            return;
        if (entry->url)
            write(out, state, *entry, drives);
        else
            ++out.withoutAddress;
    };
    std::int64_t ReadPos = 1;
    while (ReadPos >= 1) {
        const std::string_view line = convertedQueue.ReadLineAt(ReadPos);
        if (ReadPos < 1)
            break;
        if (queue::hasPrefix(line, queue::kInfo)) {
            finish();
            entry.emplace();
        } else if (entry) {
            read(*entry, line);
        }
    }
    finish();
    return out;
}

std::filesystem::path aria2FileFor(const std::filesystem::path& file) {
    return queue::derivedName(file, "aria2");
}

} // namespace tamarisk::core
