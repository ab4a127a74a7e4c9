#pragma once

// The drive letters a Windows program sees when it runs under Wine, and the translation between its paths
// ("Z:\home\u\dl") and the folders they stand for. The save folder goes into queue files read by such a
// program, so the window offers folders in its terms.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamarisk::core {

/// One drive letter and the folder it maps to.
struct WineDrive {
    char letter = 'Z'; ///< upper case
    std::filesystem::path folder;

    bool operator==(const WineDrive&) const = default;
};

/// A Windows path taken apart: the drive letter (upper case) and the folder names below its root.
struct WindowsPath {
    char letter = 'Z';
    std::vector<std::string> names;
};

/// The Wine prefix of the user: winePrefixVariable ($WINEPREFIX) when not empty, else home ($HOME)
/// followed by ".wine"; empty when both are empty.
std::filesystem::path winePrefix(std::string_view winePrefixVariable, std::string_view home);

/// The drives of a prefix, by letter: one for each symbolic link dosdevices/x: (x a lower-case letter),
/// mapping to the folder the link points to (a relative target counts from dosdevices/), whether that
/// folder exists or not. Without a prefix or without such a link, Z: for "/".
std::vector<WineDrive> wineDrives(const std::filesystem::path& prefix);

/// The drives of the prefix that $WINEPREFIX and $HOME name.
std::vector<WineDrive> userWineDrives();

/// Parses "X:\a\b" (either slash, a trailing one allowed, the letter in either case; "X:" alone is the
/// root); "." and ".." are resolved, never above the root. Nothing for a path without a drive letter, a
/// drive-relative one ("X:a") or a name with a character Windows reserves.
std::optional<WindowsPath> parseWindowsPath(std::string_view text);

/// "X:\" for the root, else "X:\a\b" without a trailing "\".
std::string formatWindowsPath(const WindowsPath& path);

/// The folder a Windows path stands for; nothing when its drive is not among drives.
std::optional<std::filesystem::path> toLinuxFolder(const std::vector<WineDrive>& drives,
                                                   std::string_view windowsPath);

/// The Windows path of a folder (symbolic links resolved): under the drive whose folder holds it most
/// closely. Nothing for a folder outside every drive or with a name a Windows path cannot hold.
std::optional<std::string> toWindowsPath(const std::vector<WineDrive>& drives,
                                         const std::filesystem::path& folder);

/// The parent folder's Windows path; nothing at a drive's root or for text that is no Windows path.
std::optional<std::string> parentWindowsPath(std::string_view windowsPath);

/// Whether a folder can be listed and entered. Its permission bits count even for a user whom the system
/// lets in regardless (root): a folder without any read or search bit is not opened.
bool folderOpens(const std::filesystem::path& folder);

/// The folders in folder (symbolic links to folders included) that a Windows program can name, sorted
/// without regard to case as Windows lists them. Hidden folders (names beginning with ".", which Wine marks
/// hidden) and names with characters a Windows path cannot hold are left out.
std::vector<std::string> subfolderNames(const std::filesystem::path& folder);

} // namespace tamarisk::core
