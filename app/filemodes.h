#pragma once

#include "app/commandline.h"
#include "core/state.h"

#include <string>
#include <vector>

// The two runs that read the files and write no converted copy: the preview (--diff) and the export to
// aria2 (--export=aria2).
namespace tamarisk::app {

struct PreviewOptions {
    bool colour = false;
    /// --overwrite=no: a URL list whose queue file exists would not be converted.
    bool declineExisting = false;
};

/// Prints for every file a unified diff (UTF-8) of the file against what its conversion would write, and
/// a one-line summary. Writes no file. Returns the exit status a conversion of the files would have.
int previewFiles(core::State& state, const std::vector<std::string>& files, Console& console,
                 const PreviewOptions& options);

/// Writes the aria2 input file beside one queue file or URL list; false (with the reason on standard error
/// and in failures) when that failed.
bool exportAria2(core::State& state, const std::string& file, Console& console, bool verbose,
                 std::string& failures);

} // namespace tamarisk::app
