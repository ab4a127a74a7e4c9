#pragma once

#include "core/osfile.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tamarisk::core {

/// The position ReadLineAt leaves when there are no more lines.
inline constexpr std::int64_t kEndOfFile = -100;

/// The two-byte beginnings of the lines that end a stretch of LineReader::crlfLinesEnd, such as "StUr":
/// lines a caller looks at one by one, while it copies the lines between them whole. Made once for the
/// many scans of a pass.
class LineStops {
public:
    LineStops() = default;
    explicit LineStops(std::string_view beginnings);

    bool empty() const { return m_count == 0; }
    /// Whether the bytes at p, of which there is at least one before end, begin with one of the stops.
    bool beginAt(const char* p, const char* end) const {
        // The stops that begin with p's first byte, looked up: most first bytes begin none.
        unsigned pairs = m_pairsOf[static_cast<unsigned char>(p[0])];
        if (pairs == 0 || end - p < 2)
            return false;
        for (; pairs != 0; pairs &= pairs - 1) {
            if (p[1] == m_pairs[2 * static_cast<std::size_t>(std::countr_zero(pairs)) + 1])
                return true;
        }
        return false;
    }

private:
    friend class LineReader;

    static constexpr std::size_t kMax = 8;
    char m_pairs[2 * kMax] = {};
    std::size_t m_count = 0;
    std::uint8_t m_pairsOf[256] = {}; // for each first byte, the stops that begin with it as bits
    // The stops' first bytes, each once; past four, the scan goes a byte at a time.
    char m_firsts[4] = {};
    std::size_t m_firstCount = 0;
    bool m_blocks = true;
};

/// A line as byte offsets of its reader's bytes: it runs from start to end (its terminator's first byte),
/// and the next line starts at next.
struct LineSpan {
    std::size_t start = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

/// A text file held in memory, read line by line from 1-based byte positions. A line ends at CR LF, a
/// lone CR or a lone LF; lines of any length are returned whole. After the file's last CR or LF a NUL
/// byte also ends a line, and NUL bytes at the very end of the file are no line.
class LineReader {
public:
    LineReader() = default;
    explicit LineReader(std::string bytes);
    /// Takes the bytes of a file.
    explicit LineReader(os::FileBytes file);
    LineReader(LineReader&& other) noexcept;
    LineReader& operator=(LineReader&& other) noexcept;
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    /// Reads the whole file (see os::FileBytes). Throws IoError naming the file and the
    /// reason.
    static LineReader open(const std::filesystem::path& path);

    /// Returns the line that starts at ReadPos and moves ReadPos to the first byte after its terminator;
    /// at the end returns "" and sets ReadPos to kEndOfFile. A position below 1 also reads as the end.
    std::string_view ReadLineAt(std::int64_t& ReadPos) const {
        // Lines before the file's last CR or LF, nearly all of them, are read here; conversions read every
        // line, so this much is written out where it is called.
        const auto start = static_cast<std::size_t>(ReadPos - 1);
        if (ReadPos < 1 || start >= m_lastStretch)
            return readLastStretch(ReadPos);
        const char* const all = m_bytes.data();
        // CR and LF never occur inside a double-byte character, so a byte scan finds the terminator.
        const char* const hit = findLineBreak(all + start, all + m_lastStretch);
        const auto at = static_cast<std::size_t>(hit - all);
        const std::size_t terminator = (*hit == '\r' && at + 1 < m_bytes.size() && hit[1] == '\n') ? 2 : 1;
        ReadPos += static_cast<std::int64_t>(at - start + terminator);
        return m_bytes.substr(start, at - start);
    }

    std::string_view bytes() const { return m_bytes; }

    /// The bytes [from, to) as a reader of their own that reads the lines there as this one does: from is
    /// where a line starts, and to is the end of the bytes or just after an LF. The part views this
    /// reader's bytes, which must outlive it.
    LineReader part(std::size_t from, std::size_t to) const;

    /// Gives back the memory of a mapped file's bytes before byte offset end (see os::FileBytes): the
    /// bytes stay readable. Nothing happens for bytes held in a string. A part gives back only pages of
    /// its own bytes.
    void forgetBefore(std::size_t end) const {
        (m_owner != nullptr ? *m_owner : m_file).forgetBetween(m_offset, m_offset + end);
    }

    /// The end (a byte offset) of the longest stretch of lines from byte offset from on that each end with
    /// CR LF and hold no other CR or LF: lines that ReadLineAt returns exactly as the bytes have them, so
    /// such a stretch can be copied whole. from itself when the line there is no such line. Only lines
    /// that end before byte offset upTo are looked at, and a line that begins with one of stops ends the
    /// stretch too.
    std::size_t crlfLinesEnd(std::size_t from, std::size_t upTo = std::string_view::npos,
                             const LineStops& stops = {}) const {
        std::size_t none = 0;
        return crlfStretchEnd(from, upTo, stops, nullptr, 0, none);
    }
    /// crlfLinesEnd, but the first max lines that begin with one of stops do not end the stretch: those of
    /// them inside it (each ends with CR LF) are passed over and given in order in stopLines, count of them,
    /// so that a caller looks at them one by one and copies the lines around them whole.
    std::size_t crlfLinesEnd(std::size_t from, std::size_t upTo, const LineStops& stops, LineSpan* stopLines,
                             std::size_t max, std::size_t& count) const {
        return crlfStretchEnd(from, upTo, stops, stopLines, max, count);
    }

    /// The position of the first line from position from on (from is where a line starts) whose first
    /// bytes are prefix, found without reading the lines in between; kEndOfFile when there is none.
    std::int64_t findLineStart(std::int64_t from, std::string_view prefix) const;

private:
    void index();
    std::size_t crlfStretchEnd(std::size_t from, std::size_t upTo, const LineStops& stops,
                               LineSpan* stopLines, std::size_t max, std::size_t& count) const;
    /// ReadLineAt at a position below 1 or in the stretch after the file's last CR or LF.
    std::string_view readLastStretch(std::int64_t& ReadPos) const;

    /// The first CR or LF in [p, end), or end. Lines are short and files long, so this scans 16 bytes at a
    /// time where the processor allows.
    static const char* findLineBreak(const char* p, const char* end) {
#ifdef __SSE2__
        const __m128i cr = _mm_set1_epi8('\r');
        const __m128i lf = _mm_set1_epi8('\n');
        while (end - p >= 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const int mask =
                _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf)));
            if (mask != 0)
                return p + __builtin_ctz(static_cast<unsigned>(mask));
            p += 16;
        }
#endif
        while (p != end && *p != '\r' && *p != '\n')
            ++p;
        return p;
    }

    std::string m_text;   // the bytes when given as a string
    os::FileBytes m_file; // the bytes when read from a file
    std::string_view m_bytes;
    const os::FileBytes* m_owner = nullptr; // for a part: the file whose bytes it views
    std::size_t m_offset = 0;               // for a part: where its bytes begin in that file
    std::size_t m_lastStretch = 0;          // first byte after the file's last CR or LF
    std::size_t m_trailingNuls = 0;         // first byte of the NUL run that ends the file
};

/// Number of bytes the text occupies (every character is kept as its bytes).
inline std::size_t ByteLen(std::string_view line) {
    return line.size();
}

/// 1-based character index of the first character whose code equals code (a double-byte character's
/// code is its two bytes read as a signed 16-bit number), 0 when there is none.
std::size_t CharPos(std::string_view text, std::int32_t code);

/// Decimal text of value with no leading blank: 5, 0, -12.
std::string NumStr(long long value);

} // namespace tamarisk::core
