#include "core/serverassign.h"

#include "core/cp932.h"
#include "core/domains.h"
#include "core/linereader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tamarisk::core {

namespace {

constexpr std::string_view kWebjumpUserFolder = "-webjump/";
constexpr std::string_view kSevenA = "7a";
constexpr std::string_view kSevenADash = "7a-";

// Int(r x count): the largest integer not above a fresh random number times count. For a count of zero
// or more that is the product with its fraction dropped, which costs no call to floor.
int draw(Random& random, int count) {
    const double product = random.next() * count;
    return static_cast<int>(product >= 0 ? product : std::floor(product));
}

// Whether the first characters of text are prefix, counted as characters: a prefix that ends in a lone
// lead byte does not match a text where that byte begins a double-byte character.
bool startsWithChars(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size() || !sameText(text.substr(0, prefix.size()), prefix))
        return false;
    // The prefix must end on a character boundary of text, not inside a double-byte character.
    std::size_t i = 0;
    while (i < prefix.size())
        i += charWidthAt(text, i);
    return i == prefix.size();
}

// The switch that lets a group's own numbered (or 7a) hosts take part in the choice.
bool membersOn(const ServerRec& group) {
    return group.IPList[0].IPUse != 0;
}

int addressCount(const ServerRec& group) {
    return std::clamp<int>(group.IPCount, 0, kMaxAddresses);
}

// R = head & head label & suffix & "." & tail1: the host's first label replaced. Made at its full size
// and filled, as it is made for nearly every address.
void writeHead(std::string& out, const AddressParts& parts, std::string_view headLabel,
               std::string_view suffix) {
    const std::string_view head = parts.head();
    const std::string_view tail1 = parts.tail1();
    out.resize(head.size() + headLabel.size() + suffix.size() + 1 + tail1.size());
    char* at = std::copy(head.begin(), head.end(), out.data());
    at = std::copy(headLabel.begin(), headLabel.end(), at);
    at = std::copy(suffix.begin(), suffix.end(), at);
    *at++ = '.';
    std::copy(tail1.begin(), tail1.end(), at);
}

// A server number in decimal, as NumStr writes it, in digits.
std::string_view numberText(std::int16_t number, std::array<char, 8>& digits) {
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr;
    return {digits.data(), static_cast<std::size_t>(end - digits.data())};
}

// The address pick: the enabled address of the given rank replaces the whole host. Only entries
// 1..IPCount are looked at; when none has that rank the group changes nothing and false is returned.
bool writeAddress(std::string& out, const AddressParts& parts, const ServerRec& group, int rank) {
    if (rank < 1)
        return false;
    const IPEntry* picked = nullptr;
    int seen = 0;
    for (int j = 1; j <= addressCount(group) && picked == nullptr; ++j) {
        const IPEntry& entry = group.IPList[static_cast<std::size_t>(j)];
        if (entry.IPUse == -1 && ++seen == rank)
            picked = &entry;
    }
    if (picked == nullptr)
        return false;
    const std::string_view tail1 = parts.tail1();
    const std::size_t slash = tail1.find('/');
    out.assign(parts.head());
    out += picked->IPName;
    if (slash == std::string_view::npos)
        out += '/';
    else
        out += tail1.substr(slash);
    return true;
}

// The numbered rules: the head label plus a number of the group, or one of its enabled addresses.
bool applyNumbered(std::string& out, const AddressParts& parts, ServerRec& group, AssignMode mode,
                   Random& random) {
    const int numbers = std::clamp<int>(group.SNumberCount, 0, kMaxNumbers);
    const int enabled = group.IPUseCount;
    const int total = numbers + enabled;
    const bool members = membersOn(group);
    if (total == 0) {
        // Nothing to choose from: the number is taken off the host.
        writeHead(out, parts, group.ServerHead, {});
        return true;
    }
    if (group.SKimeuchi != 0 && numbers > 0) {
        // The fixed number is written as it is, whether or not the group lists it.
        writeHead(out, parts, group.ServerHead, NumStr(group.SKimeuchi));
        return true;
    }
    if (mode == AssignMode::Stop) {
        writeHead(out, parts, group.ServerHead, {});
        return true;
    }
    int n = 0;
    if (mode == AssignMode::Random) {
        n = draw(random, total) + 1;
    } else {
        n = group.SNextPos;
        int next = n + 1;
        if (!members && group.IPCount > 0 && next > enabled)
            next = 1;
        if (next > total)
            next = 1;
        group.SNextPos = static_cast<std::int16_t>(next);
    }
    if (n >= 1 && n <= numbers && (members || group.IPCount <= 0)) {
        std::array<char, 8> digits;
        writeHead(out, parts, group.ServerHead,
                  numberText(group.SNumber[static_cast<std::size_t>(n)], digits));
        return true;
    }
    int rank = 0;
    if (n > numbers)
        rank = n - numbers;
    else
        rank = mode == AssignMode::Random ? draw(random, enabled) + 1 : n;
    return writeAddress(out, parts, group, rank);
}

