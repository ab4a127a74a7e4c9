#include "core/osfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utility>

namespace tamarisk::core::os {

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

int fd(const File& file) {
    return static_cast<int>(file.handle());
}

} // namespace

File::~File() {
    if (isOpen())
        ::close(fd(*this));
}

File::File(File&& other) noexcept : m_handle(std::exchange(other.m_handle, kInvalid)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (isOpen())
            ::close(fd(*this));
        m_handle = std::exchange(other.m_handle, kInvalid);
    }
    return *this;
}

std::error_code File::close() {
    const int descriptor = static_cast<int>(std::exchange(m_handle, kInvalid));
    if (descriptor >= 0 && ::close(descriptor) != 0)
        return lastError();
    return {};
}

std::string pathText(const std::filesystem::path& path) {
    return path.string();
}

std::filesystem::path pathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::string(utf8));
}

std::error_code createNew(const std::filesystem::path& path, unsigned mode, File& file) {
    const int descriptor =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode & 0666));
    if (descriptor < 0)
        return lastError();
    file = File(descriptor);
    return {};
}

std::error_code writeAll(File& file, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd(file), p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return {};
}

std::error_code setMode(File& file, unsigned mode) {
    return ::fchmod(fd(file), static_cast<mode_t>(mode)) == 0 ? std::error_code() : lastError();
}

std::error_code flushToDevice(File& file) {
    return ::fsync(fd(file)) == 0 ? std::error_code() : lastError();
}

std::error_code replace(const std::filesystem::path& from, const std::filesystem::path& to,
                        bool keepAttributes, bool flushed, std::filesystem::path* leftBehind) {
    (void)keepAttributes; // the permission bits are all there is to keep, and the caller set them
    if (leftBehind != nullptr)
        leftBehind->clear();
#ifdef RENAME_EXCHANGE
    if (!flushed) {
        // A file that is not to be flushed replaces a file (or a link) by exchanging the two names, then
        // the old file is removed. ext4 takes a rename over an existing file for a save that wants its data
        // on the disk and starts writing all of it back before the rename returns (about half the time of
        // converting a large queue); an exchange is just as atomic for the name and does not.
        struct stat st {};
        if (::lstat(to.c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) &&
            ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0) {
            // The replaced file, now under the temporary name.
            if (leftBehind != nullptr)
                *leftBehind = from;
            else
                ::unlink(from.c_str());
            return {};
        }
        // No file there, or a file system without exchanges: an ordinary rename.
    }
#endif
    if (::rename(from.c_str(), to.c_str()) != 0)
        return lastError();
    if (flushed) {
        // The rename reaches the device with the folder. The new file is complete and in place by now, so a
        // folder that cannot be flushed (one without read permission, say) is no failure: only the rename's
        // survival of a power cut is left to the file system, as for any rename.
        const std::filesystem::path folder = to.has_parent_path() ? to.parent_path() : ".";
        const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return {};
}

std::error_code removeFile(const std::filesystem::path& path) {
    return ::unlink(path.c_str()) == 0 ? std::error_code() : lastError();
}

std::error_code status(const std::filesystem::path& path, FileStatus& result) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return lastError();
    result.exists = true;
    result.regular = S_ISREG(st.st_mode);
    result.directory = S_ISDIR(st.st_mode);
    result.mode = st.st_mode & 07777;
    return {};
}

bool entryExists(const std::filesystem::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::error_code writePieces(File& file, const std::string_view* pieces, std::size_t count) {
    constexpr std::size_t kMaxPieces = 1024; // IOV_MAX on Linux and the BSDs
    iovec vec[kMaxPieces];
    while (count > 0) {
        std::size_t n = 0;
        for (; n < count && n < kMaxPieces; ++n)
            vec[n] = {const_cast<char*>(pieces[n].data()), pieces[n].size()};
        ssize_t written = ::writev(fd(file), vec, static_cast<int>(n));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        // A short write: the rest of the piece it stopped in, then the pieces after it.
        std::size_t done = 0;
        while (done < n && static_cast<std::size_t>(written) >= pieces[done].size())
            written -= static_cast<ssize_t>(pieces[done++].size());
        if (done < n) {
            const std::string_view rest = pieces[done].substr(static_cast<std::size_t>(written));
            if (const std::error_code error = writeAll(file, rest))
                return error;
            ++done;
        }
        pieces += done;
        count -= done;
    }
    return {};
}

void FileBytes::release() {
    if (m_mapped)
        ::munmap(m_data, m_size);
    else
        std::free(m_data);
    m_data = nullptr;
    m_size = 0;
    m_mapped = false;
}

void FileBytes::forgetBetween(std::size_t from, std::size_t end) const {
    if (!m_mapped)
        return;
    // A private mapping of the file that is never written loses nothing by dropping its pages: a later touch
    // maps the file's bytes in again.
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t first = (from + page - 1) / page * page;
    const std::size_t last = std::min(end, m_size) / page * page;
    if (last > first)
        ::madvise(m_data + first, last - first, MADV_DONTNEED);
}

void prepareForWriting(char* data, std::size_t size) noexcept {
#ifdef MADV_POPULATE_WRITE
    if (size == 0)
        return;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(data) / page * page;
    const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(data) + size + page - 1) / page * page;
    // Before Linux 5.14 the call fails (EINVAL), and the pages come as they are written.
    if (last > first)
        (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)size;
#endif
}

std::error_code FileBytes::open(const std::filesystem::path& path, FileBytes& bytes) {
    bytes.release();
    File file;
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return lastError();
    file = File(descriptor);
    struct stat st {};
    if (::fstat(descriptor, &st) != 0)
        return lastError();
    if (S_ISDIR(st.st_mode))
        return std::make_error_code(std::errc::is_a_directory);
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        const auto size = static_cast<std::size_t>(st.st_size);
        // The pages are those of the file cache, so nothing is copied or zeroed, and they are entered all
        // at once rather than one fault at a time. Read instead, a 23 MB queue costs a copy into fresh
        // memory, which a virtual machine may have to fetch from its host page by page (8 to 70 ms here,
        // against 2 to 3 ms mapped). A file cut short by another program while mapped would end the
        // process; the queue is the user's own file, which nothing else should be truncating.
        int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
        flags |= MAP_POPULATE;
#endif
        void* mapped = ::mmap(nullptr, size, PROT_READ, flags, descriptor, 0);
        if (mapped != MAP_FAILED) {
            bytes.m_data = static_cast<char*>(mapped);
            bytes.m_size = size;
            bytes.m_mapped = true;
            return {};
        }
    }
    // A pipe, a device or an empty file (which may still yield bytes): read to the end.
    std::size_t capacity =
        S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) + 1 : std::size_t{1} << 16;
    char* buffer = static_cast<char*>(std::malloc(capacity));
    if (buffer == nullptr)
        throw std::bad_alloc();
    std::size_t size = 0;
    for (;;) {
        if (size == capacity) {
            char* const bigger = static_cast<char*>(std::realloc(buffer, 2 * capacity));
            if (bigger == nullptr) {
                std::free(buffer);
                throw std::bad_alloc();
            }
            buffer = bigger;
            capacity *= 2;
        }
        const ssize_t n = ::read(descriptor, buffer + size, capacity - size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const std::error_code error = lastError();
            std::free(buffer);
            return error;
        }
        if (n == 0)
            break;
        size += static_cast<std::size_t>(n);
    }
    bytes.m_data = buffer;
    bytes.m_size = size;
    return {};
}

} // namespace tamarisk::core::os
