#pragma once

#include "core/linereader.h"
#include "core/state.h"
#include "core/urlsplit.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tamarisk::core {

class AddressFeed;

/// The per-line rewrite of a queue file being converted. It reads the option and server state, and may
/// read ahead in the file being converted to find an entry's address; the caller's reading position is
/// never moved. One rewriter serves one pass over one file.
class EntryRewriter {
public:
    EntryRewriter(State& state, const LineReader& reader, std::int64_t& ReadPos);

    /// Set_AllStatus: the line to write in place of line. "StoreIn=" lines get the save folder, "Url="
    /// lines go through the address change, the Webjump forms and the server-group step; every other line
    /// comes back as it is. The view stays valid until the next call.
    std::string_view Set_AllStatus(std::string_view line) {
        // Most lines begin with neither letter: one comparison, here where it is called, lets them through.
        if (line.empty() || (line[0] != 'S' && line[0] != 'U'))
            return line;
        return rewrite(line);
    }
    /// The two-byte beginnings of the lines Set_AllStatus may rewrite, one after another ("StUr"); every
    /// other line comes back as it is. Empty when the options that rewrite lines are off.
    std::string_view rewrittenBeginnings() const;
    /// The "Url=" lines' results are taken from feed, in order, rather than worked out here, and the
    /// look-ahead for an entry's address takes the feed's next line.
    void takeAddressesFrom(AddressFeed* feed) { m_feed = feed; }

private:
    std::string_view rewrite(std::string_view line);
    std::string_view saveFolderLine();
    std::string_view addressLine(std::string_view line);
    /// The first "Url=" line from the reading position on, as the file has it.
    std::optional<std::string_view> nextAddressLine();

    State& m_state;
    const LineReader& m_reader;
    std::int64_t& m_readPos;
    AddressFeed* m_feed = nullptr;

    AddressChanger m_addressChanger; // also holds the server groups' index
    std::string m_result;            // the rewritten line handed back
    std::string m_moved;             // the address after the address change
    std::string m_changed;           // the "Url=" line after the address change
    std::string m_restBuffer;        // an address taken into a server group
    std::string m_input;             // a copy of an input line that lies in m_result or m_changed

    // "StoreIn=" with the save folder and its "\", remade when the folder changes.
    std::string m_folderSource;
    std::string m_folderLine;
    bool m_folderReady = false;

    // The last look-ahead: from position m_scanFrom on, the first "Url=" line begins at m_urlAt (none:
    // m_urlAt is the largest position). A look-ahead from a position between the two has the same answer,
    // so a run of "StoreIn=" lines costs one scan, not one scan each.
    std::int64_t m_scanFrom = 0;
    std::int64_t m_urlAt = 0;
    std::optional<std::string_view> m_urlLine;
};

} // namespace tamarisk::core
