#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace tamarisk::core {

/// Where converted text goes: a file being written, memory, or, for tests, a string. A conversion appends
/// a few pieces per line, so a sink with a buffer lends its free space as a window that append() fills
/// inline; only bytes that do not fit go through the sink's own code.
class ByteSink {
public:
    ByteSink() = default;
    virtual ~ByteSink() = default;
    ByteSink(const ByteSink&) = delete;
    ByteSink& operator=(const ByteSink&) = delete;

    void append(std::string_view bytes) {
        if (bytes.size() < static_cast<std::size_t>(m_end - m_next))
            m_next = std::copy(bytes.begin(), bytes.end(), m_next);
        else
            overflow(bytes);
    }
    /// The same for bytes that stay where they are until the sink is done (a run of the mapped queue
    /// file): a file sink may write them from there without first copying them.
    virtual void appendLasting(std::string_view bytes) { append(bytes); }
    /// Writes out the lasting bytes the sink still refers to, so that their memory may be used again.
    virtual void writeHeld() {}

protected:
    /// Takes bytes that do not fit in the window; the window may be moved or made anew.
    virtual void overflow(std::string_view bytes) = 0;
    /// The free space append() fills: [m_next, m_end). Empty for a sink without a buffer.
    char* m_next = nullptr;
    char* m_end = nullptr;
};

class StringSink final : public ByteSink {
public:
    explicit StringSink(std::string& text) : m_text(text) {}

private:
    void overflow(std::string_view bytes) override { m_text += bytes; }

    std::string& m_text;
};

} // namespace tamarisk::core
