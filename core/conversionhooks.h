#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tamarisk::core {

/// What the conversion shows through the front end that runs it. The defaults do nothing, which is what a
/// run without a window wants. The front end only shows things here: whatever it is editing, it commits
/// before it hands files over.
struct FileResult;

class ConversionHooks {
public:
    virtual ~ConversionHooks() = default;
    /// The hourglass pointer and the disabled window while one file is converted.
    virtual void beginBusy() {}
    virtual void endBusy() {}
    /// Asked when the queue file to be made from a URL list exists already: true overwrites it.
    virtual bool confirmOverwrite(const std::filesystem::path& existing) {
        (void)existing;
        return false;
    }
    /// What became of one file, as soon as it is done: a command line reports each file as it goes.
    virtual void fileDone(const FileResult& result) { (void)result; }
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

} // namespace tamarisk::core
