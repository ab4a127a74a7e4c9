#include "settings/settingsfile.h"

#include "core/atomicfile.h"
#include "core/cp932.h"
#include "core/errors.h"
#include "core/linereader.h"
#include "core/osfile.h"
#include "core/queueformat.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <string_view>

namespace tamarisk::settings {

namespace {

using core::ServerRec;

// The toggle lines, in the order the writer puts them after the four text lines.
constexpr std::array<std::string_view, 8> kToggleKeys = {"CHKB0", "CHKB1", "CHKB2", "CHKB3",
                                                         "CHKB4", "CHKB5", "CHKLL", "CHK7A"};
// Only the first five toggles have an option panel.
constexpr std::size_t kPanelCount = 5;

template <typename Options>
auto& toggleValue(Options& options, std::size_t i) {
    if (i < options.OptCheckBoxes.size())
        return options.OptCheckBoxes[i];
    if (i == options.OptCheckBoxes.size())
        return options.ListCheckBox[0];
    return options.Check_Members7Tripod;
}

// A line "KEY:value". The loader and the writer recognise a line by the same rule: the text before the
// first ":" in upper case, compared whole, so a hand-edited "chkb3:" is the CHKB3 line for both and
// "SERVERX:" is nobody's. A ":" is never the second byte of a double-byte character, and a key with a
// double-byte character never equals one of ours, so bytes can be compared and upper-cased directly.
struct KeyLine {
    std::string key;
    std::string_view value;
};

std::optional<KeyLine> splitKeyLine(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    KeyLine result{std::string(line.substr(0, colon)), line.substr(colon + 1)};
    for (char& c : result.key)
        c = core::asciiUpper(c);
    return result;
}

// A number that does not fit the value it is meant for leaves that value as it was.
template <typename T>
std::optional<T> fitting(long long value) {
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
        return std::nullopt;
    return static_cast<T>(value);
}

std::optional<std::int16_t> number16(std::string_view text) {
    return fitting<std::int16_t>(core::leadingInteger(text));
}

void applyServer(core::State& state, std::string_view value) {
    if (state.ServerCount >= core::kMaxServers)
        return;
    ++state.ServerCount;
    ServerRec& server = state.Servers[static_cast<std::size_t>(state.ServerCount)];
    server.ServerName.assign(value);
    const std::size_t d1 = value.find('.');
    const std::size_t d2 = d1 == std::string_view::npos ? d1 : value.find('.', d1 + 1);
    if (d2 == std::string_view::npos) {
        server.ServerHead.clear();
        server.ServerDomain.assign(value);
    } else {
        server.ServerHead.assign(value.substr(0, d1));
        server.ServerDomain.assign(value.substr(d1 + 1));
    }
}

void addAddress(ServerRec& server, std::string_view value) {
    if (server.IPCount >= core::kMaxAddresses)
        return;
    for (int i = 1; i <= server.IPCount; ++i) {
        if (server.IPList[static_cast<std::size_t>(i)].IPName == value)
            return;
    }
    server.IPList[0] = {"Members", -1};
    ++server.IPCount;
    server.IPList[static_cast<std::size_t>(server.IPCount)] = {std::string(value), -1};
    server.IPUseCount = server.IPCount;
}

void addNumbers(ServerRec& server, std::string_view value) {
    const std::size_t dash = value.find('-');
    if (dash == std::string_view::npos)
        return;
    const std::optional<std::int16_t> first = number16(value.substr(0, dash));
    const std::optional<std::int16_t> last = number16(value.substr(dash + 1));
    if (!first || !last)
        return;
    for (int n = *first; n <= *last && server.SNumberCount < core::kMaxNumbers; ++n) {
        ++server.SNumberCount;
        server.SNumber[static_cast<std::size_t>(server.SNumberCount)] = static_cast<std::int16_t>(n);
    }
}

void removeNumbers(ServerRec& server, std::string_view value) {
    for (std::size_t start = 0; start <= value.size();) {
        std::size_t comma = value.find(',', start);
        if (comma == std::string_view::npos)
            comma = value.size();
        const std::optional<std::int16_t> number = number16(value.substr(start, comma - start));
        start = comma + 1;
        if (!number)
            continue;
        const auto count = static_cast<std::size_t>(server.SNumberCount);
        for (std::size_t i = 1; i <= count; ++i) {
            if (server.SNumber[i] != *number)
                continue;
            for (std::size_t k = i; k < count; ++k)
                server.SNumber[k] = server.SNumber[k + 1];
            server.SNumber[count] = 0;
            --server.SNumberCount;
            break;
        }
    }
}

void applyType(ServerRec& server, std::string_view value) {
    if (value.empty())
        return;
    switch (value[0]) {
    case 'U':
    case 'u':
        server.SType = core::kSTypeU;
        break;
    case 'F':
    case 'f':
        server.SType = core::kSTypeF;
        break;
    case 'V':
    case 'v':
        server.SType = core::kSTypeV;
        break;
    default:
        break;
    }
}

void applyToggle(core::OptionState& options, std::size_t i, std::string_view value, WindowEffects& window) {
    std::optional<std::int16_t> v = number16(value);
    if (!v)
        return;
    if (*v < 0 || *v > 1)
        v = 0;
    toggleValue(options, i) = *v;
    if (i < kPanelCount)
        window.showPanel(static_cast<int>(i), *v != 0);
}

// A window position is taken only when it is not negative; whether it keeps the window on the screen is
// the window's to decide.
std::optional<std::int32_t> windowPosition(std::string_view value) {
    const std::optional<std::int32_t> v = fitting<std::int32_t>(core::leadingInteger(value));
    return v && *v >= 0 ? v : std::nullopt;
}

void applyLine(core::State& state, std::string_view line, WindowEffects& window) {
    const std::optional<KeyLine> parsed = splitKeyLine(line);
    if (!parsed)
        return;
    const std::string& key = parsed->key;
    const std::string_view value = parsed->value;
    core::OptionState& options = state.options;
    ServerRec& current = state.Servers[static_cast<std::size_t>(state.ServerCount)];

    if (key == "GCPATH") {
        options.Label_AllDir[0].assign(value);
    } else if (key == "FSPATH") {
        options.Label_AllDir[1].assign(value);
    } else if (key == "WEJNUM") {
        options.Text_Webjump.assign(value);
    } else if (key == "WEJNAM") {
        options.Text_WebjumpName.assign(value);
    } else if (key == "WLEFT") {
        if (const std::optional<std::int32_t> left = windowPosition(value)) {
            options.windowLeft = left;
            window.moveWindow(left, std::nullopt);
        }
    } else if (key == "W_TOP") {
        if (const std::optional<std::int32_t> top = windowPosition(value)) {
            options.windowTop = top;
            window.moveWindow(std::nullopt, top);
        }
    } else if (key == "SKI") {
        options.skin.assign(value);
        std::string picture(value);
        if (picture.find('.') == std::string::npos)
            picture += ".bmp";
        window.applySkin(picture);
    } else if (key == "SERVER") {
        applyServer(state, value);
    } else if (key == "IP") {
        addAddress(current, value);
    } else if (key == "SNUMBER") {
        addNumbers(current, value);
    } else if (key == "SNOUSE") {
        removeNumbers(current, value);
    } else if (key == "SKIMEUCHI") {
        if (const std::optional<std::int16_t> v = number16(value))
            current.SKimeuchi = *v;
    } else if (key == "STYPE") {
        applyType(current, value);
    } else {
        for (std::size_t i = 0; i < kToggleKeys.size(); ++i) {
            if (key == kToggleKeys[i]) {
                applyToggle(options, i, value, window);
                break;
            }
        }
    }
}

// Load_IniFile creates the file when there is none, so that the first run leaves a file to edit. Any
// failure here shows up as the read's failure, which names the file and the reason.
void createWhenMissing(const std::filesystem::path& file) {
    if (core::os::entryExists(file))
        return;
    std::error_code ignored;
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path(), ignored);
    core::os::File created;
    if (!core::os::createNew(file, 0666, created))
        created.close();
}

bool isToggleKey(const std::string& key) {
    for (std::string_view toggle : kToggleKeys) {
        if (key == toggle)
            return true;
    }
    return false;
}

std::string hexDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(static_cast<std::uint16_t>(value)));
    return text;
}

