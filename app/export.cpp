#include "app/filemodes.h"

#include "core/aria2export.h"
#include "core/atomicfile.h"
#include "core/conversionpreview.h"
#include "core/osfile.h"

#include <ostream>
#include <system_error>

namespace tamarisk::app {

namespace fs = std::filesystem;

bool exportAria2(core::State& state, const std::string& file, Console& console, bool verbose,
                 std::string& failures) {
    using Kind = core::ConversionPreview::Kind;
    // A URL list is exported as the queue it would become; nothing but the aria2 file is written.
    const core::ConversionPreview preview =
        core::previewConversion(state, core::os::pathFromUtf8(file), false);
    std::string error;
    if (preview.kind == Kind::Other) {
        console.err << "tamarisk: " << file
                    << ": not a queue file (.wrg) or URL list (.txt, .lst, .dat); left alone\n";
        return true;
    }
    const fs::path target = core::aria2FileFor(core::os::pathFromUtf8(file));
    if (preview.kind == Kind::Failed) {
        error = preview.error;
    } else {
        const core::LineReader queue(preview.shuffled ? *preview.shuffled : preview.converted);
        const core::Aria2Input input = core::aria2Input(state, queue, core::userWineDrives());
        try {
            // The file holds user names and passwords: it is readable by no more people than the queue.
            std::error_code ec;
            const fs::perms bits =
                fs::status(core::os::pathFromUtf8(file), ec).permissions() & fs::perms::all;
            core::WriteOptions options;
            options.createMode = static_cast<unsigned>(bits) & 0666;
            core::AtomicOutput out(target, options);
            out.append(input.text);
            out.commit();
        } catch (const core::IoError& failure) {
            error = failure.what();
        }
        if (error.empty()) {
            if (input.withoutAddress > 0)
                console.err << "tamarisk: warning: " << file << ": " << input.withoutAddress
                            << (input.withoutAddress == 1 ? " entry" : " entries")
                            << " without a Url= line left out of " << core::os::pathText(target) << "\n";
            if (input.foldersOffDrives > 0)
                console.err << "tamarisk: warning: " << file << ": " << input.foldersOffDrives
                            << (input.foldersOffDrives == 1 ? " save folder is" : " save folders are")
                            << " on no Wine drive; written without dir=\n";
            if (verbose)
                console.out << file << " -> " << core::os::pathText(target) << "\n";
            return true;
        }
    }
    console.err << "tamarisk: " << file << ": " << error << "\n";
    failures += file + ": " + error + "\n";
    return false;
}

} // namespace tamarisk::app
