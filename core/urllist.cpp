#include "core/urllist.h"

#include "core/atomicfile.h"
#include "core/cp932.h"
#include "core/errors.h"
#include "core/osfile.h"
#include "core/queueformat.h"
#include "core/urlsplit.h"

#include <cmath>
#include <cstdio>

namespace tamarisk::core {

namespace {

// The list's lines through the address change, replacing the list atomically: the list is never missing,
// keeps its permission bits, and a list that is a symbolic link has its target rewritten.
void rewriteInPlace(State& state, const std::filesystem::path& list, const LineReader& listFile,
                    FileResult& result) {
    const Replacement replacement = replacementFor(list);
    const std::filesystem::path& target = replacement.target;
    // As root a rename would replace even a read-only list, so the bits are checked here.
    if ((replacement.mode & 0222) == 0)
        throw IoError("cannot rewrite " + os::pathText(list) + ": " +
                      std::make_error_code(std::errc::permission_denied).message() +
                      " (the list is read-only)");

    WriteOptions options;
    options.mode = replacement.mode;
    options.durable = true;
    // The temporary name: the list's name less three characters, "$$$", then 1000 x r in hexadecimal.
    options.temporaryName = [&state, &target] {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%lX", std::lrint(1000.0 * state.random.next()));
        return queue::derivedName(target, std::string(queue::kTemporaryPrefix) + hex);
    };
    writeFileAtomically(target, rewriteListText(state, listFile), options);
    result.written.push_back(list);
    result.outcome = Outcome::RewrittenInPlace;
}

} // namespace

bool isAddressLine(std::string_view line) {
    constexpr std::string_view kScheme = "http://";
    if (line.size() < kScheme.size())
        return false;
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        if (asciiLower(line[i]) != kScheme[i])
            return false;
    }
    return true;
}

std::string_view addressOf(std::string_view line) {
    // A blank is never the trail byte of a double-byte character, so a byte search finds the character.
    return line.substr(0, line.find(' '));
}

std::string makeQueueText(const LineReader& list) {
    std::string out;
    std::int64_t ReadPos = 1;
    while (ReadPos >= 1) {
        const std::string_view line = list.ReadLineAt(ReadPos);
        if (ReadPos < 1 || !isAddressLine(line))
            continue;
        for (const std::string_view entryLine : queue::kNewEntryLines)
            queue::appendLine(out, entryLine);
        out += queue::kUrl;
        queue::appendLine(out, addressOf(line));
    }
    return out;
}

std::string rewriteListText(const State& state, const LineReader& list) {
    std::string out;
    out.reserve(list.bytes().size() + 64);
    AddressChanger changer(state);
    std::string changed;
    std::int64_t ReadPos = 1;
    while (ReadPos >= 1) {
        const std::string_view line = list.ReadLineAt(ReadPos);
        if (ReadPos >= 1)
            queue::appendLine(out, changer.change(line, changed) ? std::string_view(changed) : line);
    }
    return out;
}

std::optional<MadeQueue> convertUrlList(State& state, const std::filesystem::path& list, unsigned mode,
                                        ConversionHooks& hooks, FileResult& result) {
    const LineReader listFile = LineReader::open(list);
    const OptionState& options = state.options;
    if (options.OptCheckBoxes[kOptAddressChange] != 0 && options.ListCheckBox[0] != 0) {
        rewriteInPlace(state, list, listFile, result);
        return std::nullopt;
    }
    const std::filesystem::path queueFile = queue::derivedName(list, queue::kQueueSuffix);
    if (os::entryExists(queueFile) && !hooks.confirmOverwrite(queueFile)) {
        result.outcome = Outcome::Declined;
        return std::nullopt;
    }
    // When the queue file cannot be made, nothing is converted: an old file of that name is left alone.
    LineReader queueText(makeQueueText(listFile));
    WriteOptions created;
    created.createMode = mode;
    writeFileAtomically(queueFile, queueText.bytes(), created);
    result.written.push_back(queueFile);
    return MadeQueue{queueFile, std::move(queueText)};
}

} // namespace tamarisk::core
