#include "core/driver.h"

#include "core/addressfeed.h"
#include "core/atomicfile.h"
#include "core/cp932.h"
#include "core/domains.h"
#include "core/errors.h"
#include "core/osfile.h"
#include "core/progress.h"
#include "core/queueformat.h"
#include "core/rules.h"
#include "core/urllist.h"

#include <array>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tamarisk::core {

namespace {

void appendLine(ByteSink& out, std::string_view line) {
    out.append(line);
    out.append(queue::kLineEnd);
}

// Text made in memory from the system's allocator, which hands out fresh pages without filling them
// first (a string's would be), and given to a LineReader whole when done.
class MemorySink final : public ByteSink {
public:
    explicit MemorySink(std::size_t capacity) {
        m_data = m_next = m_end = os::allocateLarge(capacity);
        m_limit = m_data + capacity;
    }
    ~MemorySink() override { std::free(m_data); }

    /// The text made, as the bytes of a reader; the sink is empty after.
    LineReader release() {
        const auto size = static_cast<std::size_t>(m_next - m_data);
        char* const data = std::exchange(m_data, nullptr);
        m_next = m_end = m_limit = nullptr;
        return LineReader(os::FileBytes::adopt(data, size));
    }

private:
    // The text's pages are made a quarter megabyte ahead of the writing (see os::prepareForWriting): the
    // window append() fills ends there, not at the end of the memory.
    static constexpr std::size_t kPrepared = 256 << 10;

    std::size_t capacity() const { return static_cast<std::size_t>(m_limit - m_data); }

    void overflow(std::string_view bytes) override {
        const auto size = static_cast<std::size_t>(m_next - m_data);
        if (bytes.size() >= capacity() - size) {
            grow(std::max(2 * capacity(), size + bytes.size() + 1));
        } else {
            // The window grows a step, and at least past the bytes, but never past the memory, where the
            // bytes fit (the test above).
            const std::size_t needed = bytes.size() + 1 - static_cast<std::size_t>(m_end - m_next);
            const std::size_t ahead =
                std::min(static_cast<std::size_t>(m_limit - m_end), std::max(needed, kPrepared));
            os::prepareForWriting(m_end, ahead);
            m_end += ahead;
        }
        m_next = std::copy(bytes.begin(), bytes.end(), m_next);
    }

    void grow(std::size_t capacity) {
        const auto size = static_cast<std::size_t>(m_next - m_data);
        char* const bigger = static_cast<char*>(std::realloc(m_data, capacity));
        if (bigger == nullptr)
            throw std::bad_alloc();
        m_data = bigger;
        m_next = m_data + size;
        m_end = m_limit = m_data + capacity;
    }

    char* m_data = nullptr;
    char* m_limit = nullptr; // the end of the memory
};

// Restores the window on every path out of a conversion.
class BusyGuard {
public:
    explicit BusyGuard(ConversionHooks& hooks) : m_hooks(hooks) { m_hooks.beginBusy(); }
    ~BusyGuard() { m_hooks.endBusy(); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    ConversionHooks& m_hooks;
};

// Writes lines to out, copying lines of the input that end with CR LF as runs of the input's bytes
// rather than one by one: most lines of a queue reach the output unchanged. With notes, every line's place
// in the output is noted as it goes.
class RunWriter {
public:
    RunWriter(std::string_view input, ByteSink& out, EntryIndex* notes = nullptr)
        : m_input(input), m_out(out), m_notes(notes) {}
    RunWriter(const RunWriter&) = delete;
    RunWriter& operator=(const RunWriter&) = delete;

    /// Whether line is a view into the input (and so the input's line as it was read).
    bool inInput(std::string_view line) const {
        const std::less<const char*> before;
        return !before(line.data(), m_input.data()) &&
               !before(m_input.data() + m_input.size(), line.data() + line.size());
    }

    /// line is a view into the input; next is the reader's position after it.
    void copyLine(std::string_view line, std::int64_t next) {
        if (m_notes != nullptr)
            m_notes->noteLine(offset(), line);
        const auto start = static_cast<std::size_t>(line.data() - m_input.data());
        const std::size_t end = start + line.size();
        if (static_cast<std::size_t>(next - 1) != end + 2 || m_input[end] != '\r')
            writeLine({}, line);
        else
            extendRun(start, end + 2);
    }

    /// Bytes [start, end) of the input, whole lines that end with CR LF.
    void copyRun(std::size_t start, std::size_t end) {
        if (m_notes != nullptr)
            m_notes->noteLines(offset(), m_input.substr(start, end - start), m_input.size() - start);
        extendRun(start, end);
    }

    void write(std::string_view line) { write({}, line); }

    /// The line made of two texts. Written out where it is called, so that the passes' fixed lines
    /// ("Referer=2", "Advanced=1") cost no call.
    [[gnu::always_inline]] void write(std::string_view head, std::string_view rest) {
        if (m_notes != nullptr)
            m_notes->noteLine(offset(), head, rest);
        writeLine(head, rest);
    }

    void flush() {
        if (m_runEnd > m_runStart) {
            m_out.appendLasting(m_input.substr(m_runStart, m_runEnd - m_runStart));
            m_written += m_runEnd - m_runStart;
        }
        m_runStart = m_runEnd = 0;
    }

private:
    // Where the next byte goes in the output.
    std::size_t offset() const { return m_written + (m_runEnd - m_runStart); }

    void extendRun(std::size_t start, std::size_t end) {
        if (start != m_runEnd) {
            flush();
            m_runStart = start;
        }
        m_runEnd = end;
    }

    void writeLine(std::string_view head, std::string_view rest) {
        flush();
        if (!head.empty())
            m_out.append(head);
        appendLine(m_out, rest);
        m_written += head.size() + rest.size() + queue::kLineEnd.size();
    }

    std::string_view m_input;
    ByteSink& m_out;
    EntryIndex* m_notes;
    std::size_t m_written = 0; // bytes given to out
    std::size_t m_runStart = 0;
    std::size_t m_runEnd = 0;
};

// While the converted text is kept in memory (for the shuffle), the queue's pages behind the reading
// position are given back every few megabytes, so that the queue and its converted text are never held
// whole at once. Forgetting too much would only cost reading the pages again, never change a byte.
class Forgetting {
public:
    Forgetting(const LineReader& reader, bool on) : m_reader(reader), m_on(on) {}

    /// Whether the reading has gone far enough since the last time.
    bool due(std::int64_t ReadPos) const { return m_on && ReadPos >= m_next; }
    /// The bytes before byte offset end are no longer needed.
    void forgetBefore(std::size_t end) {
        m_reader.forgetBefore(end);
        m_next = static_cast<std::int64_t>(end) + 1 + kStep;
    }

    static constexpr std::int64_t kStep = 4 << 20;

private:
    const LineReader& m_reader;
    bool m_on;
    std::int64_t m_next = kStep;
};

constexpr std::size_t kScanStep = 256 << 10;

// Where the conversion of a part stops whose end the second thread chooses as it goes (see convertInParts):
// the end its feed of addresses tells, once told. A byte offset of the bytes read; never for a conversion
// without a feed.
class PartEnd {
public:
    explicit PartEnd(const AddressFeed* feed) : m_feed(feed) {}

