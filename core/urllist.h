#pragma once

#include "core/conversionhooks.h"
#include "core/linereader.h"
#include "core/state.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tamarisk::core {

/// An address line of a URL list begins with "http://" in any case (other schemes are not addresses:
/// the queue's reader is an old program). Its address runs up to the first blank.
bool isAddressLine(std::string_view line);
std::string_view addressOf(std::string_view line);

/// The queue file made from a list: the nine lines of a new entry for every address line.
std::string makeQueueText(const LineReader& list);

/// The list with every line passed through the address change, one line out for each line in.
std::string rewriteListText(const State& state, const LineReader& list);

/// A queue file made from a URL list: its name, and its text to be converted without reading it back.
struct MadeQueue {
    std::filesystem::path file;
    LineReader text;
};

/// The URL-list step of the conversion. With the address-change and keep-lists options both on the list
/// is rewritten in place and nothing is returned; otherwise the queue file is made beside it (after the
/// overwrite question when it exists) and returned for conversion; it is created with the permission bits
/// mode (the list's). Records the outcome and the files written in result; throws IoError.
std::optional<MadeQueue> convertUrlList(State& state, const std::filesystem::path& list, unsigned mode,
                                        ConversionHooks& hooks, FileResult& result);

} // namespace tamarisk::core
