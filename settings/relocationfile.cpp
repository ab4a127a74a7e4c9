#include "settings/relocationfile.h"

#include "core/errors.h"
#include "core/linereader.h"
#include "core/urlsplit.h"

#include <algorithm>

namespace tamarisk::settings {

namespace {

// Whether the line added a pair to the address-change table.
bool applyLine(core::State& state, std::string_view line) {
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos)
        return false;
    const std::string_view address = line.substr(0, comma);
    std::string path(line.substr(comma + 1));

    // An address is listed once: the first pair loaded or typed wins.
    if (std::find(state.defServerItems.begin(), state.defServerItems.end(), address) !=
        state.defServerItems.end())
        return false;
    if (state.DefServerCount >= core::kMaxDefServers)
        return false;

    if (!path.ends_with('/'))
        path += '/';
    const bool added = core::addAddressChange(state, address, std::move(path));
    if (state.defServerSelected < 0 && !state.defServerItems.empty()) {
        state.defServerSelected = 0;
        state.DefServerIndex = 0;
    }
    return added;
}

} // namespace

RelocationResult loadRelocationFile(core::State& state, const std::filesystem::path& file) {
    RelocationResult result;
    core::LineReader reader;
    try {
        reader = core::LineReader::open(file);
    } catch (const core::IoError& error) {
        result.error = error.what();
        return result;
    }
    result.loaded = true;
    std::int64_t ReadPos = 1;
    while (ReadPos >= 1) {
        const std::string_view line = reader.ReadLineAt(ReadPos);
        if (ReadPos < 1)
            break;
        if (applyLine(state, line))
            ++result.added;
        else
            ++result.skipped;
    }
    return result;
}

} // namespace tamarisk::settings