    std::size_t at() const { return m_feed != nullptr ? m_feed->readerEnd() : std::string_view::npos; }
    /// Whether the line at ReadPos lies at or past the end.
    bool reached(std::int64_t ReadPos) const {
        return ReadPos >= 1 && static_cast<std::size_t>(ReadPos - 1) >= at();
    }

private:
    const AddressFeed* m_feed;
};

// Takes the stretch of whole CR LF lines at ReadPos, if one begins there: the lines that begin with one of
// stops go to handle one by one (ReadPos after each as it is read), the runs of lines around them to
// passOn(start, end) as byte offsets. ReadPos ends after the stretch, or at partEnd when the part ends inside
// it: the end may be told while the stretch is taken (by the "Url=" line handled last), so it is looked at
// before each piece. Written out where it is called, with its two handlers, as it runs for every few lines.
template <typename PassOn, typename Handle>
[[gnu::always_inline]] inline bool takeStretch(const LineReader& reader, std::int64_t& ReadPos,
                                               const LineStops& stops, const PartEnd& partEnd,
                                               PassOn&& passOn, Handle&& handle) {
    constexpr std::size_t kStopLines = 64; // passed over by one scan at most
    LineSpan stopLines[kStopLines];
    const auto from = static_cast<std::size_t>(ReadPos - 1);
    std::size_t count = 0;
    const std::size_t end = reader.crlfLinesEnd(from, from + kScanStep, stops, stopLines, kStopLines, count);
    if (end == from)
        return false;
    std::size_t at = from;
    // The lines before the part's end, which lies at or after at: everything the stretch handled so far
    // came before the first "Url=" line whose address was not yet made when the end was told.
    const auto cut = [&](std::size_t end) {
        if (end > at)
            passOn(at, end);
        ReadPos = static_cast<std::int64_t>(end) + 1;
        return true;
    };
    for (std::size_t k = 0; k < count; ++k) {
        const LineSpan& line = stopLines[k];
        if (const std::size_t stop = partEnd.at(); stop <= line.start)
            return cut(stop);
        if (line.start > at)
            passOn(at, line.start);
        ReadPos = static_cast<std::int64_t>(line.next) + 1;
        handle(reader.bytes().substr(line.start, line.end - line.start));
        at = line.next;
    }
    if (const std::size_t stop = partEnd.at(); stop < end)
        return cut(stop);
    if (end > at)
        passOn(at, end);
    ReadPos = static_cast<std::int64_t>(end) + 1;
    return true;
}

void plainPass(EntryRewriter& rewriter, const LineReader& reader, std::int64_t& ReadPos, ByteSink& out,
               bool forgetRead, EntryIndex* notes, const PartEnd& partEnd) {
    RunWriter writer(reader.bytes(), out, notes);
    Forgetting forgetting(reader, forgetRead);
    const auto rewrite = [&](std::string_view line) {
        const std::string_view result = rewriter.Set_AllStatus(line);
        if (result.data() == line.data() && result.size() == line.size())
            writer.copyLine(line, ReadPos);
        else
            writer.write(result);
    };
    // Stretches of CR LF lines go out as they are, passing over the lines that begin as a rewritten line
    // does, which are read one by one. With no rule on, only the line ends can change.
    const LineStops stops(rewriter.rewrittenBeginnings());
    const auto copyRun = [&](std::size_t start, std::size_t end) { writer.copyRun(start, end); };
    while (ReadPos >= 1 && !partEnd.reached(ReadPos)) {
        if (forgetting.due(ReadPos)) {
            writer.flush();
            forgetting.forgetBefore(static_cast<std::size_t>(ReadPos - 1));
        }
        if (takeStretch(reader, ReadPos, stops, partEnd, copyRun, rewrite)) {
            // With no rule on, a step at a time, each written while its bytes are still in the processor's
            // cache from the scan: a scan of the whole file first would read it from memory twice.
            if (stops.empty())
                writer.flush();
            continue;
        }
        const std::string_view line = reader.ReadLineAt(ReadPos);
        if (ReadPos < 1)
            break;
        rewrite(line);
    }
    writer.flush();
}

// Gives every entry's "Url=" line a "Referer=2" line and a "RefererStr=" line with the entry's own
// address before it, and makes every "Advanced=" line "Advanced=1". Lines after a referer line are held
// back until the entry's "Url=" line; lines still held when the file ends are written as they are.
// With kStretches, the lines that begin with none of the lines this pass looks at or the rules rewrite are
// passed on a stretch at a time; without, every line is read by itself. The save folder's lines would stop
// the stretches at five of an entry's eleven lines, and a scan for stretches of a line or two costs more
// than it saves: with the save folder on, the lines are read one by one.
template <bool kStretches>
void refererPass(EntryRewriter& rewriter, const LineReader& reader, std::int64_t& ReadPos, ByteSink& out,
                 bool forgetRead, EntryIndex* notes, const PartEnd& partEnd) {
    // A held line is a view of the input, or a copy of a line a rule rewrote (whose text the next line
    // overwrites). A held "Referer=" line keeps its own text: it becomes "Referer=2" only when its entry's
    // address comes.
    struct Held {
        std::string_view line; // one line, or a stretch of whole CR LF lines of the input
        std::string copy;
        std::int64_t next = 0; // the reading position after the input's bytes; 0 for a copy
        bool referer = false;
        bool stretch = false;
    };
    RunWriter writer(reader.bytes(), out, notes);
    std::vector<Held> held;
    std::size_t heldCount = 0;
    bool collecting = false;
    bool refererSeen = false;
    const auto hold = [&](std::string_view line, std::int64_t next, bool referer, bool stretch = false) {
        if (heldCount == held.size())
            held.emplace_back();
        Held& h = held[heldCount++];
        h.referer = referer;
        h.stretch = stretch;
        if (writer.inInput(line)) {
            h.line = line;
            h.next = next;
        } else {
            h.copy.assign(line);
            h.next = 0;
        }
    };
    const auto text = [](const Held& h) { return h.next != 0 ? h.line : std::string_view(h.copy); };
    const auto writeHeld = [&](const Held& h) {
        if (h.stretch)
            writer.copyRun(static_cast<std::size_t>(h.line.data() - reader.bytes().data()),
                           static_cast<std::size_t>(h.next - 1));
        else if (h.next != 0)
            writer.copyLine(h.line, h.next);
        else
            writer.write(h.copy);
    };
    const auto writeLine = [&](std::string_view line) {
        if (writer.inInput(line))
            writer.copyLine(line, ReadPos);
        else
            writer.write(line);
    };
    // One line of the input, read at the position before ReadPos. Written out where it is called: as a call
    // of its own, the line-by-line pass's loop took a few percent more instructions.
    const auto handle = [&](std::string_view input) __attribute__((always_inline)) {
        const std::string_view line = rewriter.Set_AllStatus(input);
        // Lines that begin with none of the letters of the lines below go straight on.
        if (!collecting && (line.empty() || (line[0] != 'A' && line[0] != 'R' && line[0] != 'U'))) {
            writeLine(line);
            return;
        }
        if (queue::hasPrefix(line, queue::kAdvanced)) {
            writer.write(queue::kAdvancedLine);
        } else if (queue::hasPrefix(line, queue::kReferer)) {
            collecting = true;
            refererSeen = true;
            hold(line, ReadPos, true);
        } else if (queue::hasPrefix(line, queue::kRefererStr)) {
            collecting = true;
            hold(line, ReadPos, false);
        } else if (queue::hasPrefix(line, queue::kUrl)) {
            const std::string_view address = line.substr(queue::kUrl.size());
            bool addressSet = false;
            for (std::size_t i = 0; i < heldCount; ++i) {
                if (held[i].referer) {
                    writer.write(queue::kRefererLine);
                } else if (queue::hasPrefix(text(held[i]), queue::kRefererStr)) {
                    writer.write(queue::kRefererStr, address);
                    addressSet = true;
                } else {
                    writeHeld(held[i]);
                }
            }
            if (!refererSeen)
                writer.write(queue::kRefererLine);
            if (!addressSet)
                writer.write(queue::kRefererStr, address);
            writeLine(line);
            heldCount = 0;
            collecting = false;
            refererSeen = false;
        } else if (collecting) {
            hold(line, ReadPos, false);
        } else {
            writeLine(line);
        }
    };
    // Input bytes [start, end), whole CR LF lines that begin with none of the stops: they go on as they are,
    // or are held as one piece after a referer line.
    const auto passOn = [&](std::size_t start, std::size_t end) {
        if (collecting)
            hold(reader.bytes().substr(start, end - start), static_cast<std::int64_t>(end) + 1, false, true);
        else
            writer.copyRun(start, end);
    };
    // The lines this pass looks at and those the rules rewrite ("Url=" lines) stop the stretches.
    static_assert(queue::kReferer.starts_with("Re") && queue::kRefererStr.starts_with("Re") &&
                  queue::kAdvanced.starts_with("Ad") && queue::kUrl.starts_with("Ur"));
    const LineStops stops("ReAdUr");
    Forgetting forgetting(reader, forgetRead);
    // A part ends where nothing is held (see convertInParts).
    while (ReadPos >= 1 && !partEnd.reached(ReadPos)) {
        if (forgetting.due(ReadPos)) {
            writer.flush();
            // Held lines of the input are written later: their bytes are kept.
            std::size_t keepFrom = static_cast<std::size_t>(ReadPos - 1);
            for (std::size_t i = 0; i < heldCount; ++i) {
                if (held[i].next != 0)
                    keepFrom = std::min(
                        keepFrom, static_cast<std::size_t>(held[i].line.data() - reader.bytes().data()));
            }
            forgetting.forgetBefore(keepFrom);
        }
        if constexpr (kStretches) {
            if (takeStretch(reader, ReadPos, stops, partEnd, passOn, handle))
                continue;
        }
        const std::string_view input = reader.ReadLineAt(ReadPos);
        if (ReadPos < 1)
            break;
        handle(input);
    }
    for (std::size_t i = 0; i < heldCount; ++i)
        writeHeld(held[i]);
    writer.flush();
}

// Bits set in each byte of word, one count a byte: counted in the word itself, as std::popcount becomes a
// library call on processors that may lack the instruction.
constexpr std::uint64_t bitsPerByte(std::uint64_t word) {
    word -= (word >> 1) & 0x5555555555555555u;
    word = (word & 0x3333333333333333u) + ((word >> 2) & 0x3333333333333333u);
    return (word + (word >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
}

constexpr std::uint64_t kEveryByte = 0x0101010101010101u;

// The position (0 = lowest) of the n-th set bit of each byte value, for n = 1..8.
constexpr auto kSetBitInByte = [] {
    std::array<std::array<std::uint8_t, 8>, 256> table{};
    for (unsigned value = 0; value < 256; ++value) {
        unsigned n = 0;
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((value >> bit) & 1u)
                table[value][n++] = static_cast<std::uint8_t>(bit);
        }
    }
    return table;
}();

// The position of the n-th set bit of word (n from 1 to the number of bits set): the running count of set
// bits by bytes says which byte holds it, without a branch.
unsigned nthSetBit(std::uint64_t word, std::uint32_t n) {
    const std::uint64_t upTo = bitsPerByte(word) * kEveryByte; // byte k: bits set in bytes 0..k
    // Bytes whose running count is below n come before the byte that holds the bit (counts are at most 64,
    // so each byte's subtraction borrows from its own high bit only).
    const std::uint64_t below = ((std::uint64_t{n - 1} * kEveryByte) | (kEveryByte << 7)) - upTo;
    const auto byte = static_cast<unsigned>((((below >> 7) & kEveryByte) * kEveryByte) >> 56);
    const auto before = static_cast<std::uint32_t>(((upTo << 8) >> (8 * byte)) & 0xFF);
    const auto value = static_cast<std::uint8_t>(word >> (8 * byte));
    return 8 * byte + kSetBitInByte[value][n - before - 1];
}

// Order statistics over the entries not yet written: the r-th remaining one. The entries are kept as bits,
// 64 to a word, under a tree of 16-way nodes: a node holds, for each of its 16 children (words, or nodes
// of the level below), how many entries remain in that child and the children before it. The tree of a
// million entries is 67 KiB and stays in the processor's cache, and a draw is a descent of three or four
// nodes (one cache line each) and one word's read: at each node the child is the number of running counts
// below r, found for all 16 at once, and taking the entry counts one out of the running counts from that
// child on, in the same pass. Children past the entries count none, so no descent takes them.
class RemainingEntries {
public:
    explicit RemainingEntries(std::size_t count) : m_words((count + 63) / 64, ~std::uint64_t{0}) {
        if (count % 64 != 0)
            m_words.back() = (std::uint64_t{1} << (count % 64)) - 1;
        // Level by level from the words up, each node's running counts from its children's counts.
        std::vector<std::uint32_t> counts(m_words.size());
        for (std::size_t i = 0; i < m_words.size(); ++i)
            counts[i] = static_cast<std::uint32_t>((bitsPerByte(m_words[i]) * kEveryByte) >> 56);
        std::vector<std::vector<Node>> levels;
        do {
            std::vector<Node> level((counts.size() + kFanOut - 1) / kFanOut);
            std::vector<std::uint32_t> totals(level.size());
            for (std::size_t n = 0; n < level.size(); ++n) {
                std::uint32_t sum = 0;
                for (std::size_t c = 0; c < kFanOut; ++c) {
                    if (const std::size_t child = n * kFanOut + c; child < counts.size())
                        sum += counts[child];
                    level[n].running[c] = sum;
                }
                totals[n] = sum;
            }
            levels.push_back(std::move(level));
            counts = std::move(totals);
        } while (counts.size() > 1);
        // Kept from the root down, each level's nodes in order.
        for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
            m_levelStart.push_back(m_nodes.size());
            m_nodes.insert(m_nodes.end(), level->begin(), level->end());
        }
    }

    // Removes and returns the 1-based index of the r-th remaining entry (r is at most the number left).
    std::size_t take(std::size_t r) {
        auto rest = static_cast<std::uint32_t>(r);
        std::size_t index = 0; // of the node at this level, then of the word
        for (const std::size_t start : m_levelStart) {
            Node& node = m_nodes[start + index];
            const unsigned child = takeFrom(node, rest);
            if (child > 0)
                rest -= node.running[child - 1]; // the children before hold the rest-th no more
            index = index * kFanOut + child;
        }
        // The word index holds the entry: the rest-th of its bits that are set.
        std::uint64_t& word = m_words[index];
        const unsigned bit = nthSetBit(word, rest);
        word &= ~(std::uint64_t{1} << bit);
        return index * 64 + bit + 1;
    }

private:
    static constexpr std::size_t kFanOut = 16;
    struct alignas(64) Node {
        std::uint32_t running[kFanOut]; // entries remaining in children 0..c
    };

    // The child that holds the rest-th entry of node (the number of running counts below rest), with the
    // running counts from that child on one less: those are the counts at or above rest.
    static unsigned takeFrom(Node& node, std::uint32_t rest) {
#ifdef __SSE2__
        // Unsigned comparisons as signed ones, both sides moved by half the range. The counts below rest
        // are the first ones, as the running counts only grow: their number is that of the mask's low ones.
        const __m128i half = _mm_set1_epi32(static_cast<int>(0x80000000u));
        const __m128i limit = _mm_xor_si128(_mm_set1_epi32(static_cast<int>(rest)), half);
        const __m128i ones = _mm_set1_epi32(-1);
        __m128i less[4];
        for (std::size_t q = 0; q < 4; ++q) {
            auto* const four = reinterpret_cast<__m128i*>(node.running + 4 * q);
            const __m128i running = _mm_load_si128(four);
            less[q] = _mm_cmplt_epi32(_mm_xor_si128(running, half), limit);
            _mm_store_si128(four, _mm_add_epi32(running, _mm_andnot_si128(less[q], ones)));
        }
        const __m128i packed =
            _mm_packs_epi16(_mm_packs_epi32(less[0], less[1]), _mm_packs_epi32(less[2], less[3]));
        return static_cast<unsigned>(std::countr_one(static_cast<unsigned>(_mm_movemask_epi8(packed))));
#else
        unsigned below = 0;
        for (std::uint32_t& running : node.running) {
            if (running < rest)
                ++below;
            else
                --running;
        }
        return below;
#endif
    }

    std::vector<std::uint64_t> m_words;
    std::vector<Node> m_nodes;
    std::vector<std::size_t> m_levelStart; // where each level's nodes begin, from the root down
};

std::string failure(std::string_view what, const std::filesystem::path& path, const std::error_code& error) {
    return std::string(what) + " " + os::pathText(path) + ": " + error.message();
}

// From where a queue of size bytes may be split to be converted in two parts at once (see convertInParts):
// a queue of less than a megabyte is converted in one, as a second thread would not pay. With the server
// change on, the second part's thread first runs the address rules over the first part's lines, and the
// first thread takes their results rather than working them out; the second thread chooses the split as
// they go (at four fifths of the queue or so, and earlier when the first thread is the slower), from a
// quarter of the queue on. Without, the parts are halves.
std::size_t partsSplitFrom(const State& state, std::size_t size) {
    if (size < (std::size_t{1} << 20))
        return std::string_view::npos;
    return state.optionOn(kOptServerChange) ? size / 4 : size / 2;
}

// The converted copies are created with mode, the permission bits of the file they are made from: a queue
// file holds user names and passwords.
void convertQueueFile(State& state, const std::filesystem::path& path, LineReader&& queue, unsigned mode,
                      FileResult& result) {
    const std::filesystem::path wr2 = queue::derivedName(path, queue::kConvertedSuffix);
    WriteOptions options;
    options.createMode = mode;
    if (!state.optionOn(kOptShuffle)) {
        AtomicOutput converted(wr2, options);
        {
            const LineReader queueFile = std::move(queue);
            convertQueue(state, queueFile, converted);
            converted.close(); // the last pieces written from the queue's bytes leave before they do
        }
        converted.commit();
        result.written.push_back(wr2);
        result.outcome = Outcome::Converted;
        return;
    }
    // The shuffle needs every entry at hand: the converted text is kept in memory while the queue's pages
    // are given back behind the conversion, so the process never holds both whole. The text becomes the
    // wr2 only when the wrs cannot be written. A large queue is converted in two parts at once.
    std::vector<ConvertedPart> parts = [&] {
        const LineReader queueFile = std::move(queue);
        return convertInParts(state, queueFile, partsSplitFrom(state, queueFile.bytes().size()), true);
    }();
    const std::filesystem::path wrs = queue::derivedName(path, queue::kShuffledSuffix);
    std::filesystem::path replaced; // the old wrs, left under a temporary name once the new one is in place
    try {
        AtomicOutput out(wrs, options);
        shuffleEntries(parts, state.random, out);
        out.commit(&replaced);
    } catch (const IoError&) {
        // When the wr2 cannot be written either (a full disk), that failure is the one reported, and
        // neither file is left.
        AtomicOutput copy(wr2, options);
        for (const ConvertedPart& part : parts)
            copy.appendLasting(part.text.bytes());
        copy.commit();
        result.written.push_back(wr2);
        throw;
    }
    result.written.push_back(wrs);
    // The old wrs hands its pages back to the system on another thread while this one hands back the
    // converted text's: a few milliseconds each for a large queue, at the end of the run.
    std::error_code removal;
    if (!replaced.empty()) {
        std::jthread remover;
        try {
            remover = std::jthread([&replaced, &removal] { removal = os::removeFile(replaced); });
        } catch (const std::system_error&) {
            removal = os::removeFile(replaced);
        }
        parts.clear();
    }
    if (removal)
        throw IoError(failure("cannot delete", replaced, removal));
    // An older wr2 would no longer match the queue.
    if (os::entryExists(wr2)) {
        if (const std::error_code error = os::removeFile(wr2))
            throw IoError(failure("cannot delete", wr2, error));
    }
    result.outcome = Outcome::Converted;
}

} // namespace

void EntryIndex::noteEntryOrComment(std::size_t offset, std::string_view head, std::string_view rest) {
    // Whether the line head + rest begins with prefix.
    const auto startsWith = [&](std::string_view prefix) {
        if (head.size() >= prefix.size())
            return head.starts_with(prefix);
        return prefix.starts_with(head) && rest.starts_with(prefix.substr(head.size()));
    };
    if (startsWith(queue::kInfo))
        m_entries.push_back(static_cast<std::uint64_t>(offset + 1) << 1 | 1);
    else if (startsWith(queue::kComment))
        noteComment(offset);
}

void EntryIndex::noteLines(std::size_t offset, std::string_view lines, std::size_t readable) {
    // A line begins at the start and after each LF; only those that begin with an entry's first letter or
    // a comment's are looked at, in order, so that a comment line finds the entry it lies in noted.
    const char* const bytes = lines.data();
    const auto note = [&](std::size_t at) { noteEntryOrComment(offset + at, lines.substr(at), {}); };
    // In a long stretch the library's search for the two first letters skips far at a time.
    if (lines.size() >= 256) {
        for (std::size_t at = lines.find(queue::kInfo); at != std::string_view::npos;
             at = lines.find(queue::kInfo, at + 1)) {
            if (at == 0 || lines[at - 1] == '\n')
                m_entries.push_back(static_cast<std::uint64_t>(offset + at + 1) << 1 | 1);
        }
        for (std::size_t at = lines.find(queue::kComment); at != std::string_view::npos;
             at = lines.find(queue::kComment, at + 1)) {
            if (at == 0 || lines[at - 1] == '\n')
                noteComment(offset + at);
        }
        return;
    }
    std::size_t i = 0;
    bool lineStart = true;
#ifdef __SSE2__
    // Sixteen bytes at a time, the last block reaching past the lines where there are bytes to read: bits
    // past the lines are dropped.
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i entry = _mm_set1_epi8(queue::kInfo[0]);
    const __m128i comment = _mm_set1_epi8(queue::kComment[0]);
    for (; i < lines.size() && i + 16 <= readable; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const auto lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, lf)));
        auto starts = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, entry), _mm_cmpeq_epi8(chunk, comment))));
        starts &= ((lfs << 1) & 0xFFFFu) | static_cast<unsigned>(lineStart);
        if (lines.size() - i < 16)
            starts &= (1u << (lines.size() - i)) - 1;
        for (; starts != 0; starts &= starts - 1)
            note(i + static_cast<std::size_t>(__builtin_ctz(starts)));
        lineStart = (lfs >> 15) != 0;
    }
