#include "core/state.h"

#include <limits>

namespace tamarisk::core {

State::State() : Servers(kMaxServers + 1), DefServers(kMaxDefServers + 1) {
    Servers[0].SNumberCount = 100;
}

long long leadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    constexpr long long kLimit = std::numeric_limits<long long>::max() / 10 - 9;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < kLimit)
            value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

void normaliseWebjumpNumber(OptionState& options) {
    if (options.Text_Webjump.empty())
        return;
    const long long v = leadingInteger(options.Text_Webjump);
    if (v < 1 || v > 255)
        options.Text_Webjump = "21";
}

} // namespace tamarisk::core
