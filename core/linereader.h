#pragma once

#include "core/osfile.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace tamarisk::core {

/// The position ReadLineAt leaves when there are no more lines.
inline constexpr std::int64_t kEndOfFile = -100;

/// A text file held in memory, read line by line from 1-based byte positions. A line ends at CR LF, a
/// lone CR or a lone LF; lines of any length are returned whole. After the file's last CR or LF a NUL
/// byte also ends a line, and NUL bytes at the very end of the file are no line.
class LineReader {
public:
    LineReader() = default;
    explicit LineReader(std::string bytes);
    /// Takes the bytes of a file.
    explicit LineReader(os::FileBytes file);
    LineReader(LineReader&& other) noexcept;
    LineReader& operator=(LineReader&& other) noexcept;
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    /// Reads the whole file (mapped where the platform maps files). Throws IoError naming the file and the
    /// reason.
    static LineReader open(const std::filesystem::path& path);

    /// Returns the line that starts at ReadPos and moves ReadPos to the first byte after its terminator;
    /// at the end returns "" and sets ReadPos to kEndOfFile. A position below 1 also reads as the end.
    std::string_view ReadLineAt(std::int64_t& ReadPos) const;

    std::string_view bytes() const { return m_bytes; }

    /// Gives back the memory of a mapped file's bytes before byte offset end (see os::FileBytes): the
    /// bytes stay readable. Nothing happens for bytes held in a string.
    void forgetBefore(std::size_t end) const { m_file.forgetBefore(end); }

    /// The end (a byte offset) of the longest stretch of lines from byte offset from on that each end with
    /// CR LF and hold no other CR or LF: lines that ReadLineAt returns exactly as the bytes have them, so
    /// such a stretch can be copied whole. from itself when the line there is no such line.
    std::size_t crlfLinesEnd(std::size_t from) const;

    /// The position of the first line from position from on (from is where a line starts) whose first
    /// bytes are prefix, found without reading the lines in between; kEndOfFile when there is none.
    std::int64_t findLineStart(std::int64_t from, std::string_view prefix) const;

private:
    void index();

    std::string m_text;   // the bytes when given as a string
    os::FileBytes m_file; // the bytes when read from a file
    std::string_view m_bytes;
    std::size_t m_lastStretch = 0;  // first byte after the file's last CR or LF
    std::size_t m_trailingNuls = 0; // first byte of the NUL run that ends the file
};

/// Number of bytes the text occupies (every character is kept as its bytes).
inline std::size_t ByteLen(std::string_view line) {
    return line.size();
}

/// 1-based character index of the first character whose code equals code (a double-byte character's
/// code is its two bytes read as a signed 16-bit number), 0 when there is none.
std::size_t CharPos(std::string_view text, std::int32_t code);

/// Decimal text of value with no leading blank: 5, 0, -12.
std::string NumStr(long long value);

} // namespace tamarisk::core