#endif
    for (; i < lines.size(); ++i) {
        if (lineStart)
            note(i);
        lineStart = bytes[i] == '\n';
    }
}

void EntryIndex::noteComment(std::size_t offset) {
    // The last entry that begins before the comment line has it; a comment line before every entry
    // belongs to none.
    const std::uint64_t key = static_cast<std::uint64_t>(offset + 1) << 1;
    const auto after = std::upper_bound(m_entries.begin(), m_entries.end(), key | 1);
    if (after != m_entries.begin())
        *std::prev(after) &= ~std::uint64_t{1};
}

namespace {

// convertQueue, with the "Url=" lines' results taken from addresses when given.
void convertQueueWith(State& state, const LineReader& queueFile, ByteSink& out, bool forgetRead,
                      EntryIndex* entries, AddressFeed* addresses) {
    std::int64_t ReadPos = 1;
    EntryRewriter rewriter(state, queueFile, ReadPos);
    rewriter.takeAddressesFrom(addresses);
    const PartEnd partEnd(addresses);
    if (state.optionOn(kOptReferer)) {
        if (state.optionOn(kOptSaveFolder))
            refererPass<false>(rewriter, queueFile, ReadPos, out, forgetRead, entries, partEnd);
        else
            refererPass<true>(rewriter, queueFile, ReadPos, out, forgetRead, entries, partEnd);
    } else
        plainPass(rewriter, queueFile, ReadPos, out, forgetRead, entries, partEnd);
}

} // namespace