// The 7a rules of the Tripod group: W runs over the six 7a hosts (0 is "7a", 1..5 are "7a-1".."7a-5")
// and then the enabled addresses (W - 5 is the rank). W is kept from one group to the next of a line.
bool applySevenA(std::string& out, const AddressParts& parts, ServerRec& group, AssignMode mode,
                 Random& random, int& W) {
    const int enabled = group.IPUseCount;
    const bool members = membersOn(group);
    if (group.SKimeuchi == 0) {
        switch (mode) {
        case AssignMode::Random:
            W = draw(random, enabled + 6);
            break;
        case AssignMode::InOrder: {
            W = group.SNextPos;
            int next = W + 1;
            if (!members && group.IPCount > 0 && next > enabled)
                next = 1;
            if (next > enabled + 5)
                next = 0;
            group.SNextPos = static_cast<std::int16_t>(next);
            break;
        }
        case AssignMode::Stop:
            W = -1;
            break;
        }
    } else {
        W = W > 5 ? 0 : group.SKimeuchi;
    }

    if (W > 5)
        return writeAddress(out, parts, group, W - 5);
    if (!members && group.IPCount > 0) {
        const int rank = mode == AssignMode::Random ? draw(random, enabled) + 1 : W;
        return writeAddress(out, parts, group, rank);
    }
    std::string tag;
    if (W == 0)
        tag = kSevenA;
    else if (W >= 1)
        tag = std::string(kSevenADash) + static_cast<char>('0' + W);
    writeHead(out, parts, group.ServerHead, tag);
    return true;
}

// One group's turn in the server-group step: the group takes the address when the host less its first
// label is the group's domain and the address begins with the group's head.
bool applyGroup(State& state, ServerRec& group, const AddressParts& parts, AssignMode mode, bool sevenA,
                int& W, std::string& out) {
    const std::optional<std::string_view> domain = parts.dom1();
    if (!domain || !sameText(*domain, group.ServerDomain) || !startsWithChars(parts.rest(), group.ServerHead))
        return false;
    return (sevenA && group.ServerDomain == TripodDomain)
               ? applySevenA(out, parts, group, mode, state.random, W)
               : applyNumbered(out, parts, group, mode, state.random);
}

} // namespace

int groupCount(const State& state) {
    return std::clamp(state.ServerCount, 0, kMaxServers);
}

ServerGroupIndex::ServerGroupIndex(const State& state) {
    for (int i = 1; i <= groupCount(state); ++i) {
        const ServerRec& group = state.Servers[static_cast<std::size_t>(i)];
        m_byDomain[group.ServerDomain].push_back(i);
        for (int j = 1; j <= addressCount(group); ++j) {
            const std::string_view address = group.IPList[static_cast<std::size_t>(j)].IPName;
            m_addresses[address] = true;
            if (address.size() < kLengths)
                m_addressLengths[address.size()] = true;
        }
    }
}

std::span<const int> ServerGroupIndex::withDomain(std::string_view domain) const {
    // The last domain found is kept as the index's own key, which stays valid while the index lives.
    if (!m_lastDomain.empty() && sameText(domain, m_lastDomain))
        return m_lastGroups;
    const auto* const found = m_byDomain.find(domain);
    if (found == nullptr)
        return {};
    m_lastDomain = found->key;
    m_lastGroups = found->value;
    return m_lastGroups;
}

