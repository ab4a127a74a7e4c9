#include "core/atomicfile.h"

#include "core/errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace tamarisk::core {

namespace {

std::string reason(int error) {
    return std::strerror(error);
}

// Creates the temporary file exclusively, so it never takes the name of an existing file.
FileDescriptor openUnique(const std::filesystem::path& target, const WriteOptions& options,
                          std::filesystem::path& name) {
    std::random_device entropy;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (options.temporaryName) {
            name = options.temporaryName();
        } else {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, ".tmp%08X", static_cast<unsigned>(entropy()));
            name = target;
            name += suffix;
        }
        // Created with the narrower of the bits asked for, so no moment exists in which a file readable by
        // more people holds the data.
        const mode_t bits = (options.mode ? *options.mode & options.createMode : options.createMode) & 0666;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, bits);
        if (fd >= 0)
            return FileDescriptor(fd);
        if (errno != EEXIST)
            throw IoError("cannot create " + target.string() + ": " + reason(errno));
    }
    throw IoError("cannot create " + target.string() + ": no free temporary name beside it");
}

} // namespace

namespace {
constexpr std::size_t kBufferSize = 1 << 20;
} // namespace

AtomicOutput::AtomicOutput(std::filesystem::path target, const WriteOptions& options)
    : m_target(std::move(target)), m_fd(openUnique(m_target, options, m_temporary)),
      m_durable(options.durable) {
    if (options.mode && ::fchmod(m_fd.get(), *options.mode) != 0) {
        const int error = errno;
        ::unlink(m_temporary.c_str());
        throw IoError("cannot create " + m_target.string() + ": " + reason(error));
    }
    m_buffer.reserve(kBufferSize);
}

AtomicOutput::~AtomicOutput() {
    if (!m_committed)
        ::unlink(m_temporary.c_str());
}

void AtomicOutput::append(std::string_view bytes) {
    if (m_buffer.size() + bytes.size() <= kBufferSize) {
        m_buffer += bytes;
        return;
    }
    flush();
    if (bytes.size() >= kBufferSize / 2)
        writeAll(bytes);
    else
        m_buffer += bytes;
}

void AtomicOutput::flush() {
    writeAll(m_buffer);
    m_buffer.clear();
}

void AtomicOutput::writeAll(std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd.get(), p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw IoError("cannot write " + m_target.string() + ": " + reason(errno));
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

void AtomicOutput::commit() {
    flush();
    if (m_durable && ::fsync(m_fd.get()) != 0)
        throw IoError("cannot write " + m_target.string() + ": " + reason(errno));
    if (!m_fd.close())
        throw IoError("cannot write " + m_target.string() + ": " + reason(errno));
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        throw IoError("cannot create " + m_target.string() + ": " + reason(errno));
    m_committed = true;
    if (m_durable) {
        // The rename reaches the device with the folder. The new file is complete and in place by now, so a
        // folder that cannot be flushed (one without read permission, say) is no failure of the save: only
        // the rename's survival of a power cut is left to the file system, as for any rename.
        const std::filesystem::path folder = m_target.has_parent_path() ? m_target.parent_path() : ".";
        const FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() >= 0)
            ::fsync(dir.get());
    }
}

Replacement replacementFor(const std::filesystem::path& file) {
    std::error_code error;
    Replacement replacement{file, 0666};
    if (std::filesystem::is_symlink(file, error)) {
        replacement.target = std::filesystem::canonical(file, error);
        if (error)
            throw IoError("cannot replace " + file.string() + ": " + error.message());
    }
    struct stat st {};
    if (::stat(replacement.target.c_str(), &st) != 0)
        throw IoError("cannot replace " + file.string() + ": " + reason(errno));
    replacement.mode = st.st_mode & 07777;
    return replacement;
}

void writeFileAtomically(const std::filesystem::path& target, std::string_view data,
                         const WriteOptions& options) {
    AtomicOutput out(target, options);
    out.append(data);
    out.commit();
}

} // namespace tamarisk::core
