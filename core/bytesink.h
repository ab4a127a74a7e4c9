#pragma once

#include <string>
#include <string_view>

namespace tamarisk::core {

/// Where converted text goes: a file being written or, for tests, a string.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void append(std::string_view bytes) = 0;
    /// The same for bytes that stay where they are until the sink is done (a run of the mapped queue
    /// file): a file sink may write them from there without first copying them.
    virtual void appendLasting(std::string_view bytes) { append(bytes); }
};

class StringSink final : public ByteSink {
public:
    explicit StringSink(std::string& text) : m_text(text) {}
    void append(std::string_view bytes) override { m_text += bytes; }

private:
    std::string& m_text;
};

} // namespace tamarisk::core
