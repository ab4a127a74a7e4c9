#pragma once

#include "core/state.h"

#include <filesystem>
#include <string>

namespace tamarisk::settings {

struct RelocationResult {
    bool loaded = false; // false: the file could not be read; nothing was added
    int added = 0;       // pairs added to the address-change table
    int skipped =
        0; // lines that added nothing (no ",", an address listed already, a full table, an empty key)
    std::string error; // the file and the reason when it could not be read
};

/// Adds the "address,path" lines of a relocation file to the address-change table (DefServers and its
/// item list): the first pair of an address wins, at most 255 entries, the key is ServerCut of the
/// address, a path gets a trailing "/". Selects the first item when none is selected.
RelocationResult loadRelocationFile(core::State& state, const std::filesystem::path& file);

} // namespace tamarisk::settings
