#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <sys/types.h>

namespace tamarisk::core {

struct WriteOptions {
    /// Permission bits of the new file; without them the file gets 0666 less the umask.
    std::optional<mode_t> mode;
};

/// Writes data to target through a temporary file in the same folder that is renamed over target only
/// when it is complete, so target is either the old file or the whole new one, never a part. The
/// temporary file is removed on every failure. Throws IoError ("cannot create/write TARGET: reason").
void writeFileAtomically(const std::filesystem::path& target, std::string_view data, const WriteOptions& options = {});

/// A name beside target that no file has yet, made from target's name and a random suffix; the file is
/// created empty (exclusively) so that no other writer can take the name. Throws IoError.
std::filesystem::path createUniqueFileBeside(const std::filesystem::path& target, mode_t mode);

} // namespace tamarisk::core