AddressMarks AddressMarks::of(std::string_view text) {
    constexpr std::size_t npos = std::string_view::npos;
    AddressMarks marks;
#ifdef __SSE2__
    // A host mostly lies within an address's first 32 bytes, with a "/" after it and two dots before or
    // after that: then one look at those bytes finds all three, where three searches would cost a call
    // each.
    if (text.size() >= 32) {
        const auto mask = [&text](std::size_t from, char c) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + from));
            return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(c))));
        };
        const std::uint32_t slashes = mask(0, '/') | mask(16, '/') << 16;
        const std::uint32_t dots = mask(0, '.') | mask(16, '.') << 16;
        const std::uint32_t laterDots = dots & (dots - 1);
        if (slashes != 0 && laterDots != 0) {
            marks.slash = static_cast<std::size_t>(std::countr_zero(slashes));
            marks.dot1 = static_cast<std::size_t>(std::countr_zero(dots));
            marks.dot2 = static_cast<std::size_t>(std::countr_zero(laterDots));
            return marks;
        }
    }
#endif
    marks.slash = text.find('/');
    marks.dot1 = text.find('.');
    if (marks.dot1 != npos)
        marks.dot2 = text.find('.', marks.dot1 + 1);
    return marks;
}

AddressParts::AddressParts(std::string_view head, std::string_view rest)
    : m_head(head), m_rest(rest), m_marks(AddressMarks::of(rest)) {}

std::optional<AddressParts> AddressParts::fromLine(std::string_view line) {
    // "Url=" is four characters of one byte each, so the fifth character is byte 4. The "//" mostly comes
    // a few bytes after it, sooner than a search that is a call would find it.
    for (std::size_t i = 4; i + 1 < line.size(); ++i) {
        if (line[i] == '/' && line[i + 1] == '/')
            return AddressParts(line.substr(0, i + 2), line.substr(i + 2));
    }
    return std::nullopt;
}

std::string_view AddressParts::path() const {
    return m_marks.slash == std::string_view::npos ? std::string_view{} : m_rest.substr(m_marks.slash + 1);
}

std::optional<std::string_view> AddressParts::dom2() const {
    if (m_marks.dot2 == std::string_view::npos || m_marks.slash == std::string_view::npos ||
        m_marks.dot2 > m_marks.slash)
        return std::nullopt;
    return m_rest.substr(m_marks.dot2 + 1, m_marks.slash - m_marks.dot2 - 1);
}

std::string_view AddressParts::firstLabel() const {
    return m_rest.substr(0, m_marks.dot1);
}

std::string_view AddressParts::firstTwoLabels() const {
    return m_rest.substr(0, m_marks.dot2);
}

AssignMode assignMode(int optionOptMC) {
    switch (optionOptMC) {
    case 1:
        return AssignMode::InOrder;
    case 2:
        return AssignMode::Stop;
    default:
        return AssignMode::Random;
    }
}

bool applyWebjumpForms(const State& state, const AddressParts& parts, std::string& out) {
    const std::string_view number = state.options.Text_Webjump;
    const std::string_view named = state.WebjumpRecs[1].ServerDomain;
    const auto beginHost = [&] {
        out.assign(parts.head());
        out += kFreehostingHead;
        out += number;
        out += '.';
    };

    if (parts.dom1() == WebjumpDomain) {
        // user.webjump.com/p -> freehostingK.J/us/user-webjump/p
        const std::string_view user = parts.firstLabel();
        beginHost();
        out += named;
        out += '/';
        out += CharText(user).left(2);
        out += '/';
        out += user;
        out += kWebjumpUserFolder;
        out += parts.path();
        return true;
    }
    // An empty J means the hosting-service records were never filled; no host can be on such a server.
    if (!named.empty() && parts.dom1() == named) {
        // freehostingN.J/p -> freehostingK.J/p
        beginHost();
        out += parts.tail1();
        return true;
    }
    if (parts.dom2() == WebjumpDomain) {
        // ab.cd.webjump.com/p -> freehostingK.J/ab/ab-cd/p
        const std::string_view user = parts.firstLabel();
        const std::string_view twoLabels = parts.firstTwoLabels();
        beginHost();
        out += named;
        out += '/';
        out += CharText(twoLabels).left(2);
        out += '/';
        out += user;
        out += '-';
        out += twoLabels.substr(user.size() + 1);
        out += '/';
        out += parts.path();
        return true;
    }
    return false;
}

