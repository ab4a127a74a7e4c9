#pragma once

#include "core/conversionhooks.h"
#include "core/state.h"
#include "settings/settingsfile.h"
#include "ui/skinnedcontrols.h"

#include <QImage>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSystemTrayIcon;

namespace tamarisk::core {
struct WineDrive;
}

namespace tamarisk::ui {

class AddressChangeEditor;
class CaptionArea;
class Dialogs;
class PictureBox;
class SaveLocationChooser;
class ServerListEditor;
class SkinnedSurfaceWidget;
class TrayIcon;

/// The program's window, "たまりすく(Tamarisk)": six owner-drawn option toggles, an option panel for each of
/// the first five, and the settings panel brought up from the menu. Every control shows one value of the
/// option state. Its parts live in files of their own: the control table and layout (windowlayout.cpp),
/// skins (windowskin.cpp), drops and conversion (windowdrops.cpp), and the editors and helpers it owns.
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

    /// The one entry for files to convert, whether dropped or handed over: stores what is being edited,
    /// converts the files one after another and shows the failures, if any, in one message box.
    void convertFiles(const std::vector<std::filesystem::path>& files);
    /// Stores what the settings panel is editing (the open address list, the fixed number being typed).
    void commitEdits();

    Class_CheckBox& OptCheckBoxes() { return m_optCheckBoxes; }
    Class_CheckBox& ListCheckBox() { return m_listCheckBox; }
    Class_Button& DirButtons() { return m_dirButtons; }

    /// Writes the settings as the window closes (Form_Unload); false when they could not be written, after
    /// a message box that names the file and the reason.
    bool saveSettingsOnClose();

    /// Whether the desktop has a notification area to hide the minimised window in; tests replace it.
    void setTrayAvailable(std::function<bool()> available);
    TrayIcon& tray() const { return *m_tray; }
    QSystemTrayIcon* trayIcon() const;
    /// Opens the help file; returns an error text when it cannot. Tests replace it.
    void setHelpOpener(std::function<std::string(const std::filesystem::path&)> opener) {
        m_helpOpener = std::move(opener);
    }
    /// The help window while it is open.
    QWidget* helpWindow() const { return m_helpWindow; }
    /// The drives the save-location chooser offers (Wine's); set before Form_Load. Tests replace it.
    void setDriveProvider(std::function<std::vector<core::WineDrive>()> drives) {
        m_driveProvider = std::move(drives);
    }
    SaveLocationChooser* saveLocation() const { return m_saveLocation; }

    // The menu commands.
    void MENU_SPACE_LOAD_Click();
    void MENU_H_HELP_Click();
    /// Restores the window from the notification area (a left press on the icon, or "元の大きさに戻す").
    void restoreFromTray();
    /// A second start asked for the window: it comes to the front, restored from the notification area.
    void bringToFront();
    /// Files a second start handed over: the window comes to the front and converts them with the options
    /// it shows, from the event loop as dropped files are.
    void openFiles(const std::vector<std::filesystem::path>& files);

    // What the conversion shows.
    void beginBusy() override;
    void endBusy() override;
    bool confirmOverwrite(const std::filesystem::path& existing) override;

    // What loading the settings does to the window.
    void showPanel(int k, bool shown) override;
    void moveWindow(std::optional<std::int32_t> left, std::optional<std::int32_t> top) override;
    void applySkin(const std::string& pictureFile) override;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The control table and layout.
    void buildControls();
    void buildMenus();
    void buildSkinnedGroups();
    void printCaptions();
    void showState();

    // Drops.
    void acceptDropsEverywhere();
    /// A drag or drop of local files on any control; true when the event was taken.
    bool filterDrop(QEvent* event);
    /// Accepting a drop only queues its files: they are converted once the drop event has returned.
    void convertAfterDrop(const std::vector<std::filesystem::path>& files);

    // Mouse routing of the surfaces that carry skinned controls.
    void picCBox_MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void Form_MouseMove();

    // Skins: the picture behind the window, and each panel's piece of it.
    void SkinSetPict(PictureBox* picMount, int borderWidth, int soutaiLeft, int soutaiTop);
    void Form_Resize();

    core::State& m_state;
    std::filesystem::path m_settingsFile;
    Dialogs& m_dialogs;
    bool m_settingsLoaded = false;
    int m_busyDepth = 0;
    bool m_converting = false;
    // Files that arrived while a conversion was running (its overwrite question or failure box keeps the
    // event loop going); converted after it.
    std::vector<std::filesystem::path> m_waitingFiles;

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

    ServerListEditor* m_serverList = nullptr;
    AddressChangeEditor* m_addressChange = nullptr;
    SaveLocationChooser* m_saveLocation = nullptr;

    QAction* m_menuPass = nullptr;
    TrayIcon* m_tray = nullptr;
    QPoint m_normalPosition;              // the last place of the window in its normal state
    std::optional<QPoint> m_trayPosition; // where the window was when it went into the notification area
    // A saved position, each coordinate on its own (pixels); one without the other is applied once the
    // window system has placed the window, so that the other stays where it put it.
    std::optional<int> m_savedLeft;
    std::optional<int> m_savedTop;
    bool m_placedOnce = false;
    std::function<std::string(const std::filesystem::path&)> m_helpOpener;
    QPointer<QWidget> m_helpWindow;
    std::function<std::vector<core::WineDrive>()> m_driveProvider;
    QImage m_skinPicture;
    QImage m_tmpPicbox; // scratch surface of the skin pieces; never cleared
};

} // namespace tamarisk::ui
