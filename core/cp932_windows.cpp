#include "core/cp932.h"

#include <windows.h>

#include <cstdio>

// The code-page conversions through Windows' own tables (code page 932). Characters without a CP932 form
// are refused, never replaced by "?" or by a best-fit look-alike such as 0x5C for the yen sign.
namespace tamarisk::core {

namespace {

constexpr UINT kWindowsCodePage = 932;

std::wstring widen(UINT codePage, std::string_view bytes, bool& valid) {
    valid = true;
    if (bytes.empty())
        return {};
    const int size = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                           static_cast<int>(bytes.size()), nullptr, 0);
    if (size <= 0) {
        valid = false;
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                          wide.data(), size);
    return wide;
}

std::string toUtf8(std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size, nullptr,
                          nullptr);
    return out;
}

// The CP932 bytes of wide, or nothing when a character has no exact CP932 form.
std::optional<std::string> toCp932(std::wstring_view wide) {
    if (wide.empty())
        return std::string();
    BOOL usedDefault = FALSE;
    const int size = ::WideCharToMultiByte(kWindowsCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                           static_cast<int>(wide.size()), nullptr, 0, nullptr, &usedDefault);
    if (size <= 0 || usedDefault)
        return std::nullopt;
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(kWindowsCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                          out.data(), size, nullptr, &usedDefault);
    // A character that comes back from the table as another one was a best fit after all.
    bool valid = false;
    if (usedDefault || widen(kWindowsCodePage, out, valid) != wide || !valid)
        return std::nullopt;
    return out;
}

// Whether the single byte b stands for a character of its own. Windows' table gives the bytes that CP932
// leaves unassigned (0x80, 0xA0, 0xFD-0xFF) private characters; they are not text, as for iconv.
bool assignedSingleByte(unsigned char b) {
    return b < 0x80 || (b >= 0xA1 && b <= 0xDF);
}

} // namespace

std::string codePageProblem(const char* codePage) {
    if (std::string_view(codePage) != kCodePageName || !::IsValidCodePage(kWindowsCodePage))
        return std::string("the system has no converter between UTF-8 and ") + codePage;
    return {};
}

Cp932Conversion utf8ToCp932(std::string_view utf8) {
    Cp932Conversion result;
    bool valid = false;
    const std::wstring wide = widen(CP_UTF8, utf8, valid);
    if (!valid) {
        result.error = "the text is not valid UTF-8";
        return result;
    }
    if (std::optional<std::string> text = toCp932(wide)) {
        result.text = std::move(text);
        return result;
    }
    // Name the first character that has no form: one UTF-16 unit, or a surrogate pair.
    for (std::size_t i = 0; i < wide.size();) {
        const bool pair = wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size();
        const std::wstring_view character(wide.data() + i, pair ? 2 : 1);
        if (!toCp932(character)) {
            const unsigned code = pair ? 0x10000 + ((character[0] - 0xD800u) << 10) + (character[1] - 0xDC00u)
                                       : static_cast<unsigned>(character[0]);
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", code);
            result.error =
                "the character \"" + toUtf8(character) + "\" (" + hex + ") has no Shift-JIS (CP932) form";
            return result;
        }
        i += character.size();
    }
    result.error = "the text has no Shift-JIS (CP932) form";
    return result;
}

std::string cp932ToUtf8(std::string_view cp932) {
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    for (std::size_t i = 0; i < cp932.size();) {
        const std::size_t width = charWidthAt(cp932, i);
        const std::string_view ch = cp932.substr(i, width);
        const auto first = static_cast<unsigned char>(ch[0]);
        bool valid = false;
        if (first < 0x80) {
            out += ch;
        } else if (const std::wstring wide = widen(kWindowsCodePage, ch, valid);
                   valid && (width == 2 || assignedSingleByte(first))) {
            out += toUtf8(wide);
        } else {
            out += "\xEF\xBF\xBD";
        }
        i += width;
    }
    return out;
}

} // namespace tamarisk::core
