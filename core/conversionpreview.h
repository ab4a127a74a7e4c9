#pragma once

#include "core/linereader.h"
#include "core/state.h"

#include <filesystem>
#include <optional>
#include <string>

namespace tamarisk::core {

/// What converting one file would write, worked out in memory: no file is created, changed or removed.
struct ConversionPreview {
    enum class Kind {
        Queue,         // a queue file: converted is its converted copy
        MadeQueue,     // a URL list: converted is the queue file made from it, converted
        RewrittenList, // a URL list rewritten in place: converted is its new text
        Other,         // not a file kind the program converts
        Failed,
    };
    Kind kind = Kind::Other;
    std::filesystem::path input;
    LineReader source;                   // the file as it is
    std::filesystem::path output;        // where converted would go: q.wr2 (q.wrs when shuffled), the list
    std::string converted;               // CP932 lines with CR LF, before any shuffle
    std::optional<std::string> shuffled; // with the shuffle: the entries in the order the wrs file gets
    std::filesystem::path madeQueue;     // for a URL list made into a queue: that queue file (list.wrg)
    bool madeQueueExists = false;        // ... exists already, so a conversion would ask before replacing it
    std::string error;                   // for Failed: the operation, the file and the reason
};

/// Converts one file as Chenge_Wrg does, in memory. The state moves on exactly as in a conversion (the
/// in-order cursors, the random numbers drawn), so a run with the same seed writes what the preview shows.
/// With listsInPlace false a URL list is always made into a queue, even when the options would rewrite it.
ConversionPreview previewConversion(State& state, const std::filesystem::path& path,
                                    bool listsInPlace = true);

} // namespace tamarisk::core
