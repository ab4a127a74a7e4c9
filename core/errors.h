#pragma once

#include <stdexcept>
#include <string>
#include <unistd.h>
#include <utility>

namespace tamarisk::core {

/// A file operation that failed, with the file and the system's reason in its message. Thrown inside
/// the core only; the core's public entry points turn it into a result.
class IoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Owns a POSIX file descriptor; move-only.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    /// Closes the descriptor; returns false when close reports an error (a delayed write failure).
    bool close() {
        const int fd = std::exchange(m_fd, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    void reset() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    int m_fd = -1;
};

} // namespace tamarisk::core
