#include "core/cp932.h"

namespace tamarisk::core {

std::size_t CharText::countLength() const {
    for (std::size_t i = m_asciiPrefix; i < m_bytes.size(); i += charWidthAt(m_bytes, i))
        ++m_length;
    m_counted = true;
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

std::size_t CharText::positionBeyondAscii(std::size_t at) const {
    std::size_t p = m_asciiPrefix + 1;
    for (std::size_t i = m_asciiPrefix; i < at; i += charWidthAt(m_bytes, i))
        ++p;
    return p;
}

std::size_t CharText::offsetBeyondAscii(std::size_t p) const {
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

std::string_view CharText::right(std::size_t n) const {
    const std::size_t len = length();
    return n >= len ? m_bytes : m_bytes.substr(offsetOf(len - n + 1));
}

std::string_view CharText::midBeyondAscii(std::size_t p, std::size_t n) const {
    if (p > length())
        return {};
    const std::size_t end = (n >= length() - p + 1) ? m_bytes.size() : offsetOf(p + n);
    return m_bytes.substr(offsetOf(p), end - offsetOf(p));
}

std::size_t CharText::findByCharacters(std::string_view needle, std::size_t start) const {
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
