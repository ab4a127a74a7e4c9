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

std::string reason(int error) { return std::strerror(error); }

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
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            return FileDescriptor(fd);
        if (errno != EEXIST)
            throw IoError("cannot create " + target.string() + ": " + reason(errno));
    }
    throw IoError("cannot create " + target.string() + ": no free temporary name beside it");
}

} // namespace

void writeFileAtomically(const std::filesystem::path& target, std::string_view data, const WriteOptions& options) {
    std::filesystem::path temporary;
    FileDescriptor fd = openUnique(target, options, temporary);
    // Removes the temporary file unless it has been renamed into place.
    struct Remover {
        const std::filesystem::path& path;
        bool armed = true;
        ~Remover() {
            if (armed)
                ::unlink(path.c_str());
        }
    } remover{temporary};

    if (options.mode && ::fchmod(fd.get(), *options.mode) != 0)
        throw IoError("cannot create " + target.string() + ": " + reason(errno));
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd.get(), p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw IoError("cannot write " + target.string() + ": " + reason(errno));
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (!fd.close())
        throw IoError("cannot write " + target.string() + ": " + reason(errno));
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        throw IoError("cannot create " + target.string() + ": " + reason(errno));
    remover.armed = false;
}

} // namespace tamarisk::core
