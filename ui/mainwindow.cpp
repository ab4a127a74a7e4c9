#include "ui/mainwindow.h"

#include "core/winedrives.h"
#include "settings/relocationfile.h"
#include "ui/addresschangeeditor.h"
#include "ui/cp932text.h"
#include "ui/dialogs.h"
#include "ui/helpwindow.h"
#include "ui/picturebox.h"
#include "ui/savelocation.h"
#include "ui/serverlisteditor.h"
#include "ui/skinnedsurfacewidget.h"
#include "ui/trayicon.h"
#include "ui/twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QSystemTrayIcon>

#ifndef TAMARISK_HELP_DIR
#define TAMARISK_HELP_DIR "/usr/local/share/tamarisk"
#endif

// The window as a whole: its start, the mouse routing of its surfaces, its place on the screen, the
// notification area and its end.

namespace tamarisk::ui {

namespace {

// The classic three-dimensional palette the window was designed for: on it the white text of a pressed
// toggle reads against the grey face.
QPalette classicPalette(QPalette palette) {
    const QColor face(212, 208, 200);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, face);
        palette.setColor(group, QPalette::Button, face);
        palette.setColor(group, QPalette::Midlight, face);
        palette.setColor(group, QPalette::Light, Qt::white);
        palette.setColor(group, QPalette::Dark, QColor(128, 128, 128));
        palette.setColor(group, QPalette::Shadow, QColor(64, 64, 64));
        palette.setColor(group, QPalette::Highlight, QColor(10, 36, 106));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::Base, Qt::white);
        const QColor text = group == QPalette::Disabled ? QColor(128, 128, 128) : QColor(Qt::black);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::Text, text);
    }
    return palette;
}

// The program's icon, drawn here so that no image plug-in is needed: a tamarisk blossom on a grey tile.
QIcon appIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(64, 64, 64), 1));
    painter.setBrush(QColor(212, 208, 200));
    painter.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 4, 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(192, 80, 122));
    painter.drawEllipse(QRectF(10, 5, 12, 18));
    painter.setBrush(QColor(46, 107, 48));
    painter.drawRect(QRectF(8, 25, 16, 2));
    return QIcon(pixmap);
}

} // namespace

MainWindow::MainWindow(core::State& state, std::filesystem::path settingsFile, Dialogs& dialogs,
                       QWidget* parent)
    : QMainWindow(parent), m_state(state), m_settingsFile(std::move(settingsFile)), m_dialogs(dialogs) {
    setObjectName("ChangeReferer");
    setWindowTitle(QString::fromUtf8("たまりすく(Tamarisk)"));
    setWindowIcon(appIcon());
    setPalette(classicPalette(palette()));
    // A Japanese font that looks like the classic MS Gothic: IPAGothic where it is installed.
    QFont font(QStringLiteral("IPAGothic"), 9);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    buildMenus();
    buildControls();
    acceptDropsEverywhere();

    m_driveProvider = core::userWineDrives;
    connect(m_tray, &TrayIcon::pressed, this, &MainWindow::restoreFromTray);
    // A window hidden in a notification area that goes away would be out of reach: it comes back.
    connect(m_tray, &TrayIcon::vanished, this, &MainWindow::restoreFromTray);
    m_helpOpener = [this](const std::filesystem::path& file) -> std::string {
        if (m_helpWindow) {
            m_helpWindow->raise();
            m_helpWindow->activateWindow();
            return {};
        }
        std::string error;
        m_helpWindow = openHelpWindow(file, this, error);
        return error;
    };
}

MainWindow::~MainWindow() {
    // The help window is a window of its own, not a child: it goes with this one.
    delete m_helpWindow;
}

void MainWindow::setTrayAvailable(std::function<bool()> available) {
    m_tray->setAvailabilityCheck(std::move(available));
}

QSystemTrayIcon* MainWindow::trayIcon() const {
    return m_tray->icon();
}