void convertQueue(State& state, const LineReader& queueFile, ByteSink& out, bool forgetRead,
                  EntryIndex* entries) {
    convertQueueWith(state, queueFile, out, forgetRead, entries, nullptr);
}

std::string convertQueueText(State& state, const LineReader& queueFile) {
    std::string text;
    text.reserve(queueFile.bytes().size() + queueFile.bytes().size() / 4 + 64);
    StringSink out(text);
    convertQueue(state, queueFile, out);
    return text;
}

namespace {

// Where a queue can be converted in two parts at once: the start of an "Info=" line after an LF, at or
// after byte offset from, such that no line since the last "Url=" line before it begins "Re" or "St".
// There the referer pass holds no line back for an address to come, and no "StoreIn=" line's look-ahead
// for its entry's address reaches past it; the lines after it convert from there as in the whole.
// npos when there is no such line.
std::size_t splitPoint(const LineReader& queue, std::size_t from) {
    static_assert(queue::kReferer.starts_with("Re") && queue::kRefererStr.starts_with("Re") &&
                  queue::kStoreIn.starts_with("St"));
    const std::string_view bytes = queue.bytes();
    // A line begins after every LF.
    const std::size_t lf = bytes.find('\n', from);
    if (lf == std::string_view::npos)
        return std::string_view::npos;
    std::int64_t ReadPos = queue.findLineStart(static_cast<std::int64_t>(lf) + 2, queue::kUrl);
    while (ReadPos >= 1) {
        (void)queue.ReadLineAt(ReadPos); // the "Url=" line
        for (;;) {
            const std::int64_t start = ReadPos;
            const std::string_view line = queue.ReadLineAt(ReadPos);
            if (ReadPos < 1)
                return std::string_view::npos;
            if (queue::hasPrefix(line, queue::kInfo)) {
                const auto at = static_cast<std::size_t>(start - 1);
                // After the file's last CR or LF, where a NUL ends a line too, no part ends.
                return bytes[at - 1] == '\n' ? at : std::string_view::npos;
            }
            if (line.starts_with("Re") || line.starts_with("St"))
                break;
        }
        ReadPos = queue.findLineStart(ReadPos, queue::kUrl);
    }
    return std::string_view::npos;
}

// When the second thread, taking the turns of the queue's lines for the first thread, stops and converts
// the rest by itself: at the first place from byte offset from on, or, when measured, from there on once
// the two threads would end together. The first thread converts the lines the second has taken the turns
// of at a speed both have shown since they began (their positions at the same moment), and the second
// would convert the rest at the two speeds together: turns, then the first thread's work.
class PartsBalance {
public:
    PartsBalance(std::size_t from, std::size_t size, bool measured)
        : m_from(from), m_size(size), m_measured(measured) {}

