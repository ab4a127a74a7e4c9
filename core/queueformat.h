#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <type_traits>

// The queue-file format: the line prefixes the program recognises (compared case-sensitively over their
// whole length, "=" included), the nine lines of a new entry and the names derived from a file's name.
namespace tamarisk::core::queue {

inline constexpr std::string_view kInfo = "Info=";
inline constexpr std::string_view kStoreIn = "StoreIn=";
inline constexpr std::string_view kSaveAs = "SaveAs=";
inline constexpr std::string_view kAdvanced = "Advanced=";
inline constexpr std::string_view kLogin = "Login=";
inline constexpr std::string_view kPassword = "Password=";
inline constexpr std::string_view kUserName = "UserName=";
inline constexpr std::string_view kIsOk = "_IsOk=";
inline constexpr std::string_view kReferer = "Referer=";
inline constexpr std::string_view kRefererStr = "RefererStr=";
inline constexpr std::string_view kUrl = "Url=";
inline constexpr std::string_view kComment = ";";

/// What the referer pass writes in place of "Referer=" and "Advanced=" lines.
inline constexpr std::string_view kRefererLine = "Referer=2";
inline constexpr std::string_view kAdvancedLine = "Advanced=1";

/// Every line the program writes ends with CR LF.
inline constexpr std::string_view kLineEnd = "\r\n";

/// The lines of an entry made for one address of a URL list; the "Url=" line follows with the address.
inline constexpr std::array<std::string_view, 8> kNewEntryLines = {
    "Info=", "StoreIn=", "SaveAs=", "Advanced=0", "Login=0", "Password=", "UserName=", "_IsOk=0",
};

/// Appends line and its CR LF.
inline void appendLine(std::string& out, std::string_view line) {
    out += line;
    out += kLineEnd;
}

/// A line is recognised when its first characters are exactly the prefix; nothing is trimmed first.
/// Prefixes are ASCII, so comparing bytes compares characters. Written out where it is called, as an
/// equality of bytes: with the prefix a constant the comparison is a load or two and no call, where a large
/// pass that no longer had std::string_view::starts_with written out called it and memcmp for each line.
[[gnu::always_inline]] constexpr bool hasPrefix(std::string_view line, std::string_view prefix) {
    if (std::is_constant_evaluated())
        return line.starts_with(prefix);
    return line.size() >= prefix.size() && __builtin_memcmp(line.data(), prefix.data(), prefix.size()) == 0;
}

inline constexpr std::string_view kQueueSuffix = "wrg";
inline constexpr std::string_view kConvertedSuffix = "wr2";
inline constexpr std::string_view kShuffledSuffix = "wrs";
inline constexpr std::string_view kTemporaryPrefix = "$$$";

/// A derived name: the name less its last three characters, then the suffix (q.wrg gives q.wr2). Only
/// formed for names whose last four characters are an ASCII extension such as ".wrg" or ".txt".
std::string derivedName(std::string_view name, std::string_view suffix);
/// The same for a file's path: the last three characters of its name are ASCII, so they are dropped as
/// they are on every platform, whatever the name's own characters.
std::filesystem::path derivedName(const std::filesystem::path& file, std::string_view suffix);

/// Kind of file, by its last four characters compared without regard to case.
enum class FileKind { Queue, UrlList, Other };
FileKind fileKind(std::string_view name);
FileKind fileKind(const std::filesystem::path& file);

} // namespace tamarisk::core::queue