settings::LoadResult MainWindow::Form_Load() {
    buildSkinnedGroups();
    m_saveLocation =
        new SaveLocationChooser({m_driveSavelocation, m_dirSavelocation, m_optionAllDir, m_labelAllDir,
                                 m_optionFileSan, &m_dirButtons},
                                m_state, m_dialogs, m_state.AppDir, m_driveProvider, std::nullopt, this);
    // Chosen again after a failure, a drive is tried again: activated, not a change of the index.
    connect(m_driveSavelocation, &QComboBox::activated, m_saveLocation,
            &SaveLocationChooser::Drive_Savelocation_Change);
    const settings::LoadResult loaded = settings::Load_IniFile(m_state, m_settingsFile, *this);
    m_settingsLoaded = loaded.loaded;
    showState();
    m_optCheckBoxes.LostFocus();
    m_serverList->fillServerList();
    if (m_savedLeft && m_savedTop)
        move(*m_savedLeft, *m_savedTop);
    m_state.WindowShown = 1;
    printCaptions();
    Form_MouseMove();
    if (!loaded.loaded) {
        m_dialogs.tell(this, QString::fromUtf8("たまりすく"),
                       QString::fromStdString(loaded.error) +
                           QString::fromUtf8("\n設定は読み込まれず、終了時にも保存されません。"),
                       Dialogs::Icon::Exclamation);
    }
    return loaded;
}

void MainWindow::showState() {
    const core::OptionState& options = m_state.options;
    // The toggles show the state's own values: a repaint is all they need.
    m_listCheckBox.LostFocus();
    m_optionOptMC[static_cast<std::size_t>(std::clamp(options.Option_OptMC, 0, 2))]->setChecked(true);
    m_optionDLDir[options.Option_DLDir == 1 ? 1 : 0]->setChecked(true);
    m_textWebjumpName->setText(fromCp932(options.Text_WebjumpName));
    m_textWebjump->setText(fromCp932(options.Text_Webjump));
    m_labelAllDir[0]->setText(fromCp932(options.Label_AllDir[0]));
    m_labelAllDir[1]->setText(fromCp932(options.Label_AllDir[1]));
    m_checkMembers7Tripod->setChecked(options.Check_Members7Tripod == 1);
}

void MainWindow::picCBox_MouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
    m_optCheckBoxes.MouseDown(button, shift, x, y);
    const std::int16_t i = m_optCheckBoxes.CBSelectedIndex();
    if (i >= 0 && i < 5 && m_optCheckBoxes.CBValue(i) < 2)
        m_optMC[static_cast<std::size_t>(i)]->setVisible(m_optCheckBoxes.CBValue(i) == 1);
}