    /// Whether to stop at the next place after byte offset position, which the second thread has reached,
    /// while the first thread has reached byte offset reached (0 before it has told).
    bool due(std::size_t position, std::size_t reached) const {
        if (position < m_from)
            return false;
        if (!m_measured)
            return true;
        if (reached == 0 || reached >= position)
            return false;
        const auto p = static_cast<double>(position);
        const auto q = static_cast<double>(reached);
        // The rest at the speeds 1/q and 1/p (times a byte) against the first thread's way to p.
        return (static_cast<double>(m_size) - p) * (p + q) <= (p - q) * p;
    }

private:
    std::size_t m_from;
    std::size_t m_size;
    bool m_measured;
};

// Takes the server groups' turns and draws that converting the lines of queue would take, writing
// nothing: only "Url=" lines change the state, and the search for them skips the lines between. feed gets
// each "Url=" line as the rules made it. The turns stop at the first place (see splitPoint) after the
// "Url=" line where balance says so, and that place is returned (npos when the turns went on to the end):
// the feed is told it before it gets the next "Url=" line, which its reader needs to come near the place.
std::size_t takeServerTurns(State& state, const LineReader& queue, AddressFeed& feed,
                            const PartsBalance& balance) {
    std::int64_t ReadPos = 1;
    EntryRewriter rewriter(state, queue, ReadPos);
    std::size_t split = std::string_view::npos;
    bool choosing = true; // when there is no place from where it was chosen on, there is none further on
    for (std::int64_t at = queue.findLineStart(1, queue::kUrl);
         at >= 1 && static_cast<std::size_t>(at - 1) < split; at = queue.findLineStart(at, queue::kUrl)) {
        const std::string_view line = queue.ReadLineAt(at);
        feed.put(line, rewriter.Set_AllStatus(line));
        if (!choosing || at < 1)
            continue;
        const char* const reached = feed.readerReached();
        if (!balance.due(static_cast<std::size_t>(at - 1),
                         reached != nullptr ? static_cast<std::size_t>(reached - queue.bytes().data()) : 0))
            continue;
        choosing = false;
        split = splitPoint(queue, static_cast<std::size_t>(at - 1));
        if (split != std::string_view::npos)
            feed.endReaderAt(split);
    }
    return split;
}

ConvertedPart convertPart(State& state, const LineReader& queue, AddressFeed* feed = nullptr) {
    ConvertedPart part;
    MemorySink text(queue.bytes().size() + queue.bytes().size() / 8 + 64);
    // Room for an entry every 64 bytes, more than a queue has: the index is never copied as it grows, and
    // the room not used is never touched.
    part.entries.entries().reserve(queue.bytes().size() / 64);
    // The text keeps copies of what it is given: the queue's pages behind the conversion are given back.
    convertQueueWith(state, queue, text, true, &part.entries, feed);
    part.text = text.release();
    return part;
}

} // namespace

