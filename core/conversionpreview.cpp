#include "core/conversionpreview.h"

#include "core/driver.h"
#include "core/errors.h"
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
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        if (ec)
            throw IoError("cannot read " + path.string() + ": " + ec.message());
        if (fs::is_directory(status))
            throw IoError("cannot read " + path.string() + ": " +
                          std::make_error_code(std::errc::is_a_directory).message());
        if (!fs::is_regular_file(status))
            throw IoError("cannot read " + path.string() + ": not a regular file");
        const std::string& name = path.native();
        switch (queue::fileKind(name)) {
        case queue::FileKind::Queue:
            preview.kind = ConversionPreview::Kind::Queue;
            preview.source = LineReader::open(path);
            preview.output = queue::derivedName(name, state.optionOn(kOptShuffle) ? queue::kShuffledSuffix
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
            preview.madeQueue = queue::derivedName(name, queue::kQueueSuffix);
            preview.madeQueueExists = fs::exists(fs::symlink_status(preview.madeQueue, ec));
            const std::string madeName = preview.madeQueue.native();
            preview.output = queue::derivedName(
                madeName, state.optionOn(kOptShuffle) ? queue::kShuffledSuffix : queue::kConvertedSuffix);
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
        preview.error = "cannot convert " + path.string() + ": " + error.what();
    }
    return preview;
}

} // namespace tamarisk::core