bool applyServerGroups(State& state, const AddressParts& lineParts, std::string& out,
                       std::string& restBuffer) {
    const std::string_view host0 = lineParts.host();
    const std::string_view path0 = lineParts.path();
    AddressParts parts = lineParts;
    const AssignMode mode = assignMode(state.options.Option_OptMC);
    const bool sevenA = state.options.Check_Members7Tripod == 1;
    int W = 0;
    bool rewritten = false;
    for (int i = 1; i <= groupCount(state); ++i) {
        ServerRec& group = state.Servers[static_cast<std::size_t>(i)];
        for (int j = 1; j <= addressCount(group); ++j) {
            if (host0 == group.IPList[static_cast<std::size_t>(j)].IPName) {
                // The address is one of the group's: from here on (later groups too) the address is
                // looked at as if it were on the group's own host.
                restBuffer.assign(group.ServerName);
                restBuffer += '/';
                restBuffer += path0;
                parts = AddressParts(parts.head(), restBuffer);
                break;
            }
        }
        const bool written = applyGroup(state, group, parts, mode, sevenA, W, out);
        rewritten = rewritten || written;
    }
    return rewritten;
}

bool applyServerGroups(State& state, const ServerGroupIndex& index, const AddressParts& parts,
                       std::string& out, std::string& restBuffer) {
    // An address that some group lists may be looked at as another host on the way: the whole walk.
    if (index.isListedAddress(parts.host()))
        return applyServerGroups(state, parts, out, restBuffer);
    // Otherwise only the groups of the host's domain can take it, in their order.
    const std::optional<std::string_view> domain = parts.dom1();
    if (!domain)
        return false;
    const AssignMode mode = assignMode(state.options.Option_OptMC);
    const bool sevenA = state.options.Check_Members7Tripod == 1;
    int W = 0;
    bool rewritten = false;
    for (const int i : index.withDomain(*domain)) {
        const bool written =
            applyGroup(state, state.Servers[static_cast<std::size_t>(i)], parts, mode, sevenA, W, out);
        rewritten = rewritten || written;
    }
    return rewritten;
}

std::vector<std::string> serverGroupChoices(const State& state, const AddressParts& lineParts) {
    // The same walk as applyServerGroups: an address of a group's list is looked at as the group's own host,
    // and the last group that takes the address decides.
    std::string restBuffer;
    AddressParts parts = lineParts;
    const ServerRec* taken = nullptr;
    std::optional<AddressParts> takenParts;
    for (int i = 1; i <= groupCount(state); ++i) {
        const ServerRec& group = state.Servers[static_cast<std::size_t>(i)];
        for (int j = 1; j <= addressCount(group); ++j) {
            if (lineParts.host() == group.IPList[static_cast<std::size_t>(j)].IPName) {
                restBuffer.assign(group.ServerName);
                restBuffer += '/';
                restBuffer += lineParts.path();
                parts = AddressParts(parts.head(), restBuffer);
                break;
            }
        }
        if (parts.dom1() == group.ServerDomain && startsWithChars(parts.rest(), group.ServerHead)) {
            taken = &group;
            takenParts = parts;
        }
    }
    std::vector<std::string> choices;
    const AssignMode mode = assignMode(state.options.Option_OptMC);
    if (taken == nullptr || mode == AssignMode::Stop)
        return choices;
    const ServerRec& group = *taken;
    const bool sevenA = state.options.Check_Members7Tripod == 1 && group.ServerDomain == TripodDomain;
    const int numbers = std::clamp<int>(group.SNumberCount, 0, kMaxNumbers);
    if (group.SKimeuchi != 0 && (sevenA || numbers > 0))
        return choices;
    std::string line;
    if (membersOn(group) || group.IPCount <= 0) {
        if (sevenA) {
            writeHead(line, *takenParts, group.ServerHead, kSevenA);
            choices.push_back(line);
            for (char w = '1'; w <= '5'; ++w) {
                writeHead(line, *takenParts, group.ServerHead, std::string(kSevenADash) + w);
                choices.push_back(line);
            }
        } else {
            for (int n = 1; n <= numbers; ++n) {
                writeHead(line, *takenParts, group.ServerHead,
                          NumStr(group.SNumber[static_cast<std::size_t>(n)]));
                choices.push_back(line);
            }
        }
    }
    for (int rank = 1; writeAddress(line, *takenParts, group, rank); ++rank)
        choices.push_back(line);
    return choices;
}

} // namespace tamarisk::core