std::vector<ConvertedPart> convertInParts(State& state, const LineReader& queue, std::size_t splitFrom,
                                          bool balanced) {
    std::vector<ConvertedPart> parts;
    const std::size_t size = queue.bytes().size();
    // Server groups that take turns or draw carry their state over from the first part's lines: the second
    // thread takes those turns first, and hands the lines it made to this thread, until it chooses where
    // the first part ends. Without them the parts are split where they are asked to be.
    const bool turns = state.optionOn(kOptServerChange);
    const std::size_t fixedSplit =
        !turns && splitFrom < size ? splitPoint(queue, splitFrom) : std::string_view::npos;
    if (splitFrom >= size || (!turns && fixedSplit == std::string_view::npos)) {
        parts.push_back(convertPart(state, queue));
        return parts;
    }
    // What the second part's thread writes lies apart from what this thread reads and writes: sharing a
    // cache line with it would cost a transfer between the processors every few lines.
    struct alignas(64) Second {
        Second(const State& given, PartsBalance chosen) : state(given), balance(chosen) {}
        State state; // as it is before the first part's turns
        ConvertedPart part;
        std::exception_ptr failure;
        AddressFeed feed;
        PartsBalance balance;
        std::size_t split = std::string_view::npos; // where the second part begins; none when npos
    };
    const auto second = std::make_unique<Second>(state, PartsBalance(splitFrom, size, balanced));
    second->split = fixedSplit;
    const auto convertSecond = [&queue, size, turns, &second = *second]() noexcept {
        try {
            if (turns)
                second.split = takeServerTurns(second.state, queue, second.feed, second.balance);
            second.feed.close();
            if (second.split != std::string_view::npos)
                second.part = convertPart(second.state, queue.part(second.split, size));
        } catch (...) {
            second.failure = std::current_exception();
            second.feed.close();
        }
    };
    {
        std::jthread helper;
        try {
            helper = std::jthread(convertSecond);
        } catch (const std::system_error&) {
            // No second thread to be had: one part, here.
            parts.push_back(convertPart(state, queue));
            return parts;
        }
        // With turns, this part ends where the feed says, or at the end when the second thread took every
        // turn of the queue.
        parts.push_back(turns ? convertPart(state, queue, &second->feed)
                              : convertPart(state, queue.part(0, fixedSplit)));
    }
    if (second->failure)
        std::rethrow_exception(second->failure);
    if (second->split != std::string_view::npos)
        parts.push_back(std::move(second->part));
    // The second thread's state took every turn of the whole conversion, in the order of the file.
    state = std::move(second->state);
    return parts;
}

namespace {

// Finds the entries of a text for shuffleEntries, in the form it keeps them.
void findEntries(const LineReader& converted, std::vector<std::uint64_t>& entries) {
    const auto note = [&entries](std::int64_t start, bool wholeCopy) {
        entries.push_back(static_cast<std::uint64_t>(start) << 1 | (wholeCopy ? 1 : 0));
    };
    const std::string_view bytes = converted.bytes();
    const auto size = static_cast<std::int64_t>(bytes.size());
    std::int64_t ReadPos = 1;
    // A text that ends with a line end (a converted one always does) has no stretch where a NUL ends a
    // line, so entries and comment lines are found by searching for line starts, not reading every line.
    const bool endsWithLineEnd = bytes.empty() || bytes.back() == '\r' || bytes.back() == '\n';
    std::int64_t comment = 0;    // the first comment line at or after the current entry
    std::int64_t regularEnd = 0; // the end of the last stretch of CR LF lines found
    for (std::int64_t at = converted.findLineStart(1, queue::kInfo); endsWithLineEnd && at >= 1;) {
        std::int64_t next = at;
        (void)converted.ReadLineAt(next);
        next = next >= 1 ? converted.findLineStart(next, queue::kInfo) : kEndOfFile;
        const std::int64_t end = next >= 1 ? next : size + 1;
        if (comment >= 1 && comment < at)
            comment = converted.findLineStart(at, queue::kComment);
        else if (comment == 0)
            comment = converted.findLineStart(at, queue::kComment);
        const bool noComment = comment < 1 || comment >= end;
        // One scan serves every entry inside the stretch of CR LF lines it finds.
        if (at - 1 >= regularEnd)
            regularEnd = static_cast<std::int64_t>(converted.crlfLinesEnd(static_cast<std::size_t>(at - 1)));
        const bool crlf = regularEnd >= end - 1;
        note(at, noComment && crlf);
        at = next;
    }
    if (endsWithLineEnd)
        ReadPos = kEndOfFile;
    while (ReadPos >= 1) {
        const std::int64_t at = ReadPos;
        const std::string_view line = converted.ReadLineAt(ReadPos);
        if (ReadPos < 1)
            break;
        if (queue::hasPrefix(line, queue::kInfo))
            note(at, true);
        if (entries.empty())
            continue;
        const auto lineEnd = static_cast<std::size_t>(at - 1) + line.size();
        const bool crlf = static_cast<std::size_t>(ReadPos - 1) == lineEnd + 2 && bytes[lineEnd] == '\r';
        if (!crlf || queue::hasPrefix(line, queue::kComment))
            entries.back() &= ~std::uint64_t{1};
    }
}

} // namespace

namespace {

// Text gathered by one thread in chunks that another thread writes to a sink: while one chunk is written,
// the next is filled, two chunks taking turns. The writer makes the chunks, so that their fresh pages cost
// its time; the filler hands its writing over once they are made (ready()).
class ChunkHandOff final : public ByteSink {
public:
    explicit ChunkHandOff(ByteSink& out) : m_out(out) {}
    ChunkHandOff(const ChunkHandOff&) = delete;
    ChunkHandOff& operator=(const ChunkHandOff&) = delete;

