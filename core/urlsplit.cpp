#include "core/urlsplit.h"

#include "core/cp932.h"
#include "core/serverassign.h"

namespace tamarisk::core {

namespace {

// Where ServerCut cuts an address: the key, a view into the address, and the byte length of the lead, the
// text of the address before the key's start or before the host. Neither ever takes in a "/" added at its
// end.
struct Cut {
    std::string_view key;
    std::size_t leadBytes = 0;
};

// The group whose key type decides the cut: the first group of the host's domain K1, or the first group
// when the host has fewer than two dots. With an index the domain is looked up, not walked to.
const ServerRec* keyGroup(const State& state, const ServerGroupIndex* index, bool dotted,
                          std::string_view K1) {
    const int groups = groupCount(state);
    if (!dotted)
        return groups >= 1 ? &state.Servers[1] : nullptr;
    if (index != nullptr) {
        const std::span<const int> found = index->withDomain(K1);
        return found.empty() ? nullptr : &state.Servers[static_cast<std::size_t>(found.front())];
    }
    for (int i = 1; i <= groups; ++i) {
        if (K1 == state.Servers[static_cast<std::size_t>(i)].ServerDomain)
            return &state.Servers[static_cast<std::size_t>(i)];
    }
    return nullptr;
}

// Where ServerCut cuts the address A: positions are 1-based byte positions, 0 for none. Every position
// it finds is that of a "/" or a "." (or just past the end), which are characters of one byte and never
// the second byte of another: a cut between two such positions is the same text whether it is counted in
// characters or in bytes, so A is never counted in characters. The search for a "/" answers a position
// just past the end when A does not end with "/" and has none from there on: a "/" added at its end.
//
// host is where the host begins in A (after the first "//", else A's start) and marks are the marks of A
// from there on.
Cut cutAddress(const State& state, std::string_view A, std::size_t host, const AddressMarks& marks,
               const ServerGroupIndex* index) {
    constexpr std::size_t npos = std::string_view::npos;
    const std::size_t length = A.size();
    const bool slashAdded = !A.ends_with('/');
    const auto slashFrom = [&](std::size_t start) -> std::size_t {
        const std::size_t found = A.find('/', start - 1);
        if (found != npos)
            return found + 1;
        return slashAdded && start <= length + 1 ? length + 1 : 0;
    };
    const auto at = [host](std::size_t mark) -> std::size_t { return mark == npos ? 0 : host + mark + 1; };
    // The text from position p up to (not including) position end.
    const auto between = [&A](std::size_t p, std::size_t end) { return A.substr(p - 1, end - p); };

    const std::size_t h = host + 1;
    std::size_t e = marks.slash == npos ? length + 1 : at(marks.slash);
    std::size_t d1 = at(marks.dot1);
    std::size_t d2 = d1 == 0 ? 0 : at(marks.dot2);
    if (d1 >= e)
        d1 = 0;
    if (d2 >= e)
        d2 = 0;

    Cut cut;
    std::string_view K1;
    if (d1 == 0 || d2 == 0) {
        K1 = between(h, e);
        cut.leadBytes = h - 1;
        if (d1 > 0)
            d1 = h - 1; // the text after d1 now begins at the start of the host
    } else {
        K1 = between(d1 + 1, e);
        cut.leadBytes = d1;
    }

    if (const ServerRec* const found = keyGroup(state, index, d1 != 0, K1)) {
        const ServerRec& group = *found;
        switch (group.SType) {
        case kSTypeU:
            cut.key = between(h, e);
            cut.leadBytes = h - 1;
            break;
        case kSTypeF:
            // The key runs from the text after d1 (its lead ends there) to the end of a folder.
            if (const std::size_t e2 = slashFrom(e + 1); e2 > 0)
                cut.key = between(d1 + 1, e2);
            break;
        case kSTypeV:
            for (;;) {
                const std::size_t f = slashFrom(e + 1);
                if (f == 0)
                    break;
                // Digits only: a byte of a double-byte character is never one.
                bool digits = true;
                for (std::size_t p = e + 1; p < f && digits; ++p)
                    digits = A[p - 1] >= '0' && A[p - 1] <= '9';
                if (digits) {
                    cut.key = between(d1 + 1, f);
                    break;
                }
                e = f;
            }
            break;
        default:
            break;
        }
        if (d1 == 0)
            cut.key = K1;
    }
    return cut;
}

// The cut of an address whose marks are not at hand.
Cut cutAddress(const State& state, std::string_view A, const ServerGroupIndex* index = nullptr) {
    const std::size_t slashes = A.find("//");
    const std::size_t host = slashes == std::string_view::npos ? 0 : slashes + 2;
    return cutAddress(state, A, host, AddressMarks::of(A.substr(std::min(host, A.size()))), index);
}

// The replacement prefix, then what follows the lead, the key and the one character after it. The key
// follows the lead in A, so that character begins where the key ends.
void replaceStart(std::string& out, const DefServerRec& change, std::string_view A, const Cut& cut) {
    const std::size_t keyEnd = cut.leadBytes + cut.key.size();
    out.assign(change.DefPath);
    if (keyEnd < A.size())
        out += A.substr(keyEnd + charWidthAt(A, keyEnd));
}

// The address change of the first entry with the cut's key, written to out; false when none has it.
bool changeAt(const TextTable<const DefServerRec*>& firstByKey, std::string_view A, const Cut& cut,
              std::string& out) {
    const auto* const found = firstByKey.find(cut.key);
    if (found == nullptr)
        return false;
    replaceStart(out, *found->value, A, cut);
    return true;
}

} // namespace

std::string ServerCut(const State& state, std::string_view A, std::string& Lead) {
    const Cut cut = cutAddress(state, A);
    Lead.assign(A.substr(0, cut.leadBytes));
    return std::string(cut.key);
}

std::string UrlChai(const State& state, std::string_view A) {
    std::string out;
    AddressChanger changer(state);
    return changer.change(A, out) ? out : std::string(A);
}

AddressChanger::AddressChanger(const State& state) : m_state(state), m_groups(state) {
    for (int k = 0; k < state.DefServerCount; ++k) {
        const DefServerRec& change = state.DefServers[static_cast<std::size_t>(k)];
        const DefServerRec*& first = m_firstByKey[change.DefKey];
        if (first == nullptr)
            first = &change;
    }
}

bool AddressChanger::change(std::string_view A, std::string& out) {
    if (m_firstByKey.empty())
        return false;
    return changeAt(m_firstByKey, A, cutAddress(m_state, A, &m_groups), out);
}

bool AddressChanger::change(std::string_view A, const AddressParts& parts, std::string& out) {
    if (m_firstByKey.empty())
        return false;
    const std::size_t host = A.size() - parts.rest().size();
    return changeAt(m_firstByKey, A, cutAddress(m_state, A, host, parts.marks(), &m_groups), out);
}

bool addAddressChange(State& state, std::string_view address, std::string path) {
    const auto n = static_cast<std::size_t>(state.DefServerCount);
    std::string lead;
    DefServerRec& entry = state.DefServers[n];
    entry.DefKey = ServerCut(state, address, lead);
    entry.DefPath = std::move(path);
    // Without an item the entry stays unused: the next address added takes it.
    if (entry.DefKey.empty())
        return false;
    state.defServerItems.emplace_back(address);
    state.DefServerCount = static_cast<int>(state.defServerItems.size());
    return true;
}

} // namespace tamarisk::core