void appendKeyLine(std::string& out, std::string_view key, std::string_view value) {
    out += key;
    out += ':';
    out += value;
    out += core::queue::kLineEnd;
}

std::string composeSettings(const core::State& state, const core::LineReader& old) {
    const core::OptionState& options = state.options;
    const bool writePosition = state.WindowShown == 1;
    const bool writeLeft = writePosition && options.windowLeft.has_value();
    const bool writeTop = writePosition && options.windowTop.has_value();

    std::string out;
    out.reserve(old.bytes().size() + 256);
    appendKeyLine(out, "GCPATH", options.Label_AllDir[0]);
    appendKeyLine(out, "FSPATH", options.Label_AllDir[1]);
    appendKeyLine(out, "WEJNUM", options.Text_Webjump);
    appendKeyLine(out, "WEJNAM", options.Text_WebjumpName);
    for (std::size_t i = 0; i < kToggleKeys.size(); ++i)
        appendKeyLine(out, kToggleKeys[i], hexDigits(toggleValue(options, i)));
    if (writeLeft)
        appendKeyLine(out, "WLEFT", core::NumStr(*options.windowLeft));
    if (writeTop)
        appendKeyLine(out, "W_TOP", core::NumStr(*options.windowTop));

    int serversSeen = 0;
    std::int64_t ReadPos = 1;
    while (ReadPos >= 1) {
        const std::string_view line = old.ReadLineAt(ReadPos);
        if (ReadPos < 1)
            break;
        const std::optional<KeyLine> parsed = splitKeyLine(line);
        if (parsed) {
            const std::string& key = parsed->key;
            if (key == "SERVER") {
                ++serversSeen;
            } else if (key == "SKIMEUCHI") {
                // A fixed number belongs to the group of the SERVER line before it; the loader gave one
                // before any SERVER line to record 0, which is never saved.
                if (serversSeen == 0)
                    continue;
                if (serversSeen <= core::kMaxServers) {
                    const ServerRec& group = state.Servers[static_cast<std::size_t>(serversSeen)];
                    appendKeyLine(out, "SKIMEUCHI", core::NumStr(group.SKimeuchi));
                    continue;
                }
            } else if (key == "GCPATH" || key == "FSPATH" || key == "WEJNUM" || key == "WEJNAM" ||
                       isToggleKey(key) || (key == "WLEFT" && writeLeft) || (key == "W_TOP" && writeTop)) {
                continue;
            }
        }
        core::queue::appendLine(out, line);
    }
    return out;
}

} // namespace

