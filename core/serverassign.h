#pragma once

#include "core/state.h"
#include "core/texttable.h"

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The two steps that move a download address to another server: the Webjump address forms and the
// server-group step (numbered hosts, Tripod's 7a hosts and address lists).
namespace tamarisk::core {

/// Where the rules cut a text: its first "/", its first "." and the first "." after that one, as byte
/// offsets (npos for none). "/" and "." are never the second byte of a double-byte character, so each is a
/// character of its own and every cut falls between characters.
struct AddressMarks {
    std::size_t slash = std::string_view::npos;
    std::size_t dot1 = std::string_view::npos;
    std::size_t dot2 = std::string_view::npos;

    /// The marks of text.
    static AddressMarks of(std::string_view text);
};

/// An address cut the way the server rules look at it: head is the line up to and including its "//",
/// rest is what follows. Offsets are byte offsets into rest; "/" and "." never occur as the second byte of
/// a double-byte character, so finding them byte by byte finds the same characters that a search by
/// character finds, and every piece below is the same text.
class AddressParts {
public:
    /// Cuts a "Url=" line at the first "//" from its fifth character on; nothing when it has none.
    static std::optional<AddressParts> fromLine(std::string_view line);
    AddressParts(std::string_view head, std::string_view rest);

    std::string_view head() const { return m_head; }
    std::string_view rest() const { return m_rest; }
    /// The marks of rest.
    const AddressMarks& marks() const { return m_marks; }

    // The parts every rule of every line asks for, some of them several times, are answered here inline.

    /// rest has a "/" and its host (the text before that "/") has a dot: the shape every rule needs.
    bool hasDottedHost() const {
        return m_marks.slash != std::string_view::npos && m_marks.dot1 != std::string_view::npos &&
               m_marks.dot1 < m_marks.slash;
    }
    /// The text before the first "/" of rest (all of rest when it has none).
    std::string_view host() const { return m_rest.substr(0, m_marks.slash); }
    /// The text after the first "/" of rest (empty when it has none).
    std::string_view path() const;
    /// The host less its first label; the whole host when rest has no dot at all; nothing when the first
    /// dot of rest lies in the path.
    std::optional<std::string_view> dom1() const {
        if (m_marks.dot1 == std::string_view::npos)
            return host();
        if (m_marks.slash == std::string_view::npos || m_marks.dot1 > m_marks.slash)
            return std::nullopt;
        return m_rest.substr(m_marks.dot1 + 1, m_marks.slash - m_marks.dot1 - 1);
    }
    /// The host less its first two labels; nothing unless the host has two dots.
    std::optional<std::string_view> dom2() const;
    /// Everything after the first dot of rest (all of rest when it has none).
    std::string_view tail1() const {
        return m_marks.dot1 == std::string_view::npos ? m_rest : m_rest.substr(m_marks.dot1 + 1);
    }
    /// The host's first label: the text before the first dot.
    std::string_view firstLabel() const;
    /// The host's first two labels: the text before the second dot.
    std::string_view firstTwoLabels() const;

private:
    std::string_view m_head;
    std::string_view m_rest;
    AddressMarks m_marks; // of rest
};

/// How the server-group step picks a server (Option_OptMC).
enum class AssignMode { Random, InOrder, Stop };
/// 1 is in order, 2 is stop; any other value is the default, random.
AssignMode assignMode(int optionOptMC);

/// The Webjump forms: writes the new line to out and returns true when one of the three forms applies.
/// The number K is Text_Webjump as it is; the configured server domain J is WebjumpRecs(1).ServerDomain.
bool applyWebjumpForms(const State& state, const AddressParts& parts, std::string& out);

/// ServerCount within 0..kMaxServers: how many of Servers(1..) are groups.
int groupCount(const State& state);

/// The server groups Servers(1..ServerCount) looked up by domain and by listed address, for a pass over
/// many lines: a line then costs a look-up, not a walk over every group and every address. The groups'
/// names, domains and address lists must not change while it is in use (their cursors may).
class ServerGroupIndex {
public:
    explicit ServerGroupIndex(const State& state);
    // The last look-up it keeps points into its own table.
    ServerGroupIndex(const ServerGroupIndex&) = delete;
    ServerGroupIndex& operator=(const ServerGroupIndex&) = delete;

    /// The groups whose ServerDomain is domain, as 1-based indices in the groups' order.
    std::span<const int> withDomain(std::string_view domain) const;
    /// Whether host is one of the addresses some group lists (its entries 1..IPCount).
    bool isListedAddress(std::string_view host) const {
        // Most hosts are not as long as any listed address: no look-up for them.
        if (host.size() < kLengths && !m_addressLengths[host.size()])
            return false;
        return m_addresses.find(host) != nullptr;
    }

private:
    static constexpr std::size_t kLengths = 256;

    TextTable<std::vector<int>> m_byDomain;
    TextTable<bool> m_addresses;
    std::array<bool, kLengths> m_addressLengths{}; // the lengths of the listed addresses below kLengths
    // Consecutive lines mostly share their domain: the last one found is kept (an index serves one pass).
    mutable std::string_view m_lastDomain;
    mutable std::span<const int> m_lastGroups;
};

/// The server-group step over Servers(1..ServerCount): writes the new line to out and returns true when
/// some group rewrote it; false leaves the line as it was. Advances the in-order cursors (SNextPos) and
/// draws from state.random. restBuffer holds the rest of an address taken into a group by an address
/// match; it is only a buffer, passed in so that its storage is reused from line to line.
bool applyServerGroups(State& state, const AddressParts& parts, std::string& out, std::string& restBuffer);
/// The same, with the groups looked up in index (made from the same state).
bool applyServerGroups(State& state, const ServerGroupIndex& index, const AddressParts& parts,
                       std::string& out, std::string& restBuffer);

/// Every line the server-group step could write for an address under the current assignment mode: the
/// group's numbered (or 7a) hosts and its enabled addresses, in the group's order. Empty when no group
/// takes the address or when its group has one choice only (a fixed number, assignment stopped).
std::vector<std::string> serverGroupChoices(const State& state, const AddressParts& parts);

} // namespace tamarisk::core
