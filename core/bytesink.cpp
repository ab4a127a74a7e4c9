#include "core/bytesink.h"

#include <algorithm>

namespace tamarisk::core {

BufferSink::BufferSink(std::size_t expected)
    : m_buffer(LineReader::allocate(expected)), m_capacity(std::max<std::size_t>(expected, 1)) {}

void BufferSink::append(std::string_view bytes) {
    if (m_size + bytes.size() > m_capacity) {
        const std::size_t capacity = std::max(m_capacity * 2, m_size + bytes.size());
        LineReader::Buffer bigger = LineReader::allocate(capacity);
        std::memcpy(bigger.get(), m_buffer.get(), m_size);
        m_buffer = std::move(bigger);
        m_capacity = capacity;
    }
    std::memcpy(m_buffer.get() + m_size, bytes.data(), bytes.size());
    m_size += bytes.size();
}

LineReader BufferSink::take() {
    LineReader reader(std::move(m_buffer), m_size);
    m_buffer = LineReader::allocate(1);
    m_size = 0;
    m_capacity = 1;
    return reader;
}

} // namespace tamarisk::core
