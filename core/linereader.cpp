#include "core/linereader.h"

#include "core/cp932.h"
#include "core/errors.h"
#include "core/osfile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace tamarisk::core {

LineReader::LineReader(std::string bytes) : m_text(std::move(bytes)), m_bytes(m_text) {
    index();
}

LineReader::LineReader(os::FileBytes file) : m_file(std::move(file)), m_bytes(m_file.view()) {
    index();
}

// The view must follow the bytes: a short string's bytes live inside the string object itself.
LineReader::LineReader(LineReader&& other) noexcept {
    *this = std::move(other);
}

LineReader& LineReader::operator=(LineReader&& other) noexcept {
    if (this != &other) {
        const bool fromFile = other.m_bytes.data() == other.m_file.view().data() && !other.m_bytes.empty();
        const bool part = other.m_owner != nullptr;
        m_text = std::move(other.m_text);
        m_file = std::move(other.m_file);
        m_bytes = part ? other.m_bytes : fromFile ? m_file.view() : std::string_view(m_text);
        m_owner = std::exchange(other.m_owner, nullptr);
        m_offset = std::exchange(other.m_offset, 0);
        m_lastStretch = other.m_lastStretch;
        m_trailingNuls = other.m_trailingNuls;
        other.m_bytes = {};
        other.m_lastStretch = other.m_trailingNuls = 0;
    }
    return *this;
}

void LineReader::index() {
    const std::size_t lastBreak = m_bytes.find_last_of("\r\n");
    m_lastStretch = lastBreak == std::string_view::npos ? 0 : lastBreak + 1;
    const std::size_t lastText = m_bytes.find_last_not_of('\0');
    m_trailingNuls = lastText == std::string_view::npos ? 0 : lastText + 1;
}

LineReader LineReader::part(std::size_t from, std::size_t to) const {
    LineReader part;
    part.m_bytes = m_bytes.substr(from, to - from);
    part.m_owner = m_owner != nullptr ? m_owner : &m_file;
    part.m_offset = m_offset + from;
    part.index();
    return part;
}

LineReader LineReader::open(const std::filesystem::path& path) {
    os::FileBytes file;
    if (const std::error_code error = os::FileBytes::open(path, file))
        throw IoError("cannot read " + os::pathText(path) + ": " + error.message());
    return LineReader(std::move(file));
}

std::string_view LineReader::readLastStretch(std::int64_t& ReadPos) const {
    if (ReadPos < 1 || static_cast<std::uint64_t>(ReadPos - 1) >= m_bytes.size()) {
        ReadPos = kEndOfFile;
        return {};
    }
    const auto start = static_cast<std::size_t>(ReadPos - 1);
    const std::string_view all = m_bytes;
    if (start >= m_trailingNuls) {
        ReadPos = kEndOfFile;
        return {};
    }
    // The last stretch: a NUL ends the line and counts as its terminator; without one the line runs
    // to the end of the file and the position lands one byte past it, so the next call reports the end.
    const std::size_t nul = all.find('\0', start);
    const std::size_t at = nul == std::string_view::npos ? all.size() : nul;
    ReadPos += static_cast<std::int64_t>(at - start + 1);
    return all.substr(start, at - start);
}

LineStops::LineStops(std::string_view beginnings) {
    if (beginnings.size() % 2 != 0 || beginnings.size() > 2 * kMax)
        throw std::invalid_argument("line stops are up to eight two-byte beginnings");
    for (std::size_t k = 0; k < beginnings.size(); k += 2) {
        m_pairs[2 * m_count] = beginnings[k];
        m_pairs[2 * m_count + 1] = beginnings[k + 1];
        m_pairsOf[static_cast<unsigned char>(beginnings[k])] |= static_cast<std::uint8_t>(1u << m_count);
        ++m_count;
        if (std::find(m_firsts, m_firsts + m_firstCount, beginnings[k]) != m_firsts + m_firstCount)
            continue;
        if (m_firstCount == 4)
            m_blocks = false;
        else
            m_firsts[m_firstCount++] = beginnings[k];
    }
}

