#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Shift-JIS (Windows code page 932) text as raw bytes. Positions and lengths count characters by the
// lead-byte rule: 0x81-0x9F and 0xE0-0xFC lead a double-byte character when a valid trail byte
// (0x40-0x7E, 0x80-0xFC) follows; every other byte, a stray lead byte included, is one character.
namespace tamarisk::core {

constexpr bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
constexpr bool isTrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

/// ASCII case folding; every other byte, a byte of a double-byte character included, stays as it is.
constexpr char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

/// Bytes taken by the character that starts at byte offset i (1 or 2).
inline std::size_t charWidthAt(std::string_view s, std::size_t i) {
    return (isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
            isTrailByte(static_cast<unsigned char>(s[i + 1])))
               ? 2
               : 1;
}

/// Number of leading bytes below 0x80.
inline std::size_t asciiPrefixOf(std::string_view s) {
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        if (const std::uint64_t high = word & 0x8080808080808080ULL; high != 0) {
            // The first byte in memory is the lowest one of a little-endian word.
            if constexpr (std::endian::native == std::endian::little)
                return i + static_cast<std::size_t>(std::countr_zero(high)) / 8;
            break;
        }
    }
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80)
        ++i;
    return i;
}

/// A read-only view of CP932 text addressed by 1-based character positions, as the rewrite rules
/// use them. Pure ASCII text (the common case for addresses) needs no index. Positions within the ASCII
/// start are answered here, inline: the rules ask for many of them on every address.
class CharText {
public:
    explicit CharText(std::string_view bytes)
        : m_bytes(bytes), m_asciiPrefix(asciiPrefixOf(bytes)), m_length(m_asciiPrefix),
          m_counted(m_asciiPrefix == bytes.size()) {}

    std::string_view bytes() const { return m_bytes; }
    /// Number of characters.
    std::size_t length() const { return m_counted ? m_length : countLength(); }
    /// Byte offset of 1-based character position p; length() + 1 gives the byte size.
    std::size_t offsetOf(std::size_t p) const {
        if (p <= 1)
            return 0;
        if (p - 1 <= m_asciiPrefix)
            return p - 1;
        return offsetBeyondAscii(p);
    }
    /// The character at 1-based position p as its bytes.
    std::string_view charAt(std::size_t p) const;

    std::string_view left(std::size_t n) const { return m_bytes.substr(0, offsetOf(n + 1)); }
    std::string_view right(std::size_t n) const;
    /// The n characters from 1-based position p (fewer when the text ends first).
    std::string_view mid(std::size_t p, std::size_t n) const {
        if (p < 1)
            p = 1;
        if (n <= m_asciiPrefix && p - 1 <= m_asciiPrefix - n)
            return m_bytes.substr(p - 1, n); // within the ASCII start: no count needed
        return midBeyondAscii(p, n);
    }
    /// Everything from 1-based position p on.
    std::string_view mid(std::size_t p) const {
        if (p < 1)
            p = 1;
        if (p - 1 <= m_asciiPrefix)
            return m_bytes.substr(p - 1);
        return p > length() ? std::string_view{} : m_bytes.substr(offsetOf(p));
    }
    /// 1-based position of the first occurrence of needle at or after position start, or 0. A match must
    /// begin on a character boundary, so "\" never matches the trail byte of a character such as 0x95 0x5C.
    std::size_t find(std::string_view needle, std::size_t start = 1) const {
        if (start < 1)
            start = 1;
        // A byte below 0x40 is never the second byte of a character, so where such a needle's bytes are
        // found a character begins: a byte search finds the same match as a search by character. A start
        // within the ASCII start is a position of the text, so no count is needed either.
        if (start - 1 <= m_asciiPrefix &&
            (m_asciiPrefix == m_bytes.size() ||
             (!needle.empty() && static_cast<unsigned char>(needle[0]) < 0x40))) {
            const std::size_t at =
                needle.size() == 1 ? m_bytes.find(needle[0], start - 1) : m_bytes.find(needle, start - 1);
            return at == std::string_view::npos ? 0 : positionOf(at);
        }
        return findByCharacters(needle, start);
    }

private:
    // Positions up to the first byte of 0x80 or above are byte offsets plus one; the index of character
    // starts is made only when a position beyond them is asked for (addresses are ASCII up to their file
    // names, so most texts never need one).
    const std::vector<std::size_t>& starts() const;
    /// 1-based position of the character that starts at byte offset at (a character boundary).
    std::size_t positionOf(std::size_t at) const {
        return at <= m_asciiPrefix ? at + 1 : positionBeyondAscii(at);
    }
    std::size_t countLength() const;
    std::size_t offsetBeyondAscii(std::size_t p) const;
    std::size_t positionBeyondAscii(std::size_t at) const;
    std::string_view midBeyondAscii(std::size_t p, std::size_t n) const;
    std::size_t findByCharacters(std::string_view needle, std::size_t start) const;

    std::string_view m_bytes;
    std::size_t m_asciiPrefix = 0;
    mutable std::size_t m_length = 0; // counted when first asked for, if the text is not all ASCII
    mutable bool m_counted = false;
    mutable int m_walks = 0;                   // positions beyond the ASCII start found without the index
    mutable std::vector<std::size_t> m_starts; // byte offset of each character, once asked for twice
};

/// Whether every byte is below 0x80, so that characters are bytes.
inline bool isAscii(std::string_view s) {
    return asciiPrefixOf(s) == s.size();
}

/// Number of characters of s by the lead-byte rule.
std::size_t charCount(std::string_view s);

/// The name of the code page of the files for the platform's converter.
inline constexpr const char* kCodePageName = "CP932";

/// Why the platform's converter cannot convert between codePage and UTF-8 both ways, or "" when it can.
/// The front ends check it once at start, so a missing converter is one clear message, not a failure in
/// the middle of a conversion.
std::string codePageProblem(const char* codePage = kCodePageName);

/// Converts UTF-8 text to CP932; on failure names the first character that CP932 cannot hold.
struct Cp932Conversion {
    std::optional<std::string> text;
    std::string error;
};
Cp932Conversion utf8ToCp932(std::string_view utf8);

/// Decodes CP932 bytes to UTF-8 for display; bytes that are not valid CP932 become U+FFFD.
std::string cp932ToUtf8(std::string_view cp932);

} // namespace tamarisk::core
