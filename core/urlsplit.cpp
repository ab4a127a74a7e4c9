#include "core/urlsplit.h"

#include "core/cp932.h"
#include "core/serverassign.h"

namespace tamarisk::core {

namespace {

// Where ServerCut cuts S (the address with a "/" at its end): the key, a view into the address, and the
// byte length of the lead, the text of the address before the key's start or before the host. Neither ever
// takes in that last "/".
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

Cut cutAddress(const State& state, std::string_view A, const ServerGroupIndex* index = nullptr) {
    // S is A with a "/" at its end when it has none. That "/" is not copied in: the search for a "/"
    // answers with its place when A has no other from there on.
    const CharText S(A);
    const bool slashAdded = !A.ends_with('/');
    const auto slashFrom = [&](std::size_t start) {
        const std::size_t found = S.find("/", start);
        if (found != 0 || !slashAdded || start > S.length() + 1)
            return found;
        return S.length() + 1;
    };

    const std::size_t slashes = S.find("//");
    const std::size_t h = slashes == 0 ? 1 : slashes + 2;
    std::size_t e = slashFrom(h);
    if (e == 0)
        e = S.length() + 1; // "//" at the very end: an empty host
    std::size_t d1 = S.find(".", h);
    std::size_t d2 = S.find(".", d1 + 1);
    if (d1 >= e)
        d1 = 0;
    if (d2 >= e)
        d2 = 0;

    Cut cut;
    std::string_view K1;
    if (d1 == 0 || d2 == 0) {
        K1 = S.mid(h, e - h);
        cut.leadBytes = S.offsetOf(h);
        if (d1 > 0)
            d1 = h - 1; // the text after d1 now begins at the start of the host
    } else {
        K1 = S.mid(d1 + 1, e - d1 - 1);
        cut.leadBytes = S.offsetOf(d1 + 1);
    }

    if (const ServerRec* const found = keyGroup(state, index, d1 != 0, K1)) {
        const ServerRec& group = *found;
        switch (group.SType) {
        case kSTypeU:
            cut.key = S.mid(h, e - h);
            cut.leadBytes = S.offsetOf(h);
            break;
        case kSTypeF:
            // The key runs from the text after d1 (its lead ends there) to the end of a folder.
            if (const std::size_t e2 = slashFrom(e + 1); e2 > 0)
                cut.key = S.mid(d1 + 1, e2 - d1 - 1);
            break;
        case kSTypeV:
            for (;;) {
                const std::size_t f = slashFrom(e + 1);
                if (f == 0)
                    break;
                bool digits = true;
                for (std::size_t p = e + 1; p < f && digits; ++p) {
                    const std::string_view c = S.charAt(p);
                    digits = c.size() == 1 && c[0] >= '0' && c[0] <= '9';
                }
                if (digits) {
                    cut.key = S.mid(d1 + 1, f - d1 - 1);
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

// The replacement prefix, then what follows the lead, the key and the one character after it. The key
// follows the lead in A, so that character begins where the key ends.
void replaceStart(std::string& out, const DefServerRec& change, std::string_view A, const Cut& cut) {
    const std::size_t keyEnd = cut.leadBytes + cut.key.size();
    out.assign(change.DefPath);
    if (keyEnd < A.size())
        out += A.substr(keyEnd + charWidthAt(A, keyEnd));
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
    const Cut cut = cutAddress(m_state, A, &m_groups);
    const auto* const found = m_firstByKey.find(cut.key);
    if (found == nullptr)
        return false;
    replaceStart(out, *found->value, A, cut);
    return true;
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
