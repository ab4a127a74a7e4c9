#include "app/commandline.h"

#include "app/filemodes.h"

#include "core/cp932.h"
#include "core/driver.h"
#include "core/osfile.h"
#include "core/state.h"
#include "settings/location.h"
#include "settings/relocationfile.h"
#include "settings/settingsfile.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>

namespace tamarisk::app {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

/// A usage error: the reason goes to standard error with the exit status 2.
struct UsageError {
    std::string reason;
};

/// The option toggles that take [=on/off]: where each lives in the state, with its Japanese name.
struct ToggleFlag {
    const char* name;
    const char* japanese;
    const char* english;
    int core::OptionState::*single = nullptr;
    int index = -1; // for OptCheckBoxes
    bool listToggle = false;
};

const ToggleFlag kToggleFlags[] = {
    {"--referer", "ファイルさんと一緒", "point each entry's referer at its own address", nullptr,
     core::kOptReferer},
    {"--server-change", "メンバーチェンジ", "move addresses to a server of their group", nullptr,
     core::kOptServerChange},
    {"--members7a", "members7aの有効", "let the Tripod group use its 7a hosts",
     &core::OptionState::Check_Members7Tripod},
    {"--webjump", "たいうえじゃん！", "turn Webjump addresses into the freehosting forms", nullptr,
     core::kOptWebjump},
    {"--save-folder", "普通は嫌！こっちにお願い", "set every entry's save folder (StoreIn=)", nullptr,
     core::kOptSaveFolder},
    {"--folder-from-name", "ファイル名の長さ－３文字をディレクトリとして追加する",
     "append a folder made from the file name", &core::OptionState::Option_DLDir},
    {"--address-change", "うるちゃい", "move addresses by the address-change table", nullptr,
     core::kOptAddressChange},
    {"--keep-lists", "非WRGファイルはそのまま", "rewrite URL lists in place instead of making queue files",
     nullptr, -1, true},
    {"--shuffle", "シャッフル", "write the entries in random order (.wrs)", nullptr, core::kOptShuffle},
};

std::optional<int> parseOnOff(std::string value) {
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (value == "on" || value == "1")
        return 1;
    if (value == "off" || value == "0")
        return 0;
    return std::nullopt;
}

std::string toCp932(const std::string& flag, const std::string& utf8) {
    // The text becomes part of one line of a file: a line break in it would split that line.
    if (utf8.find_first_of("\r\n") != std::string::npos)
        throw UsageError{flag + ": line breaks are not allowed in the text"};
    core::Cp932Conversion converted = core::utf8ToCp932(utf8);
    if (!converted.text)
        throw UsageError{flag + ": " + converted.error};
    return *converted.text;
}

// Answers the question asked when a URL list's queue file exists already.
class CommandLineHooks : public core::ConversionHooks {
public:
    enum class Answer { Ask, Yes, No };
    CommandLineHooks(Answer answer, Console& console, std::function<void(const core::FileResult&)> report)
        : m_answer(answer), m_console(console), m_report(std::move(report)) {}

    void fileDone(const core::FileResult& result) override { m_report(result); }

    bool confirmOverwrite(const std::filesystem::path& existing) override {
        if (m_answer != Answer::Ask)
            return m_answer == Answer::Yes;
        if (!m_console.inputIsTerminal)
            return false;
        m_console.err << core::os::pathText(existing) << " は存在します\n上書きしますか？ [y/N] "
                      << std::flush;
        std::string reply;
        if (!std::getline(m_console.in, reply))
            return false;
        return reply == "y" || reply == "Y" || reply == "yes" || reply == "Yes" || reply == "YES";
    }

private:
    Answer m_answer;
    Console& m_console;
    std::function<void(const core::FileResult&)> m_report;
};

struct Request {
    std::vector<std::string> files;
    std::optional<std::string> settingsFile;
    std::vector<std::string> relocationFiles;
    std::optional<std::uint32_t> seed;
    CommandLineHooks::Answer overwrite = CommandLineHooks::Answer::Ask;
    bool verbose = false;
    bool diff = false;                       // --diff: show what would change, write nothing
    bool open = false;                       // --open: the files go to the open window when there is one
    std::optional<std::string> exportFormat; // --export=aria2
    // Option values given on the command line, applied over the loaded settings for this run only.
    std::vector<std::pair<const ToggleFlag*, std::string>> toggles;
    std::optional<std::string> assign;
    std::optional<std::string> webjumpNumber;
    std::optional<std::string> webjumpName;
    std::optional<std::string> folder;

