#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

// What the core takes from the operating system for its files, with one implementation per platform
// (osfile_posix.cpp, osfile_windows.cpp). Failures come back as error codes whose message() is the system's
// reason; the callers name the file and the operation.
namespace tamarisk::core::os {

/// An open file, owned and closed on destruction; move-only.
class File {
public:
    File() = default;
    explicit File(std::intptr_t handle) : m_handle(handle) {}
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool isOpen() const { return m_handle != kInvalid; }
    std::intptr_t handle() const { return m_handle; }
    /// Closes the file; reports a failure that the close brings to light (a delayed write failure).
    std::error_code close();

    static constexpr std::intptr_t kInvalid = -1;

private:
    std::intptr_t m_handle = kInvalid;
};

/// The path as UTF-8 text, for messages and the command line's output.
std::string pathText(const std::filesystem::path& path);
/// A path from UTF-8 text (a command-line argument).
std::filesystem::path pathFromUtf8(std::string_view utf8);

/// Creates path for writing, failing with std::errc::file_exists when any file has that name. mode gives
/// the permission bits (narrowed by the umask) where the platform has them.
std::error_code createNew(const std::filesystem::path& path, unsigned mode, File& file);
std::error_code writeAll(File& file, std::string_view bytes);
/// Sets the permission bits exactly, where the platform has them.
std::error_code setMode(File& file, unsigned mode);
/// Writes the file's data through to the device.
std::error_code flushToDevice(File& file);

/// Puts from in the place of to, atomically, to a link's own name and never through it. keepAttributes:
/// to is a file being replaced whose attributes the new one keeps where the platform keeps them apart
/// from the permission bits. flushed: the rename itself is to reach the device. leftBehind, when given: where
/// the platform puts from in place by exchanging the two names, the replaced file is left under from's name
/// for the caller to remove, and that name is put there (empty when nothing is left), so that the removal,
/// which hands the old file's pages back to the system, may overlap other work.
std::error_code replace(const std::filesystem::path& from, const std::filesystem::path& to,
                        bool keepAttributes, bool flushed, std::filesystem::path* leftBehind = nullptr);
std::error_code removeFile(const std::filesystem::path& path);

/// What a name is, following links.
struct FileStatus {
    bool exists = false;
    bool regular = false;
    bool directory = false;
    unsigned mode = 0; // permission bits; 0666 or 0444 where the platform only knows "read-only"
};
std::error_code status(const std::filesystem::path& path, FileStatus& status);
/// Whether any entry has this name, a dangling link included.
bool entryExists(const std::filesystem::path& path);

/// Writes the pieces in order, as one file write where the platform gathers pieces (writev), so that bytes
/// already in memory (a mapped file) reach the file without first being copied together.
std::error_code writePieces(File& file, const std::string_view* pieces, std::size_t count);

/// Memory for a large buffer made in memory, for std::free and std::realloc, not filled first: its pages
/// come from the system as they are first written. Ordinary pages, not large ones: on a virtual machine
/// that hands its free memory back to the host, a large page asked for after a pause comes back from the
/// host 4 KiB at a time, and a shuffle of a 23 MB queue took 130 ms instead of 69. Throws std::bad_alloc.
inline char* allocateLarge(std::size_t size) {
    void* const data = std::malloc(std::max<std::size_t>(size, 1));
    if (data == nullptr)
        throw std::bad_alloc();
    return static_cast<char*>(data);
}

/// Makes the pages that hold [data, data + size), memory of this process's own, before they are first
/// written, in one call where the platform can: asking for many pages at once costs about a third less than
/// a fault for each (a shuffle of a 23 MB queue took 7,600 faults). Nothing else changes; where the
/// platform cannot, or the call fails, the pages come as they are written.
void prepareForWriting(char* data, std::size_t size) noexcept;

/// Memory from allocateLarge, freed with it.
struct FreeLarge {
    void operator()(char* data) const { std::free(data); }
};
using LargeMemory = std::unique_ptr<char, FreeLarge>;

/// A whole file's bytes, read-only, until destruction; move-only. Where the platform maps files, a regular
/// file is mapped (no copy, no fresh memory); otherwise the file is read into memory, to the end whatever
/// its size said. The file is opened so that a program holding it open for writing does not keep us from
/// reading.
class FileBytes {
public:
    FileBytes() = default;
    ~FileBytes() { release(); }
    FileBytes(FileBytes&& other) noexcept { take(other); }
    FileBytes& operator=(FileBytes&& other) noexcept {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    static std::error_code open(const std::filesystem::path& path, FileBytes& bytes);
    /// Takes ownership of size bytes at data, memory from std::malloc (bytes made in memory, not read).
    static FileBytes adopt(char* data, std::size_t size) {
        FileBytes bytes;
        bytes.m_data = data;
        bytes.m_size = size;
        return bytes;
    }
    std::string_view view() const { return {m_data, m_size}; }
    /// The bytes from byte offset from up to end will not be read again: the memory of the whole pages
    /// between goes back to the system where that is cheap, so that a pass that never looks back keeps the
    /// process's memory small. A mapped file's pages would be read again from the file cache if touched.
    void forgetBetween(std::size_t from, std::size_t end) const;

private:
    void release();
    void take(FileBytes& other) noexcept {
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mapped = std::exchange(other.m_mapped, false);
    }

    char* m_data = nullptr;
    std::size_t m_size = 0;
    bool m_mapped = false; // m_data is a mapping of m_size bytes, not memory from std::malloc
};

} // namespace tamarisk::core::os
