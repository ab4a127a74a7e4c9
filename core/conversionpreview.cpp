#include "core/conversionpreview.h"

#include "core/driver.h"
#include "core/errors.h"
#include "core/osfile.h"
#include "core/queueformat.h"
#include "core/urllist.h"

#include <system_error>

namespace tamarisk::core {

namespace fs = std::filesystem;

namespace {

void convertInMemory(State& state, const LineReader& queueFile, ConversionPreview& preview) {
    preview.converted = convertQueueText(state, queueFile);
    if (state.optionOn(kOptShuffle))
        preview.shuffled = shuffleEntries(LineReader(preview.converted), state.random);
}

} // namespace

ConversionPreview previewConversion(State& state, const fs::path& path, bool listsInPlace) {
    ConversionPreview preview;
    preview.input = path;
    normaliseWebjumpNumber(state.options);
    prepareForFile(state);
    try {
        os::FileStatus status;
        if (const std::error_code error = os::status(path, status))
            throw IoError("cannot read " + os::pathText(path) + ": " + error.message());
        if (status.directory)
            throw IoError("cannot read " + os::pathText(path) + ": " +
                          std::make_error_code(std::errc::is_a_directory).message());
        if (!status.regular)
            throw IoError("cannot read " + os::pathText(path) + ": not a regular file");
        switch (queue::fileKind(path)) {
        case queue::FileKind::Queue:
            preview.kind = ConversionPreview::Kind::Queue;
            preview.source = LineReader::open(path);
            preview.output = queue::derivedName(path, state.optionOn(kOptShuffle) ? queue::kShuffledSuffix
                                                                                  : queue::kConvertedSuffix);
            convertInMemory(state, preview.source, preview);
            break;
        case queue::FileKind::UrlList: {
            preview.source = LineReader::open(path);
            const OptionState& options = state.options;
            if (listsInPlace && options.OptCheckBoxes[kOptAddressChange] != 0 &&
                options.ListCheckBox[0] != 0) {
                preview.kind = ConversionPreview::Kind::RewrittenList;
                preview.output = path;
                preview.converted = rewriteListText(state, preview.source);
                // The rewrite would draw its temporary name here.
                state.random.next();
                break;
            }
            preview.kind = ConversionPreview::Kind::MadeQueue;
            preview.madeQueue = queue::derivedName(path, queue::kQueueSuffix);
            preview.madeQueueExists = os::entryExists(preview.madeQueue);
            preview.output =
                queue::derivedName(preview.madeQueue, state.optionOn(kOptShuffle) ? queue::kShuffledSuffix
                                                                                  : queue::kConvertedSuffix);
            convertInMemory(state, LineReader(makeQueueText(preview.source)), preview);
            break;
        }
        case queue::FileKind::Other:
            preview.kind = ConversionPreview::Kind::Other;
            break;
        }
    } catch (const IoError& error) {
        preview.kind = ConversionPreview::Kind::Failed;
        preview.error = error.what();
    } catch (const std::exception& error) {
        preview.kind = ConversionPreview::Kind::Failed;
        preview.error = "cannot convert " + os::pathText(path) + ": " + error.what();
    }
    return preview;
}

} // namespace tamarisk::core
