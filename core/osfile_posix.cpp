#include "core/osfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
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
                        bool keepAttributes, bool flushed) {
    (void)keepAttributes; // the permission bits are all there is to keep, and the caller set them
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

char* allocateMemory(std::size_t size) {
    // Large files get memory aligned to 2 MiB and marked for huge pages, which spares the kernel one page
    // fault per 4 KiB as the file is read in.
    size = std::max<std::size_t>(size, 1);
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    void* memory = nullptr;
    if (size >= 2 * kHugePage) {
        const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
        memory = std::aligned_alloc(kHugePage, rounded);
        if (memory != nullptr)
            ::madvise(memory, rounded, MADV_HUGEPAGE);
    }
    if (memory == nullptr)
        memory = std::malloc(size);
    if (memory == nullptr)
        throw std::bad_alloc();
    return static_cast<char*>(memory);
}

void releaseMemory(char* memory) {
    std::free(memory);
}

std::error_code readWholeFile(const std::filesystem::path& path, char*& memory, std::size_t& size) {
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
    std::size_t capacity =
        S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) + 1 : std::size_t{1} << 16;
    char* buffer = allocateMemory(capacity);
    size = 0;
    for (;;) {
        if (size == capacity) {
            char* bigger = nullptr;
            try {
                bigger = allocateMemory(capacity * 2);
            } catch (...) {
                releaseMemory(buffer);
                throw;
            }
            std::memcpy(bigger, buffer, size);
            releaseMemory(buffer);
            buffer = bigger;
            capacity *= 2;
        }
        const ssize_t n = ::read(descriptor, buffer + size, capacity - size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const std::error_code error = lastError();
            releaseMemory(buffer);
            return error;
        }
        if (n == 0)
            break;
        size += static_cast<std::size_t>(n);
    }
    memory = buffer;
    return {};
}

} // namespace tamarisk::core::os
