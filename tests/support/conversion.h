#pragma once

// One queue file converted in memory as the conversion converts it, from the set-up before its first line.

#include "core/driver.h"
#include "core/state.h"
#include "support/testutil.h"

#include <string>
#include <vector>

namespace tamarisk::test {

inline std::string convertText(core::State& state, const std::string& text) {
    core::prepareForFile(state);
    return core::convertQueueText(state, core::LineReader(text));
}

/// The given lines, each ended with CR LF, converted; the converted lines without their ends.
inline std::vector<std::string> convertLines(core::State& state, const std::vector<std::string>& lines) {
    const std::string converted = convertText(state, crlf(lines));
    std::vector<std::string> out;
    for (std::size_t start = 0; start < converted.size();) {
        const std::size_t end = converted.find("\r\n", start);
        out.push_back(converted.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

} // namespace tamarisk::test