    bool anyOptionFlag() const {
        return !toggles.empty() || assign || webjumpNumber || webjumpName || folder;
    }
    bool overwriteGiven = false;
};

void applyOptionFlags(const Request& request, core::OptionState& options) {
    for (const auto& [flag, text] : request.toggles) {
        const std::optional<int> value = parseOnOff(text);
        if (!value)
            throw UsageError{std::string(flag->name) + ": expected on or off (1 or 0), not \"" + text + "\""};
        if (flag->single != nullptr)
            options.*(flag->single) = *value;
        else if (flag->listToggle)
            options.ListCheckBox[0] = *value;
        else
            options.OptCheckBoxes[static_cast<std::size_t>(flag->index)] = *value;
    }
    if (request.assign) {
        const std::string& mode = *request.assign;
        if (mode == "random")
            options.Option_OptMC = 0;
        else if (mode == "in-order")
            options.Option_OptMC = 1;
        else if (mode == "none")
            options.Option_OptMC = 2;
        else
            throw UsageError{"--assign: expected random, in-order or none, not \"" + mode + "\""};
    }
    if (request.webjumpNumber) {
        const std::string& text = *request.webjumpNumber;
        const bool digits =
            !text.empty() && text.size() <= 3 &&
            std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!text.empty() && (!digits || std::stoi(text) < 1 || std::stoi(text) > 255))
            throw UsageError{"--webjump-number: expected nothing or a number from 1 to 255, not \"" + text +
                             "\""};
        options.Text_Webjump = text;
    }
    if (request.webjumpName)
        options.Text_WebjumpName = toCp932("--webjump-name", *request.webjumpName);
    if (request.folder)
        options.Label_AllDir[1] = toCp932("--folder", *request.folder);
}

std::string helpText() {
    std::ostringstream out;
    const auto row = [&out](const std::string& flag, const std::string& text) {
        out << "  " << flag;
        if (flag.size() < 28)
            out << std::string(28 - flag.size(), ' ');
        else
            out << "\n" << std::string(30, ' ');
        out << text << "\n";
    };
    out << "Usage: tamarisk [OPTION...] FILE...\n"
           "たまりすく (Tamarisk): converts download-queue files (.wrg) and URL lists.\n\n"
           "Options (each sets the option for this run only):\n";
    for (const ToggleFlag& flag : kToggleFlags)
        row(std::string(flag.name) + "[=on/off]", std::string(flag.japanese) + ": " + flag.english);
    row("--assign=MODE", "random: サーバをランダムで割り当てます; in-order: サーバを順番に割り当てます;");
    row("", "none: サーバの割り当てを中止します (how --server-change picks a server)");
    row("--webjump-number=N", "サーバ番号(無し、1～255): the Webjump server number, empty or 1..255");
    row("--webjump-name=NAME", "サーバの名前です: the Webjump server name (default at)");
    row("--folder=PATH", "ファイル保存の場所: the save folder that --save-folder writes");
    out << "\nOther flags:\n";
    row("--settings=FILE", "the settings file to read and write (default: tamcfg.dat, see README)");
    row("--relocation-file=FILE", "場所替えのための設定ファイル: address,path pairs for --address-change");
    row("", "(repeatable; never saved)");
    row("--seed=N", "seed the random numbers (default: from the clock)");
    row("--overwrite=ANSWER", "上書き確認: ask, yes or no when a URL list's queue file exists");
    row("", "(ask asks on a terminal and means no without one)");
    row("--diff", "write nothing; print what the conversion would change as a diff");
    row("--open", "hand the files to the window when one is open (the desktop entry's start),");
    row("", "else convert them as without this flag");
    row("--export=aria2", "write an aria2 input file (FILE.aria2) instead of the converted copy");
    row("-v, --verbose", "one line per file with what was written; the settings file used");
    row("-h, --help", "print this help and exit");
    row("--version", "print the version and exit");
    out << "\nA queue file (.wrg) gives FILE.wr2 beside it (FILE.wrs with --shuffle); a URL list (.txt, "
           ".lst,\n"
           ".dat) becomes a queue file that is then converted, or with --address-change and --keep-lists is\n"
           "rewritten in place. The settings file is read at start and written back at exit unless an "
           "option\n"
           "flag was given. Exit status: 0 done, 1 a file failed, 2 usage error.\n";
    return out.str();
}

