#include "core/cp932.h"

#include <cstdint>
#include <cstring>

namespace tamarisk::core {

bool isAscii(std::string_view s) {
    // Eight bytes at a time: addresses and keys are mostly ASCII and checked often.
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        if ((word & 0x8080808080808080ULL) != 0)
            return false;
    }
    for (; i < s.size(); ++i) {
        if (static_cast<unsigned char>(s[i]) >= 0x80)
            return false;
    }
    return true;
}

namespace {

// Number of leading bytes below 0x80.
std::size_t asciiPrefix(std::string_view s) {
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        if ((word & 0x8080808080808080ULL) != 0)
            break;
    }
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80)
        ++i;
    return i;
}

} // namespace

CharText::CharText(std::string_view bytes)
    : m_bytes(bytes), m_asciiPrefix(asciiPrefix(bytes)), m_length(m_asciiPrefix),
      m_counted(m_asciiPrefix == bytes.size()) {}

std::size_t CharText::length() const {
    if (!m_counted) {
        for (std::size_t i = m_asciiPrefix; i < m_bytes.size(); i += charWidthAt(m_bytes, i))
            ++m_length;
        m_counted = true;
    }
    return m_length;
}

const std::vector<std::size_t>& CharText::starts() const {
    if (m_starts.empty() && length() > 0) {
        m_starts.reserve(m_length);
        for (std::size_t i = 0; i < m_bytes.size(); i += charWidthAt(m_bytes, i))
            m_starts.push_back(i);
    }
    return m_starts;
}

std::size_t CharText::positionOf(std::size_t at) const {
    if (at <= m_asciiPrefix)
        return at + 1;
    std::size_t p = m_asciiPrefix + 1;
    for (std::size_t i = m_asciiPrefix; i < at; i += charWidthAt(m_bytes, i))
        ++p;
    return p;
}

std::size_t CharText::offsetOf(std::size_t p) const {
    if (p <= 1)
        return 0;
    if (p - 1 <= m_asciiPrefix)
        return p - 1;
    if (p > length())
        return m_bytes.size();
    // Most texts are asked for one position beyond their ASCII start (a name cut to a length): that one is
    // walked to, and only a text asked for more gets the index.
    if (m_starts.empty() && m_walks++ == 0) {
        std::size_t i = m_asciiPrefix;
        for (std::size_t q = m_asciiPrefix + 1; q < p; ++q)
            i += charWidthAt(m_bytes, i);
        return i;
    }
    return starts()[p - 1];
}

std::string_view CharText::charAt(std::size_t p) const {
    if (p < 1 || p > length())
        return {};
    return m_bytes.substr(offsetOf(p), offsetOf(p + 1) - offsetOf(p));
}

std::string_view CharText::left(std::size_t n) const {
    return m_bytes.substr(0, offsetOf(n + 1));
}

std::string_view CharText::right(std::size_t n) const {
    const std::size_t len = length();
    return n >= len ? m_bytes : m_bytes.substr(offsetOf(len - n + 1));
}

std::string_view CharText::mid(std::size_t p, std::size_t n) const {
    if (p < 1)
        p = 1;
    if (n <= m_asciiPrefix && p - 1 <= m_asciiPrefix - n)
        return m_bytes.substr(p - 1, n); // within the ASCII start: no count needed
    if (p > length())
        return {};
    const std::size_t end = (n >= length() - p + 1) ? m_bytes.size() : offsetOf(p + n);
    return m_bytes.substr(offsetOf(p), end - offsetOf(p));
}

std::string_view CharText::mid(std::size_t p) const {
    if (p < 1)
        p = 1;
    if (p - 1 <= m_asciiPrefix)
        return m_bytes.substr(p - 1);
    return p > length() ? std::string_view{} : m_bytes.substr(offsetOf(p));
}

std::size_t CharText::find(std::string_view needle, std::size_t start) const {
    if (start < 1)
        start = 1;
    // A byte below 0x40 is never the second byte of a character, so where such a needle's bytes are found
    // a character begins: a byte search finds the same match as a search by character. A start within the
    // ASCII start is a position of the text, so no count is needed either.
    if (start - 1 <= m_asciiPrefix && (m_asciiPrefix == m_bytes.size() ||
                                       (!needle.empty() && static_cast<unsigned char>(needle[0]) < 0x40))) {
        const std::size_t at = m_bytes.find(needle, start - 1);
        return at == std::string_view::npos ? 0 : positionOf(at);
    }
    const std::size_t len = length();
    if (start > len + 1)
        return 0;
    const std::vector<std::size_t>& at = starts();
    for (std::size_t p = start; p <= len; ++p) {
        if (m_bytes.substr(at[p - 1]).starts_with(needle))
            return p;
    }
    return needle.empty() ? len + 1 : 0;
}

std::size_t charCount(std::string_view s) {
    if (isAscii(s))
        return s.size();
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); i += charWidthAt(s, i))
        ++n;
    return n;
}

} // namespace tamarisk::core
