#include "core/linereader.h"

#include "core/cp932.h"
#include "core/errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tamarisk::core {

LineReader::LineReader(std::string bytes) : m_bytes(std::move(bytes)) {
    const std::size_t lastBreak = m_bytes.find_last_of("\r\n");
    m_lastStretch = lastBreak == std::string::npos ? 0 : lastBreak + 1;
    const std::size_t lastText = m_bytes.find_last_not_of('\0');
    m_trailingNuls = lastText == std::string::npos ? 0 : lastText + 1;
}

LineReader LineReader::open(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw IoError("cannot read " + path.string() + ": " + std::strerror(errno));
    FileDescriptor guard(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw IoError("cannot read " + path.string() + ": " + std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        throw IoError("cannot read " + path.string() + ": " + std::strerror(EISDIR));
    std::string bytes;
    if (S_ISREG(st.st_mode))
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    constexpr std::size_t kChunk = 1 << 20;
    for (;;) {
        const std::size_t used = bytes.size();
        bytes.resize(used + kChunk);
        const ssize_t n = ::read(fd, bytes.data() + used, kChunk);
        if (n < 0) {
            if (errno == EINTR) {
                bytes.resize(used);
                continue;
            }
            throw IoError("cannot read " + path.string() + ": " + std::strerror(errno));
        }
        bytes.resize(used + static_cast<std::size_t>(n));
        if (n == 0)
            break;
    }
    return LineReader(std::move(bytes));
}

std::string_view LineReader::ReadLineAt(std::int64_t& ReadPos) const {
    if (ReadPos < 1 || static_cast<std::uint64_t>(ReadPos - 1) >= m_bytes.size()) {
        ReadPos = kEndOfFile;
        return {};
    }
    const std::size_t start = static_cast<std::size_t>(ReadPos - 1);
    const std::string_view all(m_bytes);
    if (start < m_lastStretch) {
        // CR and LF never occur inside a double-byte character, so a byte scan finds the terminator.
        const char* begin = all.data() + start;
        const char* end = all.data() + m_lastStretch;
        const char* hit = std::find_if(begin, end, [](char c) { return c == '\r' || c == '\n'; });
        const std::size_t at = static_cast<std::size_t>(hit - all.data());
        const std::size_t terminator = (*hit == '\r' && at + 1 < all.size() && all[at + 1] == '\n') ? 2 : 1;
        ReadPos += static_cast<std::int64_t>(at - start + terminator);
        return all.substr(start, at - start);
    }
    if (start >= m_trailingNuls) {
        ReadPos = kEndOfFile;
        return {};
    }
    // The last stretch: a NUL ends the line and counts as its terminator; without one the line runs
    // to the end of the file and the position lands one byte past it, so the next call reports the end.
    const std::size_t nul = all.find('\0', start);
    const std::size_t at = nul == std::string_view::npos ? all.size() : nul;
    ReadPos += static_cast<std::int64_t>(at - start + 1);
    return all.substr(start, at - start);
}

std::size_t CharPos(std::string_view text, std::int32_t code) {
    std::size_t index = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t width = charWidthAt(text, i);
        ++index;
        std::int32_t value = static_cast<unsigned char>(text[i]);
        if (width == 2) {
            value = static_cast<std::int16_t>((static_cast<unsigned char>(text[i]) << 8) |
                                              static_cast<unsigned char>(text[i + 1]));
        }
        if (value == code)
            return index;
        i += width;
    }
    return 0;
}

std::string NumStr(long long value) { return std::to_string(value); }

} // namespace tamarisk::core
