#include "settings/location.h"

#include <windows.h>

namespace tamarisk::settings {

namespace {

// Whether a new file can be made in folder: tried with a file that is gone again when it is closed.
bool canWriteIn(const std::filesystem::path& folder) {
    const std::filesystem::path probe = folder / L"tamarisk-write-probe.tmp";
    const HANDLE handle = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(handle);
    return true;
}

std::filesystem::path applicationData() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD size = ::GetEnvironmentVariableW(L"APPDATA", buffer, MAX_PATH + 1);
    if (size == 0 || size > MAX_PATH)
        return {};
    return std::filesystem::path(std::wstring(buffer, size));
}

} // namespace

std::filesystem::path defaultSettingsFile(const std::filesystem::path& programFile) {
    // Beside the program, as the original kept it, unless the program's folder cannot be written (a folder
    // under Program Files): then the user's own application-data folder.
    const std::filesystem::path folder = programFile.parent_path();
    const std::filesystem::path beside = folder / kSettingsFileName;
    if (::GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES || canWriteIn(folder))
        return beside;
    const std::filesystem::path data = applicationData();
    if (data.empty())
        return {};
    return data / L"Tamarisk" / kSettingsFileName;
}

} // namespace tamarisk::settings
