#pragma once

#include "core/linereader.h"
#include "core/state.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tamarisk::core {

/// The per-line rewrite of a queue file being converted. It reads the option and server state, and may
/// read ahead in the file being converted (restoring the reader's position) to find an entry's address.
class EntryRewriter {
public:
    EntryRewriter(State& state, const LineReader& reader, std::int64_t& ReadPos);

    /// Set_AllStatus: the line to write in place of line. The view stays valid until the next call.
    std::string_view Set_AllStatus(std::string_view line);

private:
    State& m_state;
    const LineReader& m_reader;
    std::int64_t& m_readPos;
    std::string m_result;
};

} // namespace tamarisk::core