Request parse(const std::vector<std::string>& args, Console& console, bool& exitNow, int& exitCode) {
    Request request;
    // CLI11 only parses: the help is helpText(), so the options carry no descriptions of their own.
    CLI::App cli("", "tamarisk");
    // The flags are the same on every platform: "/x" is a path, never a Windows-style option.
    cli.allow_windows_style_options(false);
    cli.set_help_flag();
    bool help = false;
    cli.add_flag("-h,--help", help);
    bool version = false;
    cli.add_flag("--version", version);
    cli.add_flag("--diff", request.diff);
    cli.add_flag("--open", request.open);
    std::string exportFormat;
    auto* exportOption = cli.add_option("--export", exportFormat)->type_name("FORMAT");
    cli.add_flag("-v,--verbose", request.verbose);

    std::string settingsFile;
    auto* settingsOption = cli.add_option("--settings", settingsFile);
    std::vector<CLI::Option*> toggleOptions;
    std::vector<std::string> toggleValues(std::size(kToggleFlags));
    for (std::size_t i = 0; i < std::size(kToggleFlags); ++i)
        toggleOptions.push_back(cli.add_flag(std::string(kToggleFlags[i].name) + "{on}", toggleValues[i]));
    std::string assign;
    auto* assignOption = cli.add_option("--assign", assign);
    std::string webjumpNumber, webjumpName, folder;
    auto* numberOption = cli.add_option("--webjump-number", webjumpNumber);
    auto* nameOption = cli.add_option("--webjump-name", webjumpName);
    auto* folderOption = cli.add_option("--folder", folder);
    cli.add_option("--relocation-file", request.relocationFiles)->allow_extra_args(false);
    std::string seed;
    auto* seedOption = cli.add_option("--seed", seed);
    std::string overwrite = "ask";
    cli.add_option("--overwrite", overwrite);
    cli.add_option("files", request.files);

    try {
        // CLI11 reads "--folder=" as an option without a value and takes the next argument as its value,
        // which would turn a FILE into a settings file. Every "--name=value" of an option that takes a value
        // is handed over as two arguments, the value possibly empty.
        constexpr std::array<std::string_view, 9> kValueOptions = {
            "--settings",       "--relocation-file", "--assign", "--overwrite", "--seed",
            "--webjump-number", "--webjump-name",    "--folder", "--export"};
        std::vector<std::string> reversed;
        for (auto arg = args.rbegin(); arg != args.rend(); ++arg) {
            const std::size_t equals = arg->find('=');
            const std::string_view name = std::string_view(*arg).substr(0, equals);
            if (equals != std::string::npos &&
                std::find(kValueOptions.begin(), kValueOptions.end(), name) != kValueOptions.end()) {
                reversed.push_back(arg->substr(equals + 1));
                reversed.emplace_back(name);
            } else {
                reversed.push_back(*arg);
            }
        }
        cli.parse(reversed);
    } catch (const CLI::ParseError& error) {
        throw UsageError{error.what()};
    }
    if (help) {
        console.out << helpText();
        exitNow = true;
        exitCode = kExitOk;
        return request;
    }
    if (version) {
        console.out << "tamarisk " << TAMARISK_VERSION << "\n";
        exitNow = true;
        exitCode = kExitOk;
        return request;
    }
    for (std::size_t i = 0; i < std::size(kToggleFlags); ++i) {
        if (toggleOptions[i]->count() > 0)
            request.toggles.emplace_back(&kToggleFlags[i], toggleValues[i]);
    }
    if (assignOption->count() > 0)
        request.assign = assign;
    if (numberOption->count() > 0)
        request.webjumpNumber = webjumpNumber;
    if (nameOption->count() > 0)
        request.webjumpName = webjumpName;
    if (folderOption->count() > 0)
        request.folder = folder;
    if (exportOption->count() > 0) {
        if (exportFormat != "aria2")
            throw UsageError{"--export: expected aria2, not \"" + exportFormat + "\""};
        if (request.diff)
            throw UsageError{"--diff and --export cannot be given together"};
        request.exportFormat = exportFormat;
    }
    if (seedOption->count() > 0) {
        const bool digits =
            !seed.empty() && seed.size() <= 10 &&
            std::all_of(seed.begin(), seed.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!digits || std::stoull(seed) > UINT32_MAX)
            throw UsageError{"--seed: expected a number from 0 to 4294967295, not \"" + seed + "\""};
        request.seed = static_cast<std::uint32_t>(std::stoull(seed));
    }
    if (settingsOption->count() > 0) {
        if (settingsFile.empty())
            throw UsageError{"--settings: expected a file name"};
        request.settingsFile = settingsFile;
    }
    for (const std::string& file : request.relocationFiles) {
        if (file.empty())
            throw UsageError{"--relocation-file: expected a file name"};
    }
    request.overwriteGiven = !overwrite.empty() && cli.get_option("--overwrite")->count() > 0;
    if (overwrite == "yes")
        request.overwrite = CommandLineHooks::Answer::Yes;
    else if (overwrite == "no")
        request.overwrite = CommandLineHooks::Answer::No;
    else if (overwrite != "ask")
        throw UsageError{"--overwrite: expected ask, yes or no, not \"" + overwrite + "\""};
    // The window converts with the options it shows: flags that set options for this run would be ignored
    // there.
    if (request.open && (request.anyOptionFlag() || !request.relocationFiles.empty() ||
                         request.overwriteGiven || request.diff || request.exportFormat))
        throw UsageError{"--open takes only FILE, --settings, --seed and --verbose; the window converts with "
                         "its own options"};
    // Validate the option values now, so that a usage error changes nothing on disk.
    core::OptionState scratch;
    applyOptionFlags(request, scratch);
    return request;
}

} // namespace