    /// Writer: makes the chunks, then writes each as it is handed over, until the filler is done. A failure
    /// to write is kept for the filler, which stops.
    void writeAll() noexcept {
        try {
            m_memory.reset(os::allocateLarge(2 * kChunk));
        } catch (const std::bad_alloc&) {
            return; // the filler writes on by itself
        }
        // The pages are made here, on this thread, not by the filler: all at once where the system can, and
        // by a write to each where it cannot (a page already made costs the write alone).
        os::prepareForWriting(m_memory.get(), 2 * kChunk);
        for (std::size_t at = 0; at < 2 * kChunk; at += 4096)
            m_memory.get()[at] = '\0';
        m_chunks[0].bytes = m_memory.get();
        m_chunks[1].bytes = m_memory.get() + kChunk;
        m_ready.store(true, std::memory_order_release);
        for (std::size_t k = 0;; k ^= 1) {
            Chunk& chunk = m_chunks[k];
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return chunk.full || m_done; });
                if (!chunk.full)
                    return;
            }
            try {
                m_out.appendLasting({chunk.bytes, chunk.size});
                m_out.writeHeld();
            } catch (...) {
                fail(std::current_exception());
                return;
            }
            {
                const std::lock_guard lock(m_mutex);
                chunk.full = false;
            }
            m_changed.notify_all();
        }
    }

    /// Filler: whether the writer has made its chunks and waits for the first.
    bool ready() const { return m_ready.load(std::memory_order_acquire); }
    /// Filler: from here on the text goes into the chunks; ready() is true.
    void begin() { fillFrom(0); }
    /// Filler: hands over the chunk being filled and lets the writer go when it has written it. Called
    /// once the last byte is appended, after begin().
    void finish() {
        handOver();
        stop();
    }
    /// Filler, once the writer is done: rethrows its failure.
    void rethrowFailure() const {
        if (m_failure)
            std::rethrow_exception(m_failure);
    }
    /// Filler: no more chunks come; the writer stops after those handed over.
    void stop() {
        {
            const std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
    }

    static constexpr std::size_t kChunk = 1 << 20;
    /// How much text makes handing over worth making the chunks.
    static constexpr std::size_t kWorthFrom = 2 * kChunk;

private:
    struct Chunk {
        char* bytes = nullptr;
        std::size_t size = 0;
        bool full = false; // handed over and not yet written; under m_mutex
    };

    void overflow(std::string_view bytes) override {
        while (!bytes.empty()) {
            const auto room = static_cast<std::size_t>(m_end - m_next);
            const std::size_t taken = std::min(room, bytes.size());
            m_next = std::copy_n(bytes.begin(), taken, m_next);
            bytes.remove_prefix(taken);
            if (m_next == m_end) {
                handOver();
                fillFrom(m_filling ^ 1);
            }
        }
    }

    // Hands the chunk being filled to the writer, if it holds anything.
    void handOver() {
        Chunk& chunk = m_chunks[m_filling];
        chunk.size = static_cast<std::size_t>(m_next - chunk.bytes);
        if (chunk.size == 0)
            return;
        {
            const std::lock_guard lock(m_mutex);
            chunk.full = true;
        }
        m_changed.notify_all();
    }

    // Waits until chunk k is written, and fills it next.
    void fillFrom(std::size_t k) {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return !m_chunks[k].full || m_failure; });
            if (m_failure)
                std::rethrow_exception(m_failure);
        }
        m_filling = k;
        m_next = m_chunks[k].bytes;
        m_end = m_next + kChunk;
    }

    void fail(std::exception_ptr failure) {
        {
            const std::lock_guard lock(m_mutex);
            m_failure = std::move(failure);
        }
        m_changed.notify_all();
    }

    ByteSink& m_out;
    os::LargeMemory m_memory; // both chunks
    Chunk m_chunks[2];
    std::size_t m_filling = 0;
    std::atomic<bool> m_ready{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    std::exception_ptr m_failure;
};

// The entries of one or two converted texts in random order. entries holds the entries of first (see
// shuffleEntries) and where its last one ends, and after them, from position secondFrom on, the same for
// second.
void shuffleIndexed(const LineReader& first, const LineReader* second, std::size_t secondFrom,
                    std::vector<std::uint64_t>& entries, Random& random, ByteSink& out) {
    const auto startOf = [&entries](std::size_t i) { return static_cast<std::int64_t>(entries[i] >> 1); };
    const auto textOf = [&](std::size_t i) -> const LineReader& { return i >= secondFrom ? *second : first; };
    const std::size_t count = entries.size() - (second != nullptr ? 2 : 1);
    // The k-th entry drawn is at position k, or past the first text's end in the second text.
    const std::size_t firstCount = second != nullptr ? secondFrom - 1 : count;

    // The order is drawn on a second thread while this one copies the entries drawn so far: drawing is
    // arithmetic in a small table, copying waits on memory, and the two overlap. The drawing runs ahead,
    // so that each entry's bytes can be asked of the memory a few entries before they are copied: the
    // entries are read in random order, and each read would otherwise wait. Once the order is drawn, the
    // second thread writes what this one gathers, a chunk at a time, so that writing overlaps gathering.
    // Not filled first: the drawing thread makes the order's pages as it begins, not this one.
    const auto order = std::make_unique_for_overwrite<std::uint32_t[]>(count);
    Progress drawn;
    RemainingEntries remaining(count);
    const auto draw = [&]() noexcept {
        constexpr std::size_t kBatch = 256;
        os::prepareForWriting(reinterpret_cast<char*>(order.get()), count * sizeof order[0]);
        for (std::size_t i = 0; i < count; ++i) {
            const auto r = static_cast<std::size_t>(random.next() * static_cast<double>(count - i)) + 1;
            const std::size_t k = remaining.take(r) - 1;
            order[i] = static_cast<std::uint32_t>(k < firstCount ? k : k + 1);
            if ((i + 1) % kBatch == 0 || i + 1 == count)
                drawn.tell(i + 1);
        }
    };
    ChunkHandOff handOff(out);
    // A text of less than two chunks is written here alone: making the chunks would cost more than they save.
    const bool handingPays =
        first.bytes().size() + (second != nullptr ? second->bytes().size() : 0) >= ChunkHandOff::kWorthFrom;
    const auto drawAndWrite = [&]() noexcept {
        draw();
        if (handingPays)
            handOff.writeAll();
    };
    std::jthread drawer;
    bool handing = false; // whether the writing is handed over
    try {
        drawer = std::jthread(drawAndWrite);
    } catch (const std::system_error&) {
        draw(); // no second thread to be had: the whole order is drawn first, here
    }
    // Lets the writer go on every way out, before the thread is joined.
    struct Stop {
        ChunkHandOff& handOff;
        ~Stop() { handOff.stop(); }
    } const stop{handOff};
    ByteSink* sink = &out;
    constexpr std::size_t kAhead = 8;
    std::size_t ready = 0; // order[0, ready) is drawn
    for (std::size_t i = 0; i < count; ++i) {
        if (const std::size_t needed = std::min(i + 2 * kAhead + 1, count); ready < needed)
            ready = drawn.waitFor(needed);
        // The index itself is read in random order too: its words are asked for earlier still.
        if (i + 2 * kAhead < count)
            __builtin_prefetch(&entries[order[i + 2 * kAhead]]);
        if (i + kAhead < count) {
            const std::size_t later = order[i + kAhead];
            const char* const bytes = textOf(later).bytes().data();
            const char* from = bytes + (startOf(later) - 1);
            const char* to = bytes + (startOf(later + 1) - 1);
            for (const char* p = from; p < to && p < from + 512; p += 64)
                __builtin_prefetch(p);
        }
        if (!handing && i % 256 == 0 && drawer.joinable() && handOff.ready()) {
            handing = true;
            handOff.begin();
            sink = &handOff;
        }
        const std::size_t entry = order[i];
        const LineReader& converted = textOf(entry);
        const std::string_view bytes = converted.bytes();
        const std::int64_t start = startOf(entry);
        const std::int64_t end = startOf(entry + 1);
        sink->append(queue::kLineEnd);
        if ((entries[entry] & 1) != 0) {
            sink->appendLasting(
                bytes.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(end - start)));
            continue;
        }
        RunWriter writer(bytes, *sink);
        std::int64_t ReadPos = start;
        while (ReadPos >= 1 && ReadPos < end) {
            const std::string_view line = converted.ReadLineAt(ReadPos);
            if (ReadPos < 1)
                break;
            if (queue::hasPrefix(line, queue::kComment))
                writer.flush();
            else
                writer.copyLine(line, ReadPos);
        }
        writer.flush();
    }
    if (handing) {
        handOff.finish();
        drawer.join();
        handOff.rethrowFailure();
    }
}

