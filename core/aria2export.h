#pragma once

#include "core/linereader.h"
#include "core/state.h"
#include "core/winedrives.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

// The entries of a converted queue as an input file for aria2 (aria2c -i): per entry a line of URIs, the
// address and its mirrors separated by TAB, then option lines that begin with a blank.
namespace tamarisk::core {

struct Aria2Input {
    std::string text;                 // UTF-8, lines end with LF
    std::size_t entries = 0;          // entries written
    std::size_t withoutAddress = 0;   // entries left out because they have no "Url=" line
    std::size_t foldersOffDrives = 0; // save folders on no drive: written without dir=
};

/// The aria2 input for a converted queue. Per entry, from its lines: the "Url=" address, and with the
/// server change on the other hosts its server group could have given it as mirrors; dir= the "StoreIn="
/// folder (a Windows path, as the folder the drives map it to); out= a non-empty "SaveAs="; referer= the
/// "RefererStr=" address when "Referer=" is neither empty nor 0; http-user= and http-passwd= when "Login=1".
Aria2Input aria2Input(const State& state, const LineReader& convertedQueue,
                      const std::vector<WineDrive>& drives);

/// The aria2 file beside a queue file: its name less its last three characters, then "aria2".
std::filesystem::path aria2FileFor(const std::filesystem::path& file);

} // namespace tamarisk::core
