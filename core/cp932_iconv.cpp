#include "core/cp932.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iconv.h>
#include <stdexcept>
#include <utility>

// The code-page conversions through the C library's iconv.
namespace tamarisk::core {

namespace {

// glibc's "CP932" is the Microsoft table (0x5C is a backslash, NEC and IBM extensions present);
// its "SHIFT_JIS" maps 0x5C to the yen sign and must not be used for these files.
constexpr const char* kCodePage = kCodePageName;

class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("the platform has no converter from ") + from + " to " + to);
        }
    }
    ~Iconv() { iconv_close(m_cd); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // Converts as much of in as it can; returns false with errno set at the first failure, leaving
    // in pointing at the input that failed.
    bool convert(std::string_view& in, std::string& out) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char buffer[256];
        auto* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            const std::size_t rc = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
                in = std::string_view(src, srcLeft);
                return false;
            }
        }
        in = {};
        return true;
    }

private:
    iconv_t m_cd;
};

// Length of the UTF-8 sequence that starts with byte b (1 for a stray byte).
std::size_t utf8Width(unsigned char b) {
    if (b >= 0xF0 && b <= 0xF4)
        return 4;
    if (b >= 0xE0)
        return b <= 0xEF ? 3 : 1;
    if (b >= 0xC2)
        return 2;
    return 1;
}

} // namespace

std::string codePageProblem(const char* codePage) {
    for (const auto& [to, from] : {std::pair{codePage, "UTF-8"}, std::pair{"UTF-8", codePage}}) {
        const iconv_t cd = iconv_open(to, from);
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            return std::string("the platform has no converter from ") + from + " to " + to + " (" +
                   std::strerror(errno) + "; on Debian it comes with the package libc6)";
        }
        iconv_close(cd);
    }
    return {};
}

Cp932Conversion utf8ToCp932(std::string_view utf8) {
    Cp932Conversion result;
    Iconv cd(kCodePage, "UTF-8");
    std::string out;
    std::string_view in = utf8;
    if (cd.convert(in, out)) {
        result.text = std::move(out);
        return result;
    }
    if (errno == EILSEQ && !in.empty()) {
        const std::size_t width = std::min(utf8Width(static_cast<unsigned char>(in[0])), in.size());
        std::string_view bad = in.substr(0, width);
        std::string check;
        std::string_view probe = bad;
        Iconv validate("UTF-32LE", "UTF-8");
        if (width > 1 && validate.convert(probe, check) && check.size() == 4) {
            const auto* u = reinterpret_cast<const unsigned char*>(check.data());
            const unsigned code = u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<unsigned>(u[3]) << 24);
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", code);
            result.error =
                "the character \"" + std::string(bad) + "\" (" + hex + ") has no Shift-JIS (CP932) form";
            return result;
        }
    }
    result.error = "the text is not valid UTF-8";
    return result;
}

std::string cp932ToUtf8(std::string_view cp932) {
    Iconv cd("UTF-8", kCodePage);
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    for (std::size_t i = 0; i < cp932.size();) {
        const std::size_t width = charWidthAt(cp932, i);
        std::string_view ch = cp932.substr(i, width);
        if (static_cast<unsigned char>(ch[0]) < 0x80) {
            out += ch;
        } else if (!cd.convert(ch, out)) {
            out += "\xEF\xBF\xBD";
        }
        i += width;
    }
    return out;
}

} // namespace tamarisk::core