void MainWindow::Form_MouseMove() {
    m_optCheckBoxes.LostFocus();
    m_listCheckBox.LostFocus();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (filterDrop(event))
        return true;
    switch (event->type()) {
    case QEvent::MouseMove:
        if (watched == m_client) {
            Form_MouseMove();
        } else if (watched == m_allPass->inner() || watched == m_dirSavelocation->viewport()) {
            m_dirButtons.LostFocus();
        }
        break;
    case QEvent::MouseButtonDblClick:
        // The first press opened the folder already.
        if (watched == m_dirSavelocation->viewport())
            return true;
        break;
    case QEvent::MouseButtonPress:
        if (watched == m_dirSavelocation->viewport() && m_saveLocation != nullptr) {
            // A single press opens a folder, a right press goes up; the list is rebuilt, so the press must
            // not go on to select whatever item is then under the pointer.
            const auto* press = static_cast<QMouseEvent*>(event);
            m_saveLocation->Dir_Savelocation_MouseDown(press->button(), press->position().toPoint());
            return true;
        }
        for (std::size_t i = 0; i < 4; ++i) {
            if (watched == m_optMC[i]->inner())
                m_listCheckBox.LostFocus();
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showPanel(int k, bool shown) {
    if (k >= 0 && k < static_cast<int>(m_optMC.size()))
        m_optMC[static_cast<std::size_t>(k)]->setVisible(shown);
}

void MainWindow::moveWindow(std::optional<std::int32_t> left, std::optional<std::int32_t> top) {
    // A saved position is used only when the window stays inside the screen with it.
    const QScreen* screen = this->screen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    const QRect frame = frameGeometry();
    if (left && *left < (area.width() - frame.width()) * kTwipsPerPixel)
        m_savedLeft = *left / kTwipsPerPixel;
    if (top && *top < (area.height() - frame.height()) * kTwipsPerPixel)
        m_savedTop = *top / kTwipsPerPixel;
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // A maximised window comes back from the notification area in its normal state, at its normal place.
    if (windowState() == Qt::WindowNoState)
        m_normalPosition = pos();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_placedOnce)
        return;
    m_placedOnce = true;
    // With one coordinate saved, the window system places the window first and keeps the other.
    if (m_savedLeft.has_value() != m_savedTop.has_value()) {
        QMetaObject::invokeMethod(
            this, [this] { move(m_savedLeft.value_or(x()), m_savedTop.value_or(y())); },
            Qt::QueuedConnection);
    }
}

bool MainWindow::saveSettingsOnClose() {
    if (!m_settingsLoaded)
        return true;
    const QRect frame = frameGeometry();
    m_state.options.windowLeft = frame.x() * kTwipsPerPixel;
    m_state.options.windowTop = frame.y() * kTwipsPerPixel;
    const settings::SaveResult saved = settings::saveSettings(m_state, m_settingsFile);
    if (saved.saved)
        return true;
    m_dialogs.tell(this, QString::fromUtf8("たまりすく"),
                   QString::fromUtf8("設定を保存できませんでした。\n\n") +
                       QString::fromStdString(saved.error),
                   Dialogs::Icon::Critical);
    return false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    m_tray->hide();
    saveSettingsOnClose();
    event->accept();
    // Closing a window hidden in the notification area ends no event loop by itself: the program would go
    // on without a window, an icon or a way to end it.
    QCoreApplication::quit();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void MainWindow::Form_Resize() {
    if (!isMinimized()) {
        m_state.WindowShown = 1;
        return;
    }
    m_state.WindowShown = 0;
    // Hidden only where a notification area can bring it back; elsewhere it is an ordinary minimise, so the
    // window can never become unreachable.
    if (m_tray->isAvailable()) {
        m_trayPosition = m_normalPosition;
        m_tray->show();
        // Hidden once the minimise is complete, unless the window was restored meanwhile.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isMinimized())
                    hide();
            },
            Qt::QueuedConnection);
    }
}

void MainWindow::restoreFromTray() {
    const bool wasInTray = m_tray->isVisible() || isHidden();
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    // A window shown again is placed anew by the window system: it goes back where it was.
    if (wasInTray && m_trayPosition)
        move(*m_trayPosition);
    show();
    m_tray->hide();
}

void MainWindow::bringToFront() {
    if (isHidden() || isMinimized())
        restoreFromTray();
    raise();
    activateWindow();
}

void MainWindow::MENU_SPACE_LOAD_Click() {
    const QString file = m_dialogs.openFile(this, QString::fromUtf8("場所替えのための設定ファイルの読み込み"),
                                            QString::fromUtf8("設定ファイル (*.TXT *.LST *.DAT)"));
    if (file.isEmpty())
        return;
    const settings::RelocationResult loaded = settings::loadRelocationFile(m_state, file.toStdString());
    if (!loaded.loaded) {
        m_dialogs.tell(this, QString::fromUtf8("場所替えのための設定ファイルの読み込み"),
                       QString::fromStdString(loaded.error), Dialogs::Icon::Critical);
        return;
    }
    m_addressChange->showDefServerItems();
}

void MainWindow::MENU_H_HELP_Click() {
    // The help lives beside the program, or where the program is installed.
    std::filesystem::path help = std::filesystem::path(m_state.AppDir) / "tamrsk.html";
    std::error_code ignored;
    if (!std::filesystem::exists(help, ignored))
        help = std::filesystem::path(TAMARISK_HELP_DIR) / "tamrsk.html";
    const std::string error = m_helpOpener(help);
    if (!error.empty()) {
        m_dialogs.tell(this, QString::fromUtf8("わかんない"), QString::fromStdString(error),
                       Dialogs::Icon::Critical);
    }
}

} // namespace tamarisk::ui
