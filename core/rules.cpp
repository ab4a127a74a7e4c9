#include "core/rules.h"

namespace tamarisk::core {

EntryRewriter::EntryRewriter(State& state, const LineReader& reader, std::int64_t& ReadPos)
    : m_state(state), m_reader(reader), m_readPos(ReadPos) {}

std::string_view EntryRewriter::Set_AllStatus(std::string_view line) {
    (void)m_state;
    (void)m_reader;
    (void)m_readPos;
    return line;
}

} // namespace tamarisk::core