int runCommandLine(const std::string& programPath, const std::vector<std::string>& args, Console console,
                   const FrontEnd& frontEnd) {
    const std::filesystem::path program = core::os::pathFromUtf8(programPath);
    Request request;
    try {
        bool exitNow = false;
        int exitCode = kExitOk;
        request = parse(args, console, exitNow, exitCode);
        if (exitNow)
            return exitCode;
        if (request.files.empty()) {
            if (!frontEnd.openWindow)
                throw UsageError{"no FILE given"};
            // The window keeps its options in the settings file: flags that set them need files to act on.
            if (request.anyOptionFlag() || !request.relocationFiles.empty() || request.overwriteGiven ||
                request.diff || request.exportFormat)
                throw UsageError{"option flags need a FILE; without FILE the window opens"};
            WindowRequest window;
            window.settingsFile = request.settingsFile ? core::os::pathFromUtf8(*request.settingsFile)
                                                       : settings::defaultSettingsFile(program);
            window.seed = request.seed;
            window.programFolder = program.parent_path();
            return frontEnd.openWindow(window);
        }
    } catch (const UsageError& error) {
        console.err << "tamarisk: " << error.reason << "\n"
                    << "Usage: tamarisk [OPTION...] FILE...\nTry 'tamarisk --help' for more information.\n";
        return kExitUsage;
    }

    const std::filesystem::path settingsFile = request.settingsFile
                                                   ? core::os::pathFromUtf8(*request.settingsFile)
                                                   : settings::defaultSettingsFile(program);
    if (request.open && frontEnd.handToWindow) {
        std::vector<std::filesystem::path> files;
        for (const std::string& file : request.files)
            files.push_back(core::os::pathFromUtf8(file));
        if (frontEnd.handToWindow(settingsFile, files)) {
            if (request.verbose) {
                for (const std::string& file : request.files)
                    console.out << file << " -> the window\n";
            }
            return kExitOk;
        }
    }

    const std::string converterProblem =
        frontEnd.codePageProblem ? frontEnd.codePageProblem() : core::codePageProblem();
    if (!converterProblem.empty()) {
        console.err << "tamarisk: " << converterProblem << "; nothing converted\n";
        if (frontEnd.showFailures)
            frontEnd.showFailures(converterProblem);
        return kExitFailed;
    }

    core::State state;
    state.random.seed(request.seed ? *request.seed : core::Random::clockSeed());

    if (request.verbose)
        console.out << "settings file: " << core::os::pathText(settingsFile) << "\n";
    settings::WindowEffects noWindow;
    // Loading creates a missing settings file; a preview writes nothing, and a missing file means the
    // defaults.
    std::error_code missing;
    const settings::LoadResult loaded = request.diff && !std::filesystem::exists(settingsFile, missing)
                                            ? settings::LoadResult{true, {}}
                                            : settings::Load_IniFile(state, settingsFile, noWindow);
    if (!loaded.loaded)
        console.err << "tamarisk: warning: " << loaded.error
                    << "; settings not loaded and will not be saved\n";

    applyOptionFlags(request, state.options);

    for (const std::string& file : request.relocationFiles) {
        const settings::RelocationResult pairs =
            settings::loadRelocationFile(state, core::os::pathFromUtf8(file));
        if (!pairs.loaded) {
            console.err << "tamarisk: " << pairs.error << "; nothing converted\n";
            return kExitFailed;
        }
        if (request.verbose) {
            console.err << "tamarisk: " << file << ": " << pairs.added << " address changes loaded, "
                        << pairs.skipped << " lines skipped\n";
        }
    }

    if (request.diff) {
        const char* noColor = std::getenv("NO_COLOR");
        PreviewOptions preview;
        preview.colour = console.outputIsTerminal && (noColor == nullptr || *noColor == '\0');
        preview.declineExisting = request.overwrite == CommandLineHooks::Answer::No;
        return previewFiles(state, request.files, console, preview);
    }

    int status = kExitOk;
    std::string failures;
    // Each file's outcome is reported as soon as it is done.
    const auto report = [&](const core::FileResult& result) {
        const std::string file = core::os::pathText(result.input);
        switch (result.outcome) {
        case core::Outcome::Failed:
            console.err << "tamarisk: " << file << ": " << result.error << "\n";
            failures += file + ": " + result.error + "\n";
            status = kExitFailed;
            break;
        case core::Outcome::Ignored:
            console.err << "tamarisk: " << file
                        << ": not a queue file (.wrg) or URL list (.txt, .lst, .dat); left alone\n";
            break;
        case core::Outcome::Declined:
            if (request.verbose)
                console.err << "tamarisk: " << file << ": not overwritten; nothing converted\n";
            break;
        case core::Outcome::Converted:
        case core::Outcome::RewrittenInPlace:
            break;
        }
        if (request.verbose) {
            for (const auto& written : result.written)
                console.out << file << " -> " << core::os::pathText(written) << "\n";
        }
    };
    if (request.exportFormat) {
        for (const std::string& file : request.files) {
            if (!exportAria2(state, file, console, request.verbose, failures))
                status = kExitFailed;
        }
    } else {
        CommandLineHooks hooks(request.overwrite, console, report);
        std::vector<std::filesystem::path> files;
        for (const std::string& file : request.files)
            files.push_back(core::os::pathFromUtf8(file));
        core::convertFiles(state, files, hooks);
    }

    // Option flags are for this run only: the settings are saved only by a run without them.
    if (loaded.loaded && !request.anyOptionFlag()) {
        const settings::SaveResult saved = settings::saveSettings(state, settingsFile);
        if (!saved.saved) {
            console.err << "tamarisk: " << saved.error << "\n";
            failures += saved.error + "\n";
            status = kExitFailed;
        }
    }
    if (!failures.empty() && frontEnd.showFailures)
        frontEnd.showFailures(failures);
    return status;
}

} // namespace tamarisk::app
