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

    const auto n = static_cast<std::size_t>(state.DefServerCount);
    std::string lead;
    core::DefServerRec& entry = state.DefServers[n];
    entry.DefKey = core::ServerCut(state, address, lead);
    if (!path.ends_with('/'))
        path += '/';
    entry.DefPath = std::move(path);

    // An address without a key could never match: it gets no item, and the next accepted line takes its
    // entry.
    const bool added = !entry.DefKey.empty();
    if (added) {
        state.defServerItems.emplace_back(address);
        state.DefServerCount = static_cast<int>(state.defServerItems.size());
    }
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