LoadResult Load_IniFile(core::State& state, const std::filesystem::path& file, WindowEffects& window) {
    if (file.empty()) {
        state.options.OptCheckBoxes[core::kOptServerChange] = 2;
        return {false, "no settings file: the user has no home folder to keep it in"};
    }
    createWhenMissing(file);
    core::LineReader reader;
    try {
        reader = core::LineReader::open(file);
    } catch (const core::IoError& error) {
        state.options.OptCheckBoxes[core::kOptServerChange] = 2;
        return {false, error.what()};
    }
    std::int64_t ReadPos = 1;
    while (ReadPos >= 1) {
        const std::string_view line = reader.ReadLineAt(ReadPos);
        if (ReadPos < 1)
            break;
        applyLine(state, line, window);
    }
    return {true, {}};
}

SaveResult saveSettings(const core::State& state, const std::filesystem::path& file) {
    core::LineReader old;
    try {
        old = core::LineReader::open(file);
    } catch (const core::IoError& error) {
        return {false, std::string(error.what()) + "; settings not saved"};
    }
    const std::string text = composeSettings(state, old);

    try {
        // A settings file that is a link (into a folder of dotfiles, say) stays a link: its target is
        // replaced.
        const core::Replacement replacement = core::replacementFor(file);
        core::WriteOptions options;
        options.mode = replacement.mode;
        options.durable = true;
        core::writeFileAtomically(replacement.target, text, options);
    } catch (const core::IoError& error) {
        return {false, std::string(error.what()) + "; settings not saved, the old file is unchanged"};
    }
    return {true, {}};
}

} // namespace tamarisk::settings
