// The Windows program. tamarisk.exe is a console program: the same flags, messages and exit status as on
// Linux. tamariskw.exe (built from this file with TAMARISK_NO_CONSOLE) is the one for Explorer: files
// dropped on it, sent to it or opened with it are converted with the saved settings, with no console
// window, and what went wrong is shown in one message box.

#include "app/commandline.h"
#include "core/driver.h"

#include <windows.h>

#include <exception>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

std::string toUtf8(std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size, nullptr,
                          nullptr);
    return out;
}

std::wstring toWide(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
    return out;
}

// Standard output or error as the program's UTF-8 text: a console gets it as UTF-16 through WriteConsoleW,
// so that Japanese is readable whatever the console's code page; a file or pipe gets the UTF-8 bytes.
class ConsoleBuffer final : public std::streambuf {
public:
    explicit ConsoleBuffer(DWORD which) : m_handle(::GetStdHandle(which)) {
        DWORD mode = 0;
        m_console =
            m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(m_handle, &mode);
    }
    ~ConsoleBuffer() override { sync(); }
    ConsoleBuffer(const ConsoleBuffer&) = delete;
    ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;

protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) {
            m_pending += static_cast<char>(c);
            if (c == '\n')
                sync();
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        m_pending.append(s, static_cast<std::size_t>(n));
        if (m_pending.find('\n') != std::string::npos)
            sync();
        return n;
    }
    int sync() override {
        if (m_pending.empty() || m_handle == nullptr || m_handle == INVALID_HANDLE_VALUE) {
            m_pending.clear();
            return 0;
        }
        // A character split across two writes would be garbled on a console: keep an incomplete tail.
        std::size_t complete = m_pending.size();
        if (m_console) {
            std::size_t start = complete;
            while (start > 0 && (static_cast<unsigned char>(m_pending[start - 1]) & 0xC0) == 0x80)
                --start;
            if (start > 0 && static_cast<unsigned char>(m_pending[start - 1]) >= 0xC0) {
                const unsigned char lead = static_cast<unsigned char>(m_pending[start - 1]);
                const std::size_t width = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
                if (complete - (start - 1) < width)
                    complete = start - 1;
            }
            const std::wstring wide = toWide(std::string_view(m_pending).substr(0, complete));
            DWORD written = 0;
            ::WriteConsoleW(m_handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        } else {
            DWORD written = 0;
            ::WriteFile(m_handle, m_pending.data(), static_cast<DWORD>(complete), &written, nullptr);
        }
        m_pending.erase(0, complete);
        return 0;
    }

private:
    HANDLE m_handle;
    bool m_console = false;
    std::string m_pending;
};

[[maybe_unused]] bool inputIsConsole() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

std::string programPath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (size < buffer.size()) {
            buffer.resize(size);
            return toUtf8(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The arguments: the old unquoted form (drive-letter paths separated by blanks, "C:\a.wrg C:\my dir\b.wrg")
// when the raw command line holds no quote and no flag, else the arguments as Windows parses them.
std::vector<std::string> arguments(int argc, wchar_t** argv) {
    std::wstring_view raw = ::GetCommandLineW();
    // The program's own name comes first, quoted or up to the first blank.
    if (!raw.empty() && raw.front() == L'"') {
        const std::size_t close = raw.find(L'"', 1);
        raw.remove_prefix(close == std::wstring_view::npos ? raw.size() : close + 1);
    } else {
        const std::size_t blank = raw.find_first_of(L" \t");
        raw.remove_prefix(blank == std::wstring_view::npos ? raw.size() : blank);
    }
    while (!raw.empty() && (raw.front() == L' ' || raw.front() == L'\t'))
        raw.remove_prefix(1);
    const bool flag = raw.starts_with(L"-") || raw.find(L" -") != std::wstring_view::npos ||
                      raw.find(L"\t-") != std::wstring_view::npos;
    if (!raw.empty() && raw.find(L'"') == std::wstring_view::npos && !flag) {
        std::vector<std::string> paths = tamarisk::core::splitCommandLine(toUtf8(raw));
        if (!paths.empty())
            return paths;
    }
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(toUtf8(argv[i]));
    return args;
}

[[maybe_unused]] void messageBox(const std::string& text, UINT icon) {
    ::MessageBoxW(nullptr, toWide(text).c_str(), L"たまりすく", MB_OK | icon | MB_SETFOREGROUND);
}

constexpr const char* kNoWindow =
    "The window is not part of the Windows build yet: give FILE, or drop files on "
    "tamariskw.exe.\nウィンドウは Windows 版にはまだありません。ファイルを "
    "tamariskw.exe にドロップしてください。\n";

int run(int argc, wchar_t** argv) {
    const std::vector<std::string> args = arguments(argc, argv);
    tamarisk::app::FrontEnd frontEnd;
#ifdef TAMARISK_NO_CONSOLE
    // Nobody reads standard output here; what goes wrong is shown in one message box at the end.
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    bool shown = false;
    frontEnd.showFailures = [&shown](const std::string& text) {
        messageBox("変換できなかったファイルがあります。\n\n" + text, MB_ICONERROR);
        shown = true;
    };
    frontEnd.openWindow = [&](const tamarisk::app::WindowRequest&) {
        std::ostringstream help;
        tamarisk::app::runCommandLine(programPath(), {"--help"}, {in, help, help, false});
        messageBox(std::string(kNoWindow) + "\n" + help.str(), MB_ICONINFORMATION);
        shown = true;
        return 2;
    };
    const int status = tamarisk::app::runCommandLine(programPath(), args, {in, out, err, false}, frontEnd);
    if (status != 0 && !shown)
        messageBox(err.str(), MB_ICONERROR);
    return status;
#else
    ConsoleBuffer outBuffer(STD_OUTPUT_HANDLE);
    ConsoleBuffer errBuffer(STD_ERROR_HANDLE);
    std::ostream out(&outBuffer);
    std::ostream err(&errBuffer);
    frontEnd.openWindow = [&](const tamarisk::app::WindowRequest&) {
        err << kNoWindow;
        tamarisk::app::runCommandLine(programPath(), {"--help"}, {std::cin, err, err, false});
        return 2;
    };
    const int status =
        tamarisk::app::runCommandLine(programPath(), args, {std::cin, out, err, inputIsConsole()}, frontEnd);
    out.flush();
    err.flush();
    return status;
#endif
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Failures of the files are results; what reaches here is a failure of the program itself, reported
    // rather than ended by std::terminate.
    try {
        return run(argc, argv);
    } catch (const std::exception& error) {
#ifdef TAMARISK_NO_CONSOLE
        messageBox(std::string("tamarisk: ") + error.what(), MB_ICONERROR);
#else
        std::cerr << "tamarisk: " << error.what() << "\n";
#endif
    } catch (...) {
        std::cerr << "tamarisk: an unexpected failure ended the program\n";
    }
    return 1;
}
