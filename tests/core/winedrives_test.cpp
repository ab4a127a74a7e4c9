// The drives of a Wine prefix and the translation between Windows paths and folders, on prefixes built in
// temporary folders.

#include "core/winedrives.h"

#include "support/testutil.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tamarisk::core {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// A prefix as winecfg leaves it: c: relative to dosdevices, z: the whole system, d: a link whose folder is
// gone, and device links that are no drives.
class WineDrivesTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path devices = root / "wine" / "dosdevices";
        fs::create_directories(devices);
        fs::create_directories(driveC / "users" / "u");
        fs::create_directory_symlink("../drive_c", devices / "c:");
        fs::create_directory_symlink("/", devices / "z:");
        fs::create_directory_symlink(root / "gone", devices / "d:");
        fs::create_symlink("/dev/null", devices / "com1");
        fs::create_symlink("/dev/null", devices / "c::");
    }

    // Z: maps "/", so a folder's path on it is the folder with the separators turned round.
    static std::string onZ(const fs::path& folder) {
        std::string text = "Z:" + folder.string();
        std::replace(text.begin(), text.end(), '/', '\\');
        return text;
    }

    TempDir dir;
    fs::path root = fs::canonical(dir.path());
    fs::path driveC = root / "wine" / "drive_c";
};

TEST_F(WineDrivesTest, EachDriveLinkOfThePrefixIsADriveInLetterOrder) {
    const std::vector<WineDrive> expected = {{'C', driveC}, {'D', root / "gone"}, {'Z', "/"}};
    EXPECT_EQ(wineDrives(root / "wine"), expected);
}

TEST_F(WineDrivesTest, WithoutAPrefixOrItsLinksZMapsTheRoot) {
    const std::vector<WineDrive> rootOnly = {{'Z', "/"}};
    EXPECT_EQ(wineDrives(""), rootOnly);
    EXPECT_EQ(wineDrives(root / "wine" / "drive_c"), rootOnly); // a folder with no dosdevices
}

TEST(WinePrefixTest, WinePrefixOverridesHome) {
    EXPECT_EQ(winePrefix("/p", "/home/u"), fs::path("/p"));
    EXPECT_EQ(winePrefix("", "/home/u"), fs::path("/home/u/.wine"));
    EXPECT_TRUE(winePrefix("", "").empty());
}

TEST_F(WineDrivesTest, PathsMapToFoldersAndBackUnderTheClosestDrive) {
    const std::vector<WineDrive> drives = wineDrives(root / "wine");
    EXPECT_EQ(toLinuxFolder(drives, "C:\\users\\u"), driveC / "users" / "u");
    EXPECT_EQ(toLinuxFolder(drives, "c:/users/u/"), driveC / "users" / "u");
    EXPECT_EQ(toLinuxFolder(drives, "Z:\\"), fs::path("/"));
    EXPECT_EQ(toLinuxFolder(drives, "E:\\users"), std::nullopt);

    // The prefix's folders lie on Z: as well; the drive that holds them more closely wins.
    EXPECT_EQ(toWindowsPath(drives, driveC / "users" / "u"), "C:\\users\\u");
    EXPECT_EQ(toWindowsPath(drives, driveC), "C:\\");
    EXPECT_EQ(toWindowsPath(drives, root / "wine"), onZ(root / "wine"));
    EXPECT_EQ(toWindowsPath(drives, "/"), "Z:\\");

    // Symbolic links on the way are resolved.
    fs::create_directory_symlink(driveC / "users", root / "shortcut");
    EXPECT_EQ(toWindowsPath(drives, root / "shortcut" / "u"), "C:\\users\\u");

    // Without Z:, a folder outside drive_c has no Windows path; nor has a name Windows cannot hold.
    const std::vector<WineDrive> onlyC = {{'C', driveC}};
    EXPECT_EQ(toWindowsPath(onlyC, root / "wine"), std::nullopt);
    EXPECT_EQ(toWindowsPath(onlyC, driveC / "a:b"), std::nullopt);
}

TEST_F(WineDrivesTest, MissingOrUnreadableFoldersDoNotOpen) {
    EXPECT_TRUE(folderOpens(driveC));
    EXPECT_FALSE(folderOpens(wineDrives(root / "wine")[1].folder)); // d:
    const fs::path locked = root / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::none);
    EXPECT_FALSE(folderOpens(locked));
    fs::permissions(locked, fs::perms::owner_all);
}

TEST_F(WineDrivesTest, SubfoldersAreTheVisibleNameableFoldersInCaseBlindOrder) {
    for (const char* name : {"beta", "Alpha", ".hidden", "ダウンロード", "a:b"})
        fs::create_directory(driveC / name);
    test::writeFile(driveC / "file.txt", "");
    fs::create_directory_symlink(driveC / "beta", driveC / "linked");
    const std::vector<std::string> expected = {"Alpha", "beta", "linked", "users", "ダウンロード"};
    EXPECT_EQ(subfolderNames(driveC), expected);
}

} // namespace
} // namespace tamarisk::core