std::size_t LineReader::crlfStretchEnd(std::size_t from, std::size_t upTo, const LineStops& stops,
                                       LineSpan* stopLines, std::size_t max, std::size_t& count) const {
    // Only lines before the last stretch qualify: after the file's last CR or LF a NUL ends a line.
    const char* const base = m_bytes.data();
    const std::size_t limit = std::min(m_lastStretch, upTo);
    // A line whose second byte lies at or past the limit cannot end before it, so it is never part of the
    // stretch whether it stops it or not.
    const auto stopsAt = [&](std::size_t at) { return stops.beginAt(base + at, base + limit); };
    count = 0;
    std::size_t good = from; // just after the last CR LF found so far
    // A stop line passed over is given once its CR LF is found; one still open when the scan ends is not
    // part of the stretch, which then ends where it begins (good).
    bool open = false;
    std::size_t openStart = 0;
    std::size_t i = from;
#ifdef __SSE2__
    // 64 bytes at a time: a stretch is regular when every LF follows a CR and every CR precedes an LF, so the
    // LF positions are the CR positions moved up by one. Lines begin after each LF; those whose first byte
    // is a first byte of stops are looked at one by one.
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const std::size_t firstCount = stops.m_firstCount;
    // The first bytes four times over, the first repeated where there are fewer.
    __m128i firsts[4];
    for (std::size_t k = 0; k < 4; ++k)
        firsts[k] = _mm_set1_epi8(stops.m_firsts[k < firstCount ? k : 0]);
    std::uint64_t carry = 0;     // the block before ended with a CR
    std::uint64_t lineStart = 1; // the block's first byte begins a line: from does
    if (stops.empty()) {
        // No stops: only the line ends are looked at, sixteen bytes at a time.
        unsigned carry16 = 0;
        while (i + 16 <= limit) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
            const auto crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, cr)));
            const auto lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, lf)));
            if (lfs != (((crs << 1) & 0xFFFFu) | carry16))
                break;
            if (lfs != 0)
                good = i + static_cast<std::size_t>(31 - std::countl_zero(lfs)) + 1;
            carry16 = crs >> 15;
            i += 16;
        }
    }
    while (!stops.empty() && stops.m_blocks && i + 64 <= limit) {
        std::uint64_t crs = 0;
        std::uint64_t lfs = 0;
        std::uint64_t candidates = 0;
        for (std::size_t k = 0; k < 64; k += 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i + k));
            crs |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, cr)))} << k;
            lfs |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, lf)))} << k;
            if (firstCount != 0) {
                const __m128i any = _mm_or_si128(
                    _mm_or_si128(_mm_cmpeq_epi8(chunk, firsts[0]), _mm_cmpeq_epi8(chunk, firsts[1])),
                    _mm_or_si128(_mm_cmpeq_epi8(chunk, firsts[2]), _mm_cmpeq_epi8(chunk, firsts[3])));
                candidates |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(any))} << k;
            }
        }
        // A line end of another kind in the block: the bytes one by one from the last good line end.
        if ((lfs ^ ((crs << 1) | carry)) != 0)
            break;
        candidates &= (lfs << 1) | lineStart;
        // An open stop line ends at the block's first LF; each stop line found here at the first LF after
        // it, here or in a later block.
        if (open && lfs != 0) {
            const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(lfs));
            stopLines[count++] = {openStart, at - 1, at + 1};
            open = false;
        }
        for (; candidates != 0; candidates &= candidates - 1) {
            const auto bit = static_cast<unsigned>(std::countr_zero(candidates));
            const std::size_t at = i + bit;
            if (!stopsAt(at))
                continue;
            if (count == max)
                return at; // every line before it ends with CR LF: the stretch ends where it begins
            const std::uint64_t after = lfs & (~std::uint64_t{1} << bit);
            if (after == 0) {
                open = true;
                openStart = at;
                break; // no line begins after it in this block
            }
            const std::size_t lf = i + static_cast<std::size_t>(std::countr_zero(after));
            stopLines[count++] = {at, lf - 1, lf + 1};
        }
        if (lfs != 0)
            good = i + static_cast<std::size_t>(63 - std::countl_zero(lfs)) + 1;
        carry = crs >> 63;
        lineStart = lfs >> 63;
        i += 64;
    }
    i = good; // where an open stop line begins
#endif
    // The rest one byte at a time, from the last line end known to be good.
    while (i < limit) {
        if (i == good && !open && stopsAt(i)) {
            if (count == max)
                break;
            open = true;
            openStart = i;
        }
        const char c = base[i];
        if (c == '\n')
            break;
        if (c == '\r') {
            if (i + 1 >= limit || base[i + 1] != '\n')
                break;
            if (open) {
                stopLines[count++] = {openStart, i, i + 2};
                open = false;
            }
            good = i + 2;
            i += 2;
            continue;
        }
        ++i;
    }
    return good;
}

std::int64_t LineReader::findLineStart(std::int64_t from, std::string_view prefix) const {
    if (from < 1 || prefix.empty())
        return kEndOfFile;
    // Before the last stretch a line starts where the bytes do or just after a CR or LF, and a CR or LF is
    // never part of a line, so a match there that follows one (or lies at from) starts a line.
    auto at = static_cast<std::size_t>(from - 1);
    const std::string_view searched = m_bytes.substr(0, std::max(m_lastStretch, at));
    for (std::size_t hit = searched.find(prefix, at); hit != std::string_view::npos;
         hit = searched.find(prefix, hit + 1)) {
        if (hit == at || searched[hit - 1] == '\r' || searched[hit - 1] == '\n')
            return static_cast<std::int64_t>(hit) + 1;
    }
    // The last stretch, where a NUL also ends a line, line by line.
    std::int64_t position = static_cast<std::int64_t>(std::max(m_lastStretch, at)) + 1;
    while (position >= 1) {
        const std::int64_t start = position;
        if (ReadLineAt(position).starts_with(prefix) && position >= 1)
            return start;
    }
    return kEndOfFile;
}

std::size_t CharPos(std::string_view text, std::int32_t code) {
    std::size_t index = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t width = charWidthAt(text, i);
        ++index;
        std::int32_t value = static_cast<unsigned char>(text[i]);
        if (width == 2) {
            value = static_cast<std::int16_t>((static_cast<unsigned char>(text[i]) << 8) |
                                              static_cast<unsigned char>(text[i + 1]));
        }
        if (value == code)
            return index;
        i += width;
    }
    return 0;
}

std::string NumStr(long long value) {
    return std::to_string(value);
}

} // namespace tamarisk::core
