#pragma once

#include "core/winedrives.h"

#include <QObject>
#include <QString>

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QPoint;
class QRadioButton;

namespace tamarisk::core {
struct State;
}

namespace tamarisk::ui {

class Class_Button;
class Dialogs;

/// The window's controls that the save-location chooser works on; the window owns them.
struct SaveLocationControls {
    QComboBox* Drive_Savelocation = nullptr;
    QListWidget* Dir_Savelocation = nullptr;
    std::array<QRadioButton*, 2> Option_AllDir{};
    std::array<QLabel*, 2> Label_AllDir{};
    std::array<QRadioButton*, 2> Option_FileSan{};
    Class_Button* DirButtons = nullptr; ///< item 0 "セット", item 1 "リセット"
};

/// The save-location chooser of the settings panel: a drive list and a folder list in the drive letters of
/// the Windows program that reads the queue files (see winedrives.h), and the "セット"/"リセット" strip
/// that copies the browsed folder into a path label and the option state.
///
/// The folder list shows what the classic folder list showed: the drive's root and every folder down to
/// the current one (open-folder icons, indented one step per level, the current folder selected), then the
/// current folder's subfolders one step further in. Each item holds its folder's Windows path under
/// kPathRole. Only folders whose path has a Shift-JIS form are offered, since the path is written into
/// Shift-JIS queue files.
class SaveLocationChooser : public QObject {
    Q_OBJECT
public:
    using DriveProvider = std::function<std::vector<core::WineDrive>()>;

    /// Item data of the folder list (the folder's Windows path) and of the drive list (the letter).
    static constexpr int kPathRole = Qt::UserRole;

    /// Fills the drive list and shows startFolder (the working directory when not given) when it lies on
    /// a drive and opens, else appDir (a folder of this system), else the first drive's root. The drive
    /// list selects the drive shown.
    SaveLocationChooser(const SaveLocationControls& controls, core::State& state, Dialogs& dialogs,
                        std::filesystem::path appDir, DriveProvider drives = core::userWineDrives,
                        std::optional<std::filesystem::path> startFolder = std::nullopt,
                        QObject* parent = nullptr);

    /// Dir_Savelocation.Path: the Windows path of the folder shown, "X:\" at a drive's root.
    QString path() const;
    /// The folder of this system that path() stands for.
    std::filesystem::path folder() const;
    const std::vector<core::WineDrive>& drives() const { return m_drives; }

    /// Shows the folder of a Windows path and refreshes the list; false, changing nothing, when the path
    /// is on no drive, does not open or has no Shift-JIS form.
    bool setPath(const QString& windowsPath);

    /// The drive list's choice: shows the drive's root, or, when its folder does not open, the device-error
    /// message and then the program's folder; the drive list keeps the failed drive.
    void Drive_Savelocation_Change();
    /// A press on the folder list: left opens the current item, right opens the parent; a folder that
    /// does not open is passed over. The list is refreshed after any press.
    void Dir_Savelocation_MouseDown(Qt::MouseButton button);
    /// As above for a press at position (viewport pixels): the item there becomes the current item first,
    /// as a list box selects before it reports the press.
    void Dir_Savelocation_MouseDown(Qt::MouseButton button, const QPoint& position);
    /// A click on the button strip: the label that Option_AllDir selects, and its option value, get path()
    /// over "セット" and become empty otherwise.
    void Picture_SetDir_Click();
    /// Index 0 only: Option_FileSan(1) can be chosen only while Label_AllDir(0) holds a path; when it is
    /// empty Option_FileSan(0) is selected.
    void Label_AllDir_Click(int index);

private:
    /// Makes windowsPath the current folder when it opens; the list is not refreshed.
    bool open(std::string_view windowsPath);
    void refresh();
    void fillDriveList();

    SaveLocationControls m_controls;
    core::State& m_state;
    Dialogs& m_dialogs;
    std::filesystem::path m_appDir;
    std::vector<core::WineDrive> m_drives;
    std::string m_path; // UTF-8
};

} // namespace tamarisk::ui
