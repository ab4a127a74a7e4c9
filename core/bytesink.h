#pragma once

#include "core/linereader.h"

#include <cstring>
#include <string>
#include <string_view>

namespace tamarisk::core {

/// Where converted text goes: a file being written or, for tests and the shuffle, a string.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void append(std::string_view bytes) = 0;
};

class StringSink final : public ByteSink {
public:
    explicit StringSink(std::string& text) : m_text(text) {}
    void append(std::string_view bytes) override { m_text += bytes; }

private:
    std::string& m_text;
};

/// Collects bytes in memory that becomes a LineReader's without a copy.
class BufferSink final : public ByteSink {
public:
    explicit BufferSink(std::size_t expected);
    void append(std::string_view bytes) override;
    /// The bytes collected; the sink is empty afterwards.
    LineReader take();

private:
    LineReader::Buffer m_buffer;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

} // namespace tamarisk::core
