#pragma once

#include "core/bytesink.h"
#include "core/linereader.h"
#include "core/state.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tamarisk::core {

/// What the conversion needs from the front end that shows it. The defaults do nothing, which is what a
/// run without a window wants; the window makes itself busy and commits what is being edited.
class ConversionHooks {
public:
    virtual ~ConversionHooks() = default;
    /// The hourglass pointer and the disabled window while one file is converted.
    virtual void beginBusy() {}
    virtual void endBusy() {}
    /// Text_Kimeuchi_LostFocus: the fixed server number being typed is applied.
    virtual void commitFixedNumber() {}
    /// Unticks chkIPList, which stores the address list being edited.
    virtual void closeAddressList() {}
    /// Asked when the queue file to be made from a URL list exists already: true overwrites it.
    virtual bool confirmOverwrite(const std::filesystem::path& existing) {
        (void)existing;
        return false;
    }
};

enum class Outcome {
    Converted,        // a queue file was converted (or made from a list and converted)
    RewrittenInPlace, // a URL list was rewritten through the address change
    Ignored,          // not a file kind the program converts
    Declined,         // the overwrite question was answered no
    Failed,
};

/// What became of one file.
struct FileResult {
    std::filesystem::path input;
    Outcome outcome = Outcome::Ignored;
    std::vector<std::filesystem::path> written; // files made, in order; a deleted "wr2" is not listed
    std::string error;                          // for Failed: the operation, the file and the reason
};

/// What the conversion resets before every file: the Webjump records are refilled from the server name and
/// every server group's in-order cursor starts again at 1.
void prepareForFile(State& state);

/// Chenge_Wrg: converts one file as a drop of it on the window does.
FileResult Chenge_Wrg(State& state, const std::filesystem::path& path, ConversionHooks& hooks);

/// Form_OLEDragDrop: commits what the window is editing, then converts the files in order.
std::vector<FileResult> Form_OLEDragDrop(State& state, const std::vector<std::filesystem::path>& files,
                                         ConversionHooks& hooks);

/// The converted text of a queue file: every line through Set_AllStatus, and through the referer pass
/// when that option is on. Every line ends with CR LF.
void convertQueue(State& state, const LineReader& queue, ByteSink& out);
std::string convertQueueText(State& state, const LineReader& queue);

/// The entries of a converted queue file in random order, each after an empty line, without comment
/// lines and without the lines before the first entry.
void shuffleEntries(const LineReader& converted, Random& random, ByteSink& out);
std::string shuffleEntries(const LineReader& converted, Random& random);

/// Splits a Windows command line into its paths: absolute paths with drive letters separated by one
/// blank, not quoted, so a path runs from its drive letter up to two characters before the next colon.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

} // namespace tamarisk::core
