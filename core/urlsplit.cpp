#include "core/urlsplit.h"

#include "core/cp932.h"

namespace tamarisk::core {

std::string ServerCut(const State& state, std::string_view A, std::string& Lead) {
    std::string withSlash(A);
    if (!withSlash.ends_with('/'))
        withSlash += '/';
    const CharText S(withSlash);

    const std::size_t slashes = S.find("//");
    const std::size_t h = slashes == 0 ? 1 : slashes + 2;
    std::size_t e = S.find("/", h);
    if (e == 0)
        e = S.length() + 1; // "//" at the very end: an empty host
    std::size_t d1 = S.find(".", h);
    std::size_t d2 = S.find(".", d1 + 1);
    if (d1 >= e)
        d1 = 0;
    if (d2 >= e)
        d2 = 0;

    std::string_view K1;
    std::string_view T;
    if (d1 == 0 || d2 == 0) {
        K1 = S.mid(h, e - h);
        T = S.mid(h);
        Lead.assign(S.left(h - 1));
        if (d1 > 0)
            d1 = h - 1; // the text after d1 now begins at the start of the host
    } else {
        K1 = S.mid(d1 + 1, e - d1 - 1);
        T = S.mid(d1 + 1);
        Lead.assign(S.left(d1));
    }
    const CharText tail(T);

    std::string Key;
    for (int i = 1; i <= state.ServerCount; ++i) {
        const ServerRec& group = state.Servers[static_cast<std::size_t>(i)];
        if (d1 != 0 && K1 != group.ServerDomain)
            continue;
        switch (group.SType) {
        case kSTypeU:
            Key.assign(S.mid(h, e - h));
            Lead.assign(S.left(h - 1));
            break;
        case kSTypeF:
            if (const std::size_t e2 = S.find("/", e + 1); e2 > 0)
                Key.assign(tail.left(e2 - d1 - 1));
            break;
        case kSTypeV:
            for (;;) {
                const std::size_t f = S.find("/", e + 1);
                if (f == 0)
                    break;
                bool digits = true;
                for (std::size_t p = e + 1; p < f && digits; ++p) {
                    const std::string_view c = S.charAt(p);
                    digits = c.size() == 1 && c[0] >= '0' && c[0] <= '9';
                }
                if (digits) {
                    Key.assign(tail.left(f - d1 - 1));
                    break;
                }
                e = f;
            }
            break;
        default:
            break;
        }
        if (d1 == 0)
            Key.assign(K1);
        break;
    }
    return Key;
}

std::string UrlChai(const State& state, std::string_view A) {
    std::string Lead;
    const std::string Key = ServerCut(state, A, Lead);
    for (int k = 0; k < state.DefServerCount; ++k) {
        const DefServerRec& change = state.DefServers[static_cast<std::size_t>(k)];
        if (change.DefKey != Key)
            continue;
        const CharText address(A);
        const std::size_t replaced = charCount(Lead) + charCount(Key) + 1;
        std::string result = change.DefPath;
        if (address.length() > replaced)
            result += address.right(address.length() - replaced);
        return result;
    }
    return std::string(A);
}

} // namespace tamarisk::core
