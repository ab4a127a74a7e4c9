#include "core/linereader.h"

#include "core/cp932.h"
#include "core/errors.h"
#include "core/osfile.h"

#include <algorithm>
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
        m_text = std::move(other.m_text);
        m_file = std::move(other.m_file);
        m_bytes = fromFile ? m_file.view() : std::string_view(m_text);
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
        ++m_count;
        if (std::find(m_firsts, m_firsts + m_firstCount, beginnings[k]) != m_firsts + m_firstCount)
            continue;
        if (m_firstCount == 4)
            m_blocks = false;
        else
            m_firsts[m_firstCount++] = beginnings[k];
    }
}

std::size_t LineReader::crlfStretchEnd(std::size_t from, std::size_t upTo, const LineStops& stops) const {
    // Only lines before the last stretch qualify: after the file's last CR or LF a NUL ends a line.
    const char* const base = m_bytes.data();
    const std::size_t limit = std::min(m_lastStretch, upTo);
    // A line whose second byte lies at or past the limit cannot end before it, so it is never part of the
    // stretch whether it stops it or not.
    const auto stopsAt = [&](std::size_t at) { return stops.beginAt(base + at, base + limit); };
    std::size_t good = from; // just after the last CR LF found so far
    std::size_t i = from;
#ifdef __SSE2__
    // Sixteen bytes at a time: a stretch is regular when every LF follows a CR and every CR precedes an LF,
    // so the LF positions are the CR positions moved up by one. Lines begin after each LF; those whose
    // first byte is a first byte of stops are looked at one by one.
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const std::size_t firstCount = stops.m_firstCount;
    __m128i firsts[4];
    for (std::size_t k = 0; k < firstCount; ++k)
        firsts[k] = _mm_set1_epi8(stops.m_firsts[k]);
    unsigned carry = 0;     // the block before ended with a CR
    unsigned lineStart = 1; // the block's first byte begins a line: from does
    while (stops.m_blocks && i + 16 <= limit) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
        const auto crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, cr)));
        const auto lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, lf)));
        const unsigned odd = lfs ^ (((crs << 1) & 0xFFFFu) | carry);
        unsigned candidates = 0;
        for (std::size_t k = 0; k < firstCount; ++k)
            candidates |= static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, firsts[k])));
        candidates &= ((lfs << 1) & 0xFFFFu) | lineStart;
        unsigned stopAt = 16;
        for (; candidates != 0; candidates &= candidates - 1) {
            const auto at = static_cast<unsigned>(__builtin_ctz(candidates));
            if (stopsAt(i + at)) {
                stopAt = at;
                break;
            }
        }
        // Every line end before the stopping line is a CR LF: the stretch ends where that line begins.
        if (stopAt < 16 && (odd & ((1u << stopAt) - 1)) == 0)
            return i + stopAt;
        if (odd != 0)
            break;
        if (lfs != 0)
            good = i + static_cast<std::size_t>(31 - __builtin_clz(lfs)) + 1;
        carry = crs >> 15;
        lineStart = lfs >> 15;
        i += 16;
    }
    i = good;
#endif
    // The rest one byte at a time, from the last line end known to be good.
    while (i < limit) {
        if (i == good && stopsAt(i))
            break;
        const char c = base[i];
        if (c == '\n')
            break;
        if (c == '\r') {
            if (i + 1 >= limit || base[i + 1] != '\n')
                break;
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
