#pragma once

#include "core/driver.h"
#include "core/state.h"
#include "settings/settingsfile.h"
#include "ui/skinnedcontrols.h"

#include <QImage>
#include <QMainWindow>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QSystemTrayIcon;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace tamarisk::core {
struct WineDrive;
}

namespace tamarisk::ui {

class CaptionArea;
class SaveLocationChooser;
class Dialogs;
class PictureBox;
class SkinnedSurfaceWidget;

/// The program's window, "たまりすく(Tamarisk)": six owner-drawn option toggles, an option panel for each of
/// the first five, and the settings panel brought up from the menu. Every control shows one value of the
/// option state; files dropped anywhere on it are converted by the core's driver.
class MainWindow : public QMainWindow, public core::ConversionHooks, public settings::WindowEffects {
    Q_OBJECT
public:
    /// The client area below the menu bar: 6435 x 2805 twips.
    static constexpr int kClientWidth = 429;
    static constexpr int kClientHeight = 187;

    MainWindow(core::State& state, std::filesystem::path settingsFile, Dialogs& dialogs,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    /// Form_Load from the text-height gauge on: builds the skinned groups, loads the settings, fills the
    /// server list, prints the captions. Returns what loading the settings gave.
    settings::LoadResult Form_Load();

    /// Converts dropped files one after another and shows the failures, if any, in one message box.
    void Form_OLEDragDrop(const std::vector<std::filesystem::path>& files);

    Class_CheckBox& OptCheckBoxes() { return m_optCheckBoxes; }
    Class_CheckBox& ListCheckBox() { return m_listCheckBox; }
    Class_Button& DirButtons() { return m_dirButtons; }

    /// Writes the settings as the window closes (Form_Unload); false when they could not be written, after
    /// a message box that names the file and the reason.
    bool saveSettingsOnClose();

    /// Whether the desktop has a notification area to hide the minimised window in; tests replace it.
    void setTrayAvailable(std::function<bool()> available) { m_trayAvailable = std::move(available); }
    /// Opens the help file; returns an error text when it cannot. Tests replace it.
    void setHelpOpener(std::function<std::string(const std::filesystem::path&)> opener) {
        m_helpOpener = std::move(opener);
    }
    QSystemTrayIcon* trayIcon() const { return m_tray; }
    /// The drives the save-location chooser offers (Wine's); set before Form_Load. Tests replace it.
    void setDriveProvider(std::function<std::vector<core::WineDrive>()> drives) {
        m_driveProvider = std::move(drives);
    }
    SaveLocationChooser* saveLocation() const { return m_saveLocation; }

    // The menu commands.
    void MENU_SPACE_LOAD_Click();
    void MENU_H_HELP_Click();
    void MENU_M_INDEX_Click();
    /// Restores the window from the notification area (a left press on the icon, or "元の大きさに戻す").
    void restoreFromTray();

    // What the conversion asks of the window.
    void beginBusy() override;
    void endBusy() override;
    void commitFixedNumber() override;
    void closeAddressList() override;
    bool confirmOverwrite(const std::filesystem::path& existing) override;

    // What loading the settings does to the window.
    void showPanel(int k, bool shown) override;
    void moveWindow(std::optional<std::int32_t> left, std::optional<std::int32_t> top) override;
    void applySkin(const std::string& pictureFile) override;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void buildSkinnedGroups();
    void acceptDropsEverywhere();
    /// Accepting a drop only queues its files: they are converted once the drop event has returned.
    void convertAfterDrop(const std::vector<std::filesystem::path>& files);
    void printCaptions();
    void showState();
    void syncTogglesToState();
    /// The text as CP932 bytes for the option state; a character CP932 cannot hold is named in a message box.
    std::optional<std::string> cp932OrTell(const QString& text);

    // Mouse routing of the surfaces that carry skinned controls.
    void picCBox_MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void Form_MouseMove();

    // The server list (fixed numbers and address lists).
    int selectedServer() const;
    void fillServerList();
    void Combo_Kimeuchi_Click();
    void Text_Kimeuchi_LostFocus();
    void chkIPList_Click();
    void Text_Webjump_LostFocus();

    // The address-change list.
    void showDefServerItems();
    void Combo_DefServer_GotFocus();
    void Combo_DefServer_LostFocus();
    void Combo_DefServer_Click();
    void Text_DefServer_LostFocus();

    // Skins: the picture behind the window, and each panel's piece of it.
    void SkinSetPict(PictureBox* picMount, int borderWidth, int soutaiLeft, int soutaiTop);
    void Form_Resize();

    core::State& m_state;
    std::filesystem::path m_settingsFile;
    Dialogs& m_dialogs;
    bool m_settingsLoaded = false;
    int m_busyDepth = 0;

    Class_CheckBox m_optCheckBoxes;
    Class_CheckBox m_listCheckBox;
    Class_Button m_dirButtons;

    QWidget* m_client = nullptr;
    PictureBox* m_picCBox = nullptr;
    std::array<PictureBox*, 5> m_optMC{};
    PictureBox* m_allPass = nullptr;
    PictureBox* m_setDir = nullptr;
    QLabel* m_labelDummy = nullptr;

    std::array<QRadioButton*, 2> m_optionFileSan{};
    std::array<QRadioButton*, 3> m_optionOptMC{};
    std::array<QRadioButton*, 2> m_optionDLDir{};
    std::array<QRadioButton*, 2> m_optionAllDir{};
    std::array<QLabel*, 2> m_labelAllDir{};
    QLineEdit* m_textWebjumpName = nullptr;
    QLineEdit* m_textWebjump = nullptr;
    QCheckBox* m_checkMembers7Tripod = nullptr;
    QCheckBox* m_chkIPList = nullptr;
    QComboBox* m_comboDefServer = nullptr;
    QLineEdit* m_textDefServer = nullptr;
    QComboBox* m_comboKimeuchi = nullptr;
    QLineEdit* m_textKimeuchi = nullptr;
    QListWidget* m_listIPchk = nullptr;
    QComboBox* m_driveSavelocation = nullptr;
    QListWidget* m_dirSavelocation = nullptr;
    QString m_ipListTag; // the server whose address list is open, empty while it is closed

    QAction* m_menuPass = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    std::function<bool()> m_trayAvailable;
    std::function<std::string(const std::filesystem::path&)> m_helpOpener;
    std::function<std::vector<core::WineDrive>()> m_driveProvider;
    SaveLocationChooser* m_saveLocation = nullptr;
    QImage m_skinPicture;
    QImage m_tmpPicbox; // scratch surface of the skin pieces; never cleared
};

} // namespace tamarisk::ui
