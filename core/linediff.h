#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// A line diff for previews of a conversion. A conversion writes one line for each line it reads, apart
// from the lines the referer pass adds, so most lines of the two texts are equal and in the same order;
// the diff anchors on those and stays close to linear on queues of a million lines.
namespace tamarisk::core {

/// One step of an edit script: count lines kept, deleted from the old text or inserted from the new one.
struct LineEdit {
    enum class Kind : std::uint8_t { Keep, Delete, Insert };
    Kind kind = Kind::Keep;
    std::size_t count = 0;

    bool operator==(const LineEdit&) const = default;
};

/// An edit script that turns oldLines into newLines: runs of kept lines, and between them the deleted
/// lines of each change before its inserted ones. Shortest for texts of up to 1,000 lines together; longer
/// ones are first cut at lines that occur once in each text, and a long stretch without such a line is
/// matched greedily.
std::vector<LineEdit> diffLines(const std::vector<std::string_view>& oldLines,
                                const std::vector<std::string_view>& newLines);

/// A hunk of a unified diff: 0-based first lines and counts on both sides, and its part of the script
/// (context lines included).
struct DiffHunk {
    std::size_t oldStart = 0;
    std::size_t oldCount = 0;
    std::size_t newStart = 0;
    std::size_t newCount = 0;
    std::vector<LineEdit> edits;
};

/// The hunks of a script with context lines of context around each change; hunks whose context would
/// touch or overlap are one hunk.
std::vector<DiffHunk> unifiedHunks(const std::vector<LineEdit>& script, std::size_t context);

} // namespace tamarisk::core
