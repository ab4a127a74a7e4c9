#include "core/rules.h"

#include "core/addressfeed.h"
#include "core/cp932.h"
#include "core/queueformat.h"
#include "core/serverassign.h"
#include "core/urlsplit.h"

#include <bit>
#include <functional>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tamarisk::core {

namespace {

// Whether text lies inside buffer's storage.
bool within(std::string_view text, const std::string& buffer) {
    const std::less<const char*> before;
    return !text.empty() && !before(text.data(), buffer.data()) &&
           before(text.data(), buffer.data() + buffer.size());
}

// The last "/" of text, or npos. The file name after it is short: sixteen bytes at a time from the end
// mostly find it in one look, where a search byte by byte takes a step for each byte of the name.
std::size_t lastSlash(std::string_view text) {
    std::size_t end = text.size();
#ifdef __SSE2__
    const __m128i slash = _mm_set1_epi8('/');
    for (; end >= 16; end -= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + end - 16));
        if (const auto found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, slash)));
            found != 0)
            return end - 16 + static_cast<std::size_t>(31 - std::countl_zero(found));
    }
#endif
    return text.substr(0, end).rfind('/');
}

// The folder made from the file name of a "Url=" line: the part before the first dot less its last
// three characters, or, when that part has three characters or fewer, the part with its dot. Nothing
// when the address has no "/" or its file name has no dot.
void appendFolderFromName(std::string& out, std::string_view urlLine) {
    // "/" and "." are never the second byte of a double-byte character, so byte searches find them.
    const std::string_view address = urlLine.substr(queue::kUrl.size());
    const std::size_t slash = lastSlash(address);
    if (slash == std::string_view::npos)
        return;
    const std::string_view fileName = address.substr(slash + 1);
    const std::size_t dot = fileName.find('.');
    if (dot == std::string_view::npos)
        return;
    const std::string_view stem = fileName.substr(0, dot);
    // A byte below 0x40 is never the second byte of a double-byte character, so it is a character of its
    // own: when the stem's last three bytes are such (a number, most often), they are its last three
    // characters, and a fourth byte before them makes at least four.
    const auto single = [&stem](std::size_t fromEnd) {
        return static_cast<unsigned char>(stem[stem.size() - fromEnd]) < 0x40;
    };
    if (stem.size() >= 4 && single(1) && single(2) && single(3)) {
        out += stem.substr(0, stem.size() - 3);
        return;
    }
    // Otherwise one walk over the stem's characters, keeping where the last four began: the name less its
    // last three characters ends where the third from the end begins.
    std::size_t starts[4] = {};
    std::size_t length = 0;
    for (std::size_t i = 0; i < stem.size(); i += charWidthAt(stem, i))
        starts[length++ % 4] = i;
    if (length >= 4)
        out += stem.substr(0, starts[(length - 3) % 4]);
    else
        out += fileName.substr(0, dot + 1);
}

} // namespace

EntryRewriter::EntryRewriter(State& state, const LineReader& reader, std::int64_t& ReadPos)
    : m_state(state), m_reader(reader), m_readPos(ReadPos), m_addressChanger(state) {}

std::string_view EntryRewriter::rewrite(std::string_view line) {
    if (queue::hasPrefix(line, queue::kStoreIn)) {
        return m_state.optionOn(kOptSaveFolder) ? saveFolderLine() : line;
    }
    if (queue::hasPrefix(line, queue::kUrl) &&
        (m_state.optionOn(kOptServerChange) || m_state.optionOn(kOptWebjump) ||
         m_state.optionOn(kOptAddressChange))) {
        if (m_feed != nullptr)
            return m_feed->next(line);
        // A caller may hand back a line this rewriter returned; the buffers are about to be rewritten.
        if (within(line, m_result) || within(line, m_changed)) {
            m_input.assign(line);
            line = m_input;
        }
        return addressLine(line);
    }
    return line;
}

std::string_view EntryRewriter::rewrittenBeginnings() const {
    static_assert(queue::kStoreIn.starts_with("St") && queue::kUrl.starts_with("Ur"));
    const bool folder = m_state.optionOn(kOptSaveFolder);
    const bool address = m_state.optionOn(kOptServerChange) || m_state.optionOn(kOptWebjump) ||
                         m_state.optionOn(kOptAddressChange);
    return folder && address ? "StUr" : folder ? "St" : address ? "Ur" : "";
}

std::string_view EntryRewriter::saveFolderLine() {
    const std::string& folder = m_state.options.Label_AllDir[1];
    if (!m_folderReady || folder != m_folderSource) {
        m_folderSource = folder;
        m_folderLine.assign(queue::kStoreIn);
        m_folderLine += folder;
        // Counted as characters: a folder that ends in a character such as 0x95 0x5C still needs its "\".
        if (CharText(m_folderLine).right(1) != "\\")
            m_folderLine += '\\';
        m_folderReady = true;
    }
    if (m_state.options.Option_DLDir != 1)
        return m_folderLine;
    const std::optional<std::string_view> address = nextAddressLine();
    if (!address)
        return m_folderLine;
    m_result.assign(m_folderLine);
    appendFolderFromName(m_result, *address);
    return m_result;
}

std::optional<std::string_view> EntryRewriter::nextAddressLine() {
    const std::int64_t from = m_readPos;
    if (from < 1)
        return std::nullopt;
    // The feed's next line is the first "Url=" line after those this rewriter has taken, which are all
    // the lines before the reading position.
    if (m_feed != nullptr)
        return m_feed->upcoming();
    if (m_scanFrom >= 1 && from >= m_scanFrom && from <= m_urlAt)
        return m_urlLine;
    // The scan reads with a position of its own, so the caller goes on with the line after "StoreIn="
    // and reads the lines looked at here again in their turn.
    m_scanFrom = from;
    m_urlAt = std::numeric_limits<std::int64_t>::max();
    m_urlLine.reset();
    std::int64_t position = m_reader.findLineStart(from, queue::kUrl);
    if (position >= 1) {
        m_urlAt = position;
        m_urlLine = m_reader.ReadLineAt(position);
    }
    return m_urlLine;
}

std::string_view EntryRewriter::addressLine(std::string_view line) {
    // A line with no "//" after "Url=" or no dotted host before its first "/" names no server: it stays
    // as the address change leaves it. The parts of the line as it came serve the address change too.
    std::optional<AddressParts> parts = AddressParts::fromLine(line);
    std::string_view current = line;
    if (m_state.optionOn(kOptAddressChange)) {
        const std::string_view address = line.substr(queue::kUrl.size());
        const bool moved = parts ? m_addressChanger.change(address, *parts, m_moved)
                                 : m_addressChanger.change(address, m_moved);
        if (moved) {
            m_changed.assign(queue::kUrl);
            m_changed += m_moved;
            current = m_changed;
            parts = AddressParts::fromLine(current);
        }
    }
    if (!parts || !parts->hasDottedHost())
        return current;
    if (m_state.optionOn(kOptWebjump) && applyWebjumpForms(m_state, *parts, m_result))
        return m_result;
    if (m_state.optionOn(kOptServerChange) &&
        applyServerGroups(m_state, m_addressChanger.groups(), *parts, m_result, m_restBuffer))
        return m_result;
    return current;
}

} // namespace tamarisk::core
