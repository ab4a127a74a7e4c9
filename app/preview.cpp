#include "app/filemodes.h"

#include "core/conversionpreview.h"
#include "core/cp932.h"
#include "core/linediff.h"
#include "core/osfile.h"

#include <cstdio>
#include <ostream>
#include <string_view>

namespace tamarisk::app {

namespace {

constexpr std::size_t kContext = 3;

// ANSI colours of the diff on a terminal.
constexpr std::string_view kBold = "\x1b[1m";
constexpr std::string_view kCyan = "\x1b[36m";
constexpr std::string_view kRed = "\x1b[31m";
constexpr std::string_view kGreen = "\x1b[32m";
constexpr std::string_view kReset = "\x1b[m";

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD, what the decoder gives for bad bytes

// The lines of a text, and how many of them do not end with CR LF.
struct SplitText {
    std::vector<std::string_view> lines;
    std::size_t otherEnds = 0;
};

SplitText splitLines(const core::LineReader& text) {
    SplitText out;
    const std::string_view bytes = text.bytes();
    std::int64_t ReadPos = 1;
    while (ReadPos >= 1) {
        const std::string_view line = text.ReadLineAt(ReadPos);
        if (ReadPos < 1)
            break;
        const auto end = static_cast<std::size_t>(line.data() - bytes.data()) + line.size();
        if (static_cast<std::size_t>(ReadPos - 1) != end + 2 || bytes[end] != '\r')
            ++out.otherEnds;
        out.lines.push_back(line);
    }
    return out;
}

bool isControl(unsigned char b) {
    return (b < 0x20 && b != '\t') || b == 0x7F;
}

void appendEscaped(std::string& out, unsigned char b) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", b);
    out += hex;
}

// A CP932 line as UTF-8 for the terminal. Bytes that are not CP932 and control characters are shown as
// \xHH: none is dropped, and none can move the cursor or colour the terminal.
std::string displayText(std::string_view line) {
    std::string out;
    const bool plain = std::none_of(line.begin(), line.end(),
                                    [](char c) { return isControl(static_cast<unsigned char>(c)); });
    if (plain) {
        if (core::isAscii(line))
            return std::string(line);
        out = core::cp932ToUtf8(line);
        if (out.find(kReplacement) == std::string::npos)
            return out;
        out.clear();
    }
    for (std::size_t i = 0; i < line.size();) {
        const auto b = static_cast<unsigned char>(line[i]);
        if (b < 0x80) {
            if (isControl(b))
                appendEscaped(out, b);
            else
                out += static_cast<char>(b);
            ++i;
            continue;
        }
        const std::size_t width = core::charWidthAt(line, i);
        const std::string decoded = core::cp932ToUtf8(line.substr(i, width));
        if (decoded == kReplacement) {
            // Only the first byte is shown escaped; the next one may begin a character of its own.
            appendEscaped(out, b);
            ++i;
        } else {
            out += decoded;
            i += width;
        }
    }
    return out;
}

// 1,234,567
std::string grouped(std::size_t n) {
    const std::string digits = std::to_string(n);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string count(std::size_t n, std::string_view one, std::string_view many) {
    return grouped(n) + " " + std::string(n == 1 ? one : many);
}

// A hunk range: its first line (1-based; the line before it for an empty range) and, unless 1, its count.
std::string range(std::size_t start, std::size_t lines) {
    if (lines == 1)
        return std::to_string(start + 1);
    return std::to_string(lines == 0 ? start : start + 1) + "," + std::to_string(lines);
}

class DiffPrinter {
public:
    DiffPrinter(std::ostream& out, bool colour) : m_out(out), m_colour(colour) {}

    void header(const std::string& oldName, const std::string& newName) {
        painted(kBold, "--- " + oldName);
        painted(kBold, "+++ " + newName);
    }

    void hunk(const core::DiffHunk& hunk, const std::vector<std::string_view>& oldLines,
              const std::vector<std::string_view>& newLines) {
        painted(kCyan, "@@ -" + range(hunk.oldStart, hunk.oldCount) + " +" +
                           range(hunk.newStart, hunk.newCount) + " @@");
        std::size_t o = hunk.oldStart;
        std::size_t n = hunk.newStart;
        for (const core::LineEdit& edit : hunk.edits) {
            for (std::size_t i = 0; i < edit.count; ++i) {
                switch (edit.kind) {
                case core::LineEdit::Kind::Keep:
                    m_out << ' ' << displayText(oldLines[o++]) << '\n';
                    ++n;
                    break;
                case core::LineEdit::Kind::Delete:
                    painted(kRed, "-" + displayText(oldLines[o++]));
                    break;
                case core::LineEdit::Kind::Insert:
                    painted(kGreen, "+" + displayText(newLines[n++]));
                    break;
                }
            }
        }
    }

private:
    void painted(std::string_view colour, const std::string& text) {
        if (m_colour)
            m_out << colour << text << kReset << '\n';
        else
            m_out << text << '\n';
    }

    std::ostream& m_out;
    bool m_colour;
};

// Prints the diff of one file and its summary.
void printPreview(const core::ConversionPreview& preview, const std::string& file, Console& console,
                  bool colour) {
    using Kind = core::ConversionPreview::Kind;
    const SplitText before = splitLines(preview.source);
    const core::LineReader converted(std::string(preview.converted));
    const SplitText after = splitLines(converted);
    const std::vector<core::LineEdit> script = core::diffLines(before.lines, after.lines);
    const std::vector<core::DiffHunk> hunks = core::unifiedHunks(script, kContext);

    std::string newName = core::os::pathText(preview.output);
    if (preview.kind == Kind::RewrittenList)
        newName += " (rewritten in place)";
    else if (preview.shuffled)
        newName += " (the entries before the shuffle)";
    DiffPrinter printer(console.out, colour);
    if (!hunks.empty())
        printer.header(file, newName);
    for (const core::DiffHunk& hunk : hunks)
        printer.hunk(hunk, before.lines, after.lines);

    std::size_t changed = 0;
    for (const core::LineEdit& edit : script) {
        if (edit.kind == core::LineEdit::Kind::Delete)
            changed += edit.count;
    }
    std::string summary = file + ": " + grouped(changed) + " of " +
                          count(before.lines.size(), "line", "lines") + " would change";
    if (after.lines.size() != before.lines.size())
        summary += "; " + core::os::pathText(preview.output.filename()) + " would have " +
                   count(after.lines.size(), "line", "lines");
    if (before.otherEnds > 0)
        summary += "; " + count(before.otherEnds, "line end", "line ends") + " would become CR LF";
    if (preview.shuffled) {
        std::size_t entries = 0;
        for (const std::string_view line : after.lines)
            entries += line.starts_with("Info=") ? 1 : 0;
        summary += "; then the order of its " + count(entries, "entry", "entries") + " would be shuffled";
    }
    if (preview.madeQueueExists)
        summary += "; " + core::os::pathText(preview.madeQueue.filename()) +
                   " exists and would be replaced only after a yes";
    console.out << summary << '\n';
}

} // namespace

int previewFiles(core::State& state, const std::vector<std::string>& files, Console& console,
                 const PreviewOptions& options) {
    using Kind = core::ConversionPreview::Kind;
    int status = 0;
    for (const std::string& file : files) {
        const core::ConversionPreview preview = core::previewConversion(state, core::os::pathFromUtf8(file));
        switch (preview.kind) {
        case Kind::Failed:
            console.err << "tamarisk: " << file << ": " << preview.error << "\n";
            status = 1;
            break;
        case Kind::Other:
            console.err << "tamarisk: " << file
                        << ": not a queue file (.wrg) or URL list (.txt, .lst, .dat); left alone\n";
            break;
        case Kind::MadeQueue:
            if (preview.madeQueueExists && options.declineExisting) {
                console.out << file << ": " << core::os::pathText(preview.madeQueue.filename())
                            << " exists and would not be replaced (--overwrite=no); nothing would change\n";
                break;
            }
            printPreview(preview, file, console, options.colour);
            break;
        case Kind::Queue:
        case Kind::RewrittenList:
            printPreview(preview, file, console, options.colour);
            break;
        }
    }
    return status;
}

} // namespace tamarisk::app
