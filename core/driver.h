#pragma once

#include "core/bytesink.h"
#include "core/conversionhooks.h"
#include "core/linereader.h"
#include "core/state.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tamarisk::core {

/// What the conversion resets before every file: the Webjump records are refilled from the server name and
/// every server group's in-order cursor starts again at 1.
void prepareForFile(State& state);

/// Chenge_Wrg: converts one file as a drop of it on the window does.
FileResult Chenge_Wrg(State& state, const std::filesystem::path& path, ConversionHooks& hooks);

/// Converts the files in order, each as Chenge_Wrg does: the one entry for dropped files, the command
/// line and a second start that hands its files to the window.
std::vector<FileResult> convertFiles(State& state, const std::vector<std::filesystem::path>& files,
                                     ConversionHooks& hooks);

/// Where the entries of a converted text begin, noted while convertQueue writes it, so that
/// shuffleEntries need not search the text for them. Each entry is kept as its 1-based start shifted left
/// by one, with that bit set while the entry has no comment line.
class EntryIndex {
public:
    /// The line head + rest begins at byte offset offset of the text.
    void noteLine(std::size_t offset, std::string_view head, std::string_view rest = {}) {
        // Most lines begin with neither an entry's first letter nor a comment's.
        const std::string_view start = head.empty() ? rest : head;
        if (!start.empty() && (start[0] == 'I' || start[0] == ';'))
            noteEntryOrComment(offset, head, rest);
    }
    /// The whole lines, each ending with CR LF, begin at byte offset offset of the text. readable bytes
    /// (at least as many as lines has) may be read from where lines begins.
    void noteLines(std::size_t offset, std::string_view lines, std::size_t readable);

    std::vector<std::uint64_t>& entries() { return m_entries; }

private:
    void noteEntryOrComment(std::size_t offset, std::string_view head, std::string_view rest);
    void noteComment(std::size_t offset);

    std::vector<std::uint64_t> m_entries;
};

/// The converted text of a queue file: every line through Set_AllStatus, and through the referer pass
/// when that option is on. Every line ends with CR LF. forgetRead: out keeps copies of what it is given,
/// so the queue's memory behind the reading position can be given back as the conversion goes. entries,
/// when given, notes where the text's entries begin.
void convertQueue(State& state, const LineReader& queue, ByteSink& out, bool forgetRead = false,
                  EntryIndex* entries = nullptr);
std::string convertQueueText(State& state, const LineReader& queue);

/// A converted text, or a part of one that begins with an entry, and where its entries begin.
struct ConvertedPart {
    LineReader text;
    EntryIndex entries;
};

/// The converted text of a queue file for a shuffle, as convertQueue makes it, in one part or in two made
/// at once on two threads. The second part begins at an entry where the conversion carries nothing over
/// from one line to the next but the server groups' turns and draws. With the server change on, the second
/// thread takes the turns of the first part's lines first, on a copy of state, and chooses where the first
/// part ends as it goes: at the first such entry after the "Url=" line it has reached at byte offset
/// splitFrom or after, or, when balanced, from there on once both threads would end together at the
/// speeds they have shown. Otherwise the second part begins at the first such entry from splitFrom on.
/// state ends as one conversion of the whole would leave it. One part when there is no such entry.
std::vector<ConvertedPart> convertInParts(State& state, const LineReader& queue, std::size_t splitFrom,
                                          bool balanced = false);

/// The entries of a converted queue file in random order, each after an empty line, without comment
/// lines and without the lines before the first entry. entries, when given, is what convertQueue noted
/// while it wrote the text; otherwise the text is searched for them.
void shuffleEntries(const LineReader& converted, Random& random, ByteSink& out,
                    EntryIndex* entries = nullptr);
std::string shuffleEntries(const LineReader& converted, Random& random);
/// The entries of a text converted in parts, shuffled as those of the whole text are.
void shuffleEntries(std::vector<ConvertedPart>& parts, Random& random, ByteSink& out);

/// Splits a Windows command line into its paths: absolute paths with drive letters separated by one
/// blank, not quoted, so a path runs from its drive letter up to two characters before the next colon.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

} // namespace tamarisk::core
