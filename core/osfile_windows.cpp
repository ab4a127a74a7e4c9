#include "core/osfile.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace tamarisk::core::os {

namespace {

// The system's reason for error, in the same words as on Linux where the two mean the same, so that a
// message reads alike on both; Windows' own text otherwise (a file in use by another program, say).
std::error_code translate(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_ACCESS_DENIED:
        return std::make_error_code(std::errc::permission_denied);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return std::make_error_code(std::errc::file_exists);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return std::make_error_code(std::errc::no_space_on_device);
    case ERROR_WRITE_PROTECT:
        return std::make_error_code(std::errc::read_only_file_system);
    default:
        return {static_cast<int>(error), std::system_category()};
    }
}

std::error_code lastError() {
    return translate(::GetLastError());
}

bool isDirectory(const std::filesystem::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

HANDLE handleOf(const File& file) {
    return reinterpret_cast<HANDLE>(file.handle());
}

std::intptr_t fromHandle(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? File::kInvalid : reinterpret_cast<std::intptr_t>(handle);
}

} // namespace

File::~File() {
    if (isOpen())
        ::CloseHandle(handleOf(*this));
}

File::File(File&& other) noexcept : m_handle(std::exchange(other.m_handle, kInvalid)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (isOpen())
            ::CloseHandle(handleOf(*this));
        m_handle = std::exchange(other.m_handle, kInvalid);
    }
    return *this;
}

std::error_code File::close() {
    const std::intptr_t handle = std::exchange(m_handle, kInvalid);
    if (handle != kInvalid && !::CloseHandle(reinterpret_cast<HANDLE>(handle)))
        return lastError();
    return {};
}

std::string pathText(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    if (wide.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size, nullptr,
                          nullptr);
    return utf8;
}

std::filesystem::path pathFromUtf8(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return std::filesystem::path(wide);
}

std::error_code createNew(const std::filesystem::path& path, unsigned mode, File& file) {
    (void)mode; // Windows files have no permission bits: a file takes its folder's access rules
    const HANDLE handle =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return lastError();
    file = File(fromHandle(handle));
    return {};
}

std::error_code writeAll(File& file, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(handleOf(file), p, chunk, &written, nullptr))
            return lastError();
        p += written;
        left -= written;
    }
    return {};
}

std::error_code setMode(File& file, unsigned mode) {
    (void)file;
    (void)mode; // the replaced file's attributes are kept by replace()
    return {};
}

std::error_code flushToDevice(File& file) {
    return ::FlushFileBuffers(handleOf(file)) ? std::error_code() : lastError();
}

std::error_code replace(const std::filesystem::path& from, const std::filesystem::path& to,
                        bool keepAttributes, bool flushed, std::filesystem::path* leftBehind) {
    if (leftBehind != nullptr)
        leftBehind->clear(); // the replaced file is gone with the move
    if (keepAttributes) {
        // The replaced file's attributes (read-only aside, which the caller checked) stay with its name.
        if (::ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                           nullptr))
            return {};
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_UNABLE_TO_REMOVE_REPLACED)
            return translate(error);
    }
    // A read-only file is not replaced, as Windows itself refuses (Wine would replace it).
    if (const DWORD attributes = ::GetFileAttributesW(to.c_str());
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return std::make_error_code(std::errc::permission_denied);
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | (flushed ? MOVEFILE_WRITE_THROUGH : 0);
    if (::MoveFileExW(from.c_str(), to.c_str(), flags))
        return {};
    const DWORD error = ::GetLastError();
    if (error == ERROR_ACCESS_DENIED && isDirectory(to))
        return std::make_error_code(std::errc::is_a_directory);
    return translate(error);
}

std::error_code removeFile(const std::filesystem::path& path) {
    return ::DeleteFileW(path.c_str()) ? std::error_code() : lastError();
}

std::error_code status(const std::filesystem::path& path, FileStatus& result) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return lastError();
    result.exists = true;
    result.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    result.regular = !result.directory && (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
    result.mode = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
    return {};
}

bool entryExists(const std::filesystem::path& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::error_code writePieces(File& file, const std::string_view* pieces, std::size_t count) {
    // Plain writes, one per piece: the file system's cache gathers them.
    for (std::size_t i = 0; i < count; ++i) {
        if (const std::error_code error = writeAll(file, pieces[i]))
            return error;
    }
    return {};
}

// Windows makes a page on its first write; nothing here asks for the pages ahead.
void prepareForWriting(char* data, std::size_t size) noexcept {
    (void)data;
    (void)size;
}

void FileBytes::release() {
    std::free(m_data); // never mapped here: the file is read whole
    m_data = nullptr;
    m_size = 0;
    m_mapped = false;
}

// The bytes are read into memory here, not mapped: there is nothing to give back before the end.
void FileBytes::forgetBetween(std::size_t from, std::size_t end) const {
    (void)from;
    (void)end;
}

std::error_code FileBytes::open(const std::filesystem::path& path, FileBytes& bytes) {
    bytes.release();
    // The download manager may hold its queue file open while we read it.
    const HANDLE handle = ::CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return lastError();
    File file(fromHandle(handle));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info))
        return lastError();
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return std::make_error_code(std::errc::is_a_directory);
    std::size_t capacity = (static_cast<std::size_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow) + 1;
    char* buffer = static_cast<char*>(std::malloc(capacity));
    if (buffer == nullptr)
        throw std::bad_alloc();
    std::size_t size = 0;
    for (;;) {
        if (size == capacity) {
            char* bigger = static_cast<char*>(std::realloc(buffer, capacity * 2));
            if (bigger == nullptr) {
                std::free(buffer);
                throw std::bad_alloc();
            }
            buffer = bigger;
            capacity *= 2;
        }
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(capacity - size, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(handle, buffer + size, chunk, &got, nullptr)) {
            const std::error_code error = lastError();
            std::free(buffer);
            return error;
        }
        if (got == 0)
            break;
        size += got;
    }
    bytes.m_data = buffer;
    bytes.m_size = size;
    return {};
}

} // namespace tamarisk::core::os