// Where the last entry of an index of text ends.
std::uint64_t endOf(const LineReader& text) {
    return static_cast<std::uint64_t>(text.bytes().size() + 1) << 1;
}

} // namespace

void shuffleEntries(const LineReader& converted, Random& random, ByteSink& out, EntryIndex* given) {
    // Every entry's first line is noted (by the conversion, or here by one scan); an entry ends where the
    // next begins, the last at the end of the text. An entry whose lines all end with CR LF and that has
    // no comment line is then copied as one run of bytes; any other is copied line by line. Each entry
    // takes 8 bytes: its start shifted left by one, and that bit set for a whole copy.
    std::vector<std::uint64_t> searched;
    std::vector<std::uint64_t>& entries = given != nullptr ? given->entries() : searched;
    if (given == nullptr)
        findEntries(converted, entries);
    entries.push_back(endOf(converted));
    shuffleIndexed(converted, nullptr, entries.size(), entries, random, out);
}

void shuffleEntries(std::vector<ConvertedPart>& parts, Random& random, ByteSink& out) {
    if (parts.size() == 1) {
        shuffleEntries(parts[0].text, random, out, &parts[0].entries);
        return;
    }
    if (parts.size() != 2)
        throw std::invalid_argument("a converted text is shuffled in one or two parts");
    std::vector<std::uint64_t>& entries = parts[0].entries.entries();
    entries.push_back(endOf(parts[0].text));
    const std::size_t secondFrom = entries.size();
    const std::vector<std::uint64_t>& second = parts[1].entries.entries();
    entries.insert(entries.end(), second.begin(), second.end());
    entries.push_back(endOf(parts[1].text));
    shuffleIndexed(parts[0].text, &parts[1].text, secondFrom, entries, random, out);
}

std::string shuffleEntries(const LineReader& converted, Random& random) {
    std::string text;
    text.reserve(converted.bytes().size() + converted.bytes().size() / 8 + 64);
    StringSink out(text);
    shuffleEntries(converted, random, out);
    return text;
}

void prepareForFile(State& state) {
    state.WebjumpRecs[0].ServerDomain = std::string(WebjumpDomain);
    state.WebjumpRecs[0].ServerHead = "xxxx";
    state.WebjumpRecs[1].ServerDomain = state.options.Text_WebjumpName + std::string(WebjumpSubdomainSuffix);
    state.WebjumpRecs[1].ServerHead = std::string(kFreehostingHead);
    for (int i = 1; i <= state.ServerCount; ++i)
        state.Servers[static_cast<std::size_t>(i)].SNextPos = 1;
}

FileResult Chenge_Wrg(State& state, const std::filesystem::path& path, ConversionHooks& hooks) {
    FileResult result;
    result.input = path;

    const BusyGuard busy(hooks);
    normaliseWebjumpNumber(state.options);
    prepareForFile(state);

    try {
        os::FileStatus st;
        if (const std::error_code error = os::status(path, st))
            throw IoError(failure("cannot read", path, error));
        if (st.directory)
            throw IoError(failure("cannot read", path, std::make_error_code(std::errc::is_a_directory)));
        if (!st.regular)
            throw IoError("cannot read " + os::pathText(path) + ": not a regular file");
        const unsigned mode = st.mode & 0666;
        switch (queue::fileKind(path)) {
        case queue::FileKind::Queue:
            convertQueueFile(state, path, LineReader::open(path), mode, result);
            break;
        case queue::FileKind::UrlList:
            if (std::optional<MadeQueue> made = convertUrlList(state, path, mode, hooks, result))
                convertQueueFile(state, made->file, std::move(made->text), mode, result);
            break;
        case queue::FileKind::Other:
            result.outcome = Outcome::Ignored;
            break;
        }
    } catch (const IoError& error) {
        result.outcome = Outcome::Failed;
        result.error = error.what();
    } catch (const std::exception& error) {
        // Out of memory on a huge file, for one: the temporary files are gone with the unwinding, and the
        // next file gets its turn.
        result.outcome = Outcome::Failed;
        result.error = "cannot convert " + os::pathText(path) + ": " + error.what();
    }
    return result;
}

std::vector<FileResult> convertFiles(State& state, const std::vector<std::filesystem::path>& files,
                                     ConversionHooks& hooks) {
    std::vector<FileResult> results;
    results.reserve(files.size());
    for (const auto& file : files) {
        results.push_back(Chenge_Wrg(state, file, hooks));
        hooks.fileDone(results.back());
    }
    return results;
}

std::vector<std::string> splitCommandLine(std::string_view commandLine) {
    std::vector<std::string> paths;
    const CharText text(commandLine);
    std::size_t p = text.find(":");
    if (p <= 1)
        return paths;
    std::size_t s = p - 2;
    for (;;) {
        p = text.find(":", p + 1);
        if (p == 0) {
            const std::string_view path = text.mid(s + 1);
            if (!path.empty())
                paths.emplace_back(path);
            return paths;
        }
        // A path ends two characters before the next drive letter's colon (the blank and the letter).
        if (p >= s + 3 && p - s - 3 > 0)
            paths.emplace_back(text.mid(s + 1, p - s - 3));
        s = p - 2;
    }
}

} // namespace tamarisk::core
