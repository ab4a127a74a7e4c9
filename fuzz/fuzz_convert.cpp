// Feeds arbitrary bytes as a queue file through the line reader and the conversion with options taken
// from the first bytes, and checks what must hold for every input.

#include "core/driver.h"
#include "core/linereader.h"
#include "core/queueformat.h"
#include "core/state.h"
#include "core/urlsplit.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace tamarisk::core;

namespace {

void checkThat(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}
#define check(condition) checkThat((condition), #condition)

std::size_t countLines(const LineReader& reader, std::size_t& infoLines) {
    std::size_t lines = 0;
    infoLines = 0;
    std::int64_t ReadPos = 1;
    while (ReadPos >= 1) {
        const std::int64_t before = ReadPos;
        const std::string_view line = reader.ReadLineAt(ReadPos);
        if (ReadPos < 1)
            break;
        check(ReadPos > before); // the position always moves forward
        ++lines;
        if (queue::hasPrefix(line, queue::kInfo))
            ++infoLines;
    }
    return lines;
}

// Takes bytes from the front of the input while it lasts.
struct Bytes {
    std::string_view data;
    std::uint8_t take() {
        if (data.empty())
            return 0;
        const auto b = static_cast<std::uint8_t>(data.front());
        data.remove_prefix(1);
        return b;
    }
    // Option texts come from single lines of the settings file or from the command line, which refuses
    // line breaks, so they never hold CR or LF.
    std::string takeText(std::size_t max) {
        const std::size_t n = std::min<std::size_t>(take() % (max + 1), data.size());
        std::string text(data.substr(0, n));
        data.remove_prefix(n);
        std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
        return text;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes in{std::string_view(reinterpret_cast<const char*>(data), size)};
    State state;
    const std::uint8_t flags = in.take();
    for (std::size_t i = 0; i < 6; ++i)
        state.options.OptCheckBoxes[i] = (flags >> i) & 1;
    state.options.ListCheckBox[0] = (flags >> 6) & 1;
    state.options.Option_DLDir = (flags >> 7) & 1;
    const std::uint8_t more = in.take();
    state.options.Option_OptMC = more % 3;
    state.options.Check_Members7Tripod = (more >> 2) & 1;
    state.options.Label_AllDir[1] = in.takeText(8);
    state.options.Text_Webjump = in.takeText(3);
    state.random.seed(in.take());
    state.options.Text_WebjumpName = in.takeText(4);

    // A few server groups with numbers, addresses and key types, and an address-change table whose keys
    // come from ServerCut as the relocation file makes them.
    const int groups = in.take() % 4;
    for (int g = 1; g <= groups; ++g) {
        ServerRec& group = state.Servers[static_cast<std::size_t>(g)];
        const std::uint8_t shape = in.take();
        group.ServerHead = in.takeText(4);
        group.ServerDomain = (shape & 1) ? std::string("tripod.com") : in.takeText(8);
        group.ServerName = group.ServerHead + "." + group.ServerDomain;
        group.SType = std::array<std::uint8_t, 4>{kSTypeNone, kSTypeU, kSTypeF, kSTypeV}[(shape >> 1) & 3];
        group.SNumberCount = static_cast<std::int16_t>(in.take() % 6);
        for (int n = 1; n <= group.SNumberCount; ++n)
            group.SNumber[static_cast<std::size_t>(n)] = static_cast<std::int16_t>(in.take());
        group.SKimeuchi = (shape & 8) ? static_cast<std::int16_t>(in.take() % 9) : 0;
        group.IPCount = static_cast<std::int16_t>(in.take() % 4);
        for (int a = 0; a <= group.IPCount; ++a) {
            group.IPList[static_cast<std::size_t>(a)].IPName =
                a == 0 ? std::string("Members") : in.takeText(10);
            // Flags may disagree with the count: the rules must never read past the list.
            group.IPList[static_cast<std::size_t>(a)].IPUse = (in.take() & 1) ? -1 : 0;
        }
        group.IPUseCount = static_cast<std::int16_t>(in.take() % (group.IPCount + 2));
    }
    state.ServerCount = groups;
    const int changes = in.take() % 4;
    for (int k = 0; k < changes; ++k) {
        std::string lead;
        DefServerRec& change = state.DefServers[static_cast<std::size_t>(k)];
        change.DefKey = ServerCut(state, in.takeText(24), lead);
        change.DefPath = in.takeText(12);
    }
    state.DefServerCount = changes;

    const LineReader queueFile{std::string(in.data)};
    std::size_t infoLines = 0;
    const std::size_t lines = countLines(queueFile, infoLines);

    normaliseWebjumpNumber(state.options);
    prepareForFile(state);
    const std::string converted = convertQueueText(state, queueFile);
    const LineReader convertedFile{converted};
    std::size_t convertedInfo = 0;
    const std::size_t convertedLines = countLines(convertedFile, convertedInfo);
    check(converted.empty() || converted.ends_with("\r\n"));
    check(convertedInfo == infoLines);
    if (!state.optionOn(kOptReferer)) {
        check(convertedLines == lines); // one line in, one line out
    } else {
        check(convertedLines >= lines);
    }

    const std::string shuffled = shuffleEntries(convertedFile, state.random);
    std::size_t shuffledInfo = 0;
    countLines(LineReader{shuffled}, shuffledInfo);
    check(shuffledInfo == infoLines);

    std::string lead;
    const std::string key = ServerCut(state, in.data.substr(0, 200), lead);
    (void)UrlChai(state, in.data.substr(0, 200));
    (void)splitCommandLine(in.data.substr(0, 200));
    (void)key;
    return 0;
}
