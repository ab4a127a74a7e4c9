#include "ui/mainwindow.h"

#include "core/cp932.h"
#include "core/linereader.h"
#include "core/urlsplit.h"
#include "settings/relocationfile.h"
#include "ui/dialogs.h"
#include "ui/imagesurface.h"
#include "ui/picturebox.h"
#include "ui/rounding.h"
#include "ui/savelocation.h"
#include "ui/skinnedsurfacewidget.h"
#include "core/winedrives.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>
#include <limits>

#ifndef TAMARISK_VERSION
#define TAMARISK_VERSION "0.1.0"
#endif
#ifndef TAMARISK_HELP_DIR
#define TAMARISK_HELP_DIR "/usr/local/share/tamarisk"
#endif

namespace tamarisk::ui {

namespace {

constexpr int kTwipsPerPixel = 15;

// The window's design size in twips: the client area plus the classic frame (three-pixel borders, the title
// bar and the menu bar), from which the settings panel takes its size.
constexpr int kDesignWidth = 6435 + 2 * 45;
constexpr int kDesignHeight = 6210 + 690;

struct Toggle {
    const char* caption;
    const char* toolTip;
};

constexpr std::array<Toggle, 6> kOptionToggles = {{
    {"ファイルさんと一緒", "RefererをDLファイルと同じに設定します"},
    {"メンバーチェンジ", "ＤＬサーバを変更します"},
    {"たいうえじゃん！", "WebjumpのＵＲＬに変更します"},
    {"普通は嫌！こっちにお願い", "ファイルの保存場所を変更します"},
    {"うるちゃい", "ＤＬするアドレスを変更します"},
    {"シャッフル", "wrgリストをシャッフルする"},
}};

// Sets the application's override cursor for as long as it lives, restored on every path out.
class OverrideCursor {
public:
    explicit OverrideCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
    ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
    OverrideCursor(const OverrideCursor&) = delete;
    OverrideCursor& operator=(const OverrideCursor&) = delete;
};

QString fromCp932(const std::string& bytes) {
    return QString::fromStdString(core::cp932ToUtf8(bytes));
}

// Places a control by its design rectangle in twips of its container.
template <typename Widget>
Widget* placed(Widget* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    widget->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
    return widget;
}

QRadioButton* optionButton(QWidget* parent, const char* name, int left, int top, const char* toolTip) {
    auto* button = placed(new QRadioButton(parent), name, left, top, 255, 255);
    if (toolTip != nullptr)
        button->setToolTip(QString::fromUtf8(toolTip));
    return button;
}

// An option group: choosing button i sets the option to i.
template <std::size_t N>
void bindOptionGroup(const std::array<QRadioButton*, N>& buttons, int& option) {
    for (std::size_t i = 0; i < N; ++i) {
        QObject::connect(buttons[i], &QRadioButton::toggled, buttons[i], [&option, i](bool on) {
            if (on)
                option = static_cast<int>(i);
        });
    }
}

// A menu command with the name its handlers are known by.
template <typename Receiver, typename Slot>
QAction* addCommand(QMenu* menu, const char* caption, const char* name, Receiver* receiver, Slot slot) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(name);
    QObject::connect(action, &QAction::triggered, receiver, slot);
    return action;
}

std::vector<std::filesystem::path> localFiles(const QMimeData* data) {
    std::vector<std::filesystem::path> files;
    if (data == nullptr || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files.emplace_back(url.toLocalFile().toStdString());
    }
    return files;
}

std::int16_t to16(long long value) {
    return static_cast<std::int16_t>(std::clamp<long long>(value, std::numeric_limits<std::int16_t>::min(),
                                                           std::numeric_limits<std::int16_t>::max()));
}

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

    m_trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    m_driveProvider = core::userWineDrives;
    m_tray = new QSystemTrayIcon(windowIcon(), this);
    m_tray->setToolTip(QString::fromUtf8("たまりすく"));
    auto* trayMenu = new QMenu(this);
    trayMenu->setObjectName("MENU_TaskBar");
    addCommand(trayMenu, "元の大きさに戻す(&R)", "MENU_TB_RESIZE", this, &MainWindow::restoreFromTray);
    addCommand(trayMenu, "終了(&Q)", "MENU_TB_END", this, &QWidget::close);
    m_tray->setContextMenu(trayMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            restoreFromTray();
    });
    m_helpOpener = [this](const std::filesystem::path& file) -> std::string {
        QFile help(QString::fromStdString(file.string()));
        if (!help.open(QIODevice::ReadOnly))
            return "cannot read " + file.string() + ": " + help.errorString().toStdString();
        auto* viewer = new QDialog(this);
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->setWindowTitle(QString::fromUtf8("わかんない - たまりすく"));
        auto* layout = new QVBoxLayout(viewer);
        auto* browser = new QTextBrowser(viewer);
        browser->setOpenExternalLinks(true);
        browser->setHtml(QString::fromUtf8(help.readAll()));
        layout->addWidget(browser);
        auto* close = new QDialogButtonBox(QDialogButtonBox::Close, viewer);
        connect(close, &QDialogButtonBox::rejected, viewer, &QDialog::close);
        layout->addWidget(close);
        viewer->resize(640, 480);
        viewer->show();
        return {};
    };
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus() {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8("メニュー(&M)"));
    menu->setObjectName("MENU_M");
    m_menuPass = addCommand(menu, "設定(&P)", "MENU_M_PASS", this, [this](bool checked) {
        if (checked) {
            m_allPass->raise();
            m_allPass->show();
        } else {
            m_allPass->hide();
        }
    });
    m_menuPass->setCheckable(true);
    addCommand(menu, "場所替え設定ファイルの読み込み(&S)", "MENU_SPACE_LOAD", this,
               &MainWindow::MENU_SPACE_LOAD_Click);
    menu->addSeparator()->setObjectName("MENU_TMP01");
    addCommand(menu, "終了(&E)", "MENU_M_END", this, &QWidget::close);

    QMenu* help = menuBar()->addMenu(QString::fromUtf8("ヘルプ(&H)"));
    help->setObjectName("MENU_H");
    addCommand(help, "わかんない(&H)", "MENU_H_HELP", this, &MainWindow::MENU_H_HELP_Click);
    addCommand(help, "たまりすくについて(&I)", "MENU_M_INDEX", this, &MainWindow::MENU_M_INDEX_Click);
}

void MainWindow::buildControls() {
    m_client = new CaptionArea(this);
    m_client->setObjectName("client");
    m_client->setFixedSize(kClientWidth, kClientHeight);
    m_client->setMouseTracking(true);
    m_client->installEventFilter(this);
    setCentralWidget(m_client);

    m_picCBox = new PictureBox(m_client, true);
    m_picCBox->setObjectName("picCBox");
    m_picCBox->placeTwips(240, 120, 2535, 2655);

    const std::array<int, 4> panelTops = {120, 720, 1320, 1920};
    for (std::size_t i = 0; i < 4; ++i) {
        m_optMC[i] = new PictureBox(m_client, false);
        m_optMC[i]->setObjectName(QStringLiteral("Picture_OptMC%1").arg(i));
        m_optMC[i]->placeTwips(2880, panelTops[i], 3375, 495);
        m_optMC[i]->inner()->setMouseTracking(true);
        m_optMC[i]->inner()->installEventFilter(this);
    }
    m_optMC[4] = new PictureBox(m_client, true);
    m_optMC[4]->setObjectName("Picture_OptMC4");
    m_optMC[4]->placeTwips(3360, 2520, 2415, 255);

    // Panel 0: the referer form.
    QWidget* panel = m_optMC[0]->inner();
    m_optionFileSan[0] = optionButton(panel, "Option_FileSan0", 120, 120, "絶対一緒");
    m_optionFileSan[1] = optionButton(panel, "Option_FileSan1", 1320, 120, "くるみの設定にあわせる");
    m_optionFileSan[0]->setChecked(true);
    m_optionFileSan[1]->hide();
    m_optionFileSan[1]->setEnabled(false);

    // Panel 1: how servers are assigned.
    panel = m_optMC[1]->inner();
    m_optionOptMC[0] = optionButton(panel, "Option_OptMC0", 120, 120, "サーバをランダムで割り当てます");
    m_optionOptMC[1] = optionButton(panel, "Option_OptMC1", 1320, 120, "サーバを順番に割り当てます");
    m_optionOptMC[2] = optionButton(panel, "Option_OptMC2", 2400, 120, "サーバの割り当てを中止します");
    bindOptionGroup(m_optionOptMC, m_state.options.Option_OptMC);

    // Panel 2: the Webjump server name and number.
    panel = m_optMC[2]->inner();
    placed(new QLabel(QString::fromUtf8("鯖名"), panel), "Label1_1", 240, 120, 495, 255);
    m_textWebjumpName = placed(new QLineEdit(panel), "Text_WebjumpName", 840, 120, 735, 270);
    m_textWebjumpName->setToolTip(QString::fromUtf8("サーバの名前です"));
    connect(m_textWebjumpName, &QLineEdit::textEdited, this, [this](const QString& text) {
        // The name goes into addresses written as Shift-JIS: text that has no such form is not taken.
        if (const std::optional<std::string> name = cp932OrTell(text))
            m_state.options.Text_WebjumpName = *name;
        else
            m_textWebjumpName->setText(fromCp932(m_state.options.Text_WebjumpName));
    });
    placed(new QLabel(QString::fromUtf8("鯖番号"), panel), "Label1_0", 1920, 120, 615, 255);
    m_textWebjump = placed(new QLineEdit(panel), "Text_Webjump", 2520, 120, 615, 270);
    m_textWebjump->setMaxLength(3);
    m_textWebjump->setToolTip(QString::fromUtf8("サーバ番号(無し、1～255)"));
    connect(m_textWebjump, &QLineEdit::editingFinished, this, &MainWindow::Text_Webjump_LostFocus);

    // Panel 3: the save folder form.
    panel = m_optMC[3]->inner();
    m_optionDLDir[0] = optionButton(panel, "Option_DLDir0", 120, 120, "ふられたディレクトリをそのまま設定");
    m_optionDLDir[1] = optionButton(panel, "Option_DLDir1", 1320, 120,
                                    "ファイル名の長さ－３文字をディレクトリとして追加する");
    bindOptionGroup(m_optionDLDir, m_state.options.Option_DLDir);

    // Panel 4 carries the list toggle; its hidden label measures the height of a line of text.
    m_labelDummy = placed(new QLabel(QString::fromUtf8("非WRGファイルはそのまま"), m_optMC[4]->inner()),
                          "Label_dummy", 120, 0, 2175, 255);
    m_labelDummy->hide();

    // The settings panel, hidden until the menu shows it; it covers the others when shown.
    m_allPass = new PictureBox(m_client, false);
    m_allPass->setObjectName("Picture_AllPass");
    m_allPass->placeTwips(210, 95, kDesignWidth - 500, kDesignHeight - 840);
    m_allPass->inner()->setMouseTracking(true);
    m_allPass->inner()->installEventFilter(this);
    m_allPass->hide();
    panel = m_allPass->inner();
    m_optionAllDir[0] = optionButton(panel, "Option_AllDir0", 120, 0, nullptr);
    m_optionAllDir[0]->hide();
    m_labelAllDir[0] = placed(new QLabel(panel), "Label_AllDir0", 240, 240, 3255, 255);
    m_labelAllDir[0]->hide();
    m_optionAllDir[1] = optionButton(panel, "Option_AllDir1", 120, 480, nullptr);
    m_optionAllDir[1]->setChecked(true);
    bindOptionGroup(m_optionAllDir, m_state.options.Option_AllDir);
    m_labelAllDir[1] = placed(new QLabel(panel), "Label_AllDir1", 240, 720, 3255, 255);
    m_checkMembers7Tripod = placed(new QCheckBox(panel), "Check_Members7Tripod", 120, 1020, 255, 255);
    connect(m_checkMembers7Tripod, &QCheckBox::toggled, this,
            [this](bool on) { m_state.options.Check_Members7Tripod = on ? 1 : 0; });
    m_chkIPList = placed(new QCheckBox(panel), "chkIPList", 120, 1320, 255, 210);
    connect(m_chkIPList, &QCheckBox::clicked, this, &MainWindow::chkIPList_Click);
    m_comboDefServer = placed(new QComboBox(panel), "Combo_DefServer", 0, 1560, 3495, 300);
    m_comboDefServer->setEditable(true);
    m_comboDefServer->setEditText(QString::fromUtf8("ここに、変更するURLを書きます"));
    m_comboDefServer->setInsertPolicy(QComboBox::NoInsert);
    // The combo box hands focus changes to its line edit directly, so they are watched on the combo box.
    m_comboDefServer->installEventFilter(this);
    connect(m_comboDefServer, &QComboBox::activated, this, [this] { Combo_DefServer_Click(); });
    m_textDefServer = placed(new QLineEdit(panel), "Text_DefServer", 0, 1920, 3495, 270);
    m_textDefServer->installEventFilter(this);
    m_comboKimeuchi = placed(new QComboBox(panel), "Combo_Kimeuchi", 0, 2250, 2415, 300);
    connect(m_comboKimeuchi, &QComboBox::currentIndexChanged, this, [this] { Combo_Kimeuchi_Click(); });
    m_textKimeuchi = placed(new QLineEdit(panel), "Text_Kimeuchi", 2520, 2250, 375, 300);
    m_textKimeuchi->setMaxLength(2);
    connect(m_textKimeuchi, &QLineEdit::editingFinished, this, &MainWindow::Text_Kimeuchi_LostFocus);
    m_listIPchk = placed(new QListWidget(panel), "ListIPchk", 3600, 120, 2295, 2370);
    m_listIPchk->hide();
    m_driveSavelocation = placed(new QComboBox(panel), "Drive_Savelocation", 3960, 120, 1935, 300);
    m_dirSavelocation = placed(new QListWidget(panel), "Dir_Savelocation", 3960, 480, 1935, 1560);
    m_dirSavelocation->setMouseTracking(true);
    m_dirSavelocation->viewport()->installEventFilter(this);
    m_setDir = new PictureBox(panel, true);
    m_setDir->setObjectName("Picture_SetDir");
    m_setDir->placeTwips(3720, 2040, 2175, 375);

    // The mouse routing of the surfaces that carry skinned controls.
    SkinnedSurfaceWidget* toggles = m_picCBox->surfaceWidget();
    toggles->setMouseMoveHandler(
        [this](std::int16_t b, std::int16_t s, float x, float y) { m_optCheckBoxes.MouseMove(b, s, x, y); });
    toggles->setMouseDownHandler(
        [this](std::int16_t b, std::int16_t s, float x, float y) { picCBox_MouseDown(b, s, x, y); });
    SkinnedSurfaceWidget* listToggle = m_optMC[4]->surfaceWidget();
    listToggle->setMouseMoveHandler(
        [this](std::int16_t b, std::int16_t s, float x, float y) { m_listCheckBox.MouseMove(b, s, x, y); });
    listToggle->setMouseDownHandler([this](std::int16_t b, std::int16_t s, float x, float y) {
        m_listCheckBox.MouseMove(0, s, x, y);
        m_listCheckBox.MouseDown(b, s, x, y);
        m_state.options.ListCheckBox[0] = m_listCheckBox.CBValue(0);
    });
    SkinnedSurfaceWidget* buttons = m_setDir->surfaceWidget();
    buttons->setMouseMoveHandler(
        [this](std::int16_t b, std::int16_t s, float x, float y) { m_dirButtons.MouseMove(b, s, x, y); });
    buttons->setMouseDownHandler([this](std::int16_t b, std::int16_t s, float x, float y) {
        // The press is shown through the button argument; the hovered button then decides the click.
        m_dirButtons.MouseMove(b, s, x, y);
        if (b == 1 && m_saveLocation != nullptr)
            m_saveLocation->Picture_SetDir_Click();
    });

    setFixedSize(kClientWidth, menuBar()->sizeHint().height() + kClientHeight);
}

void MainWindow::acceptDropsEverywhere() {
    setAcceptDrops(true);
    for (QWidget* widget : findChildren<QWidget*>()) {
        widget->installEventFilter(this);
        if (auto* view = qobject_cast<QAbstractScrollArea*>(widget))
            view->viewport()->installEventFilter(this);
    }
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
    fillServerList();
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

void MainWindow::buildSkinnedGroups() {
    // The text-height gauge: panel 4 gets the scale of its hidden label, so its scale height is the height
    // of one line of text.
    ImageSkinSurface& gauge = m_optMC[4]->surfaceWidget()->surface();
    gauge.setUserScale(m_labelDummy->width(), m_labelDummy->height());

    ImageSkinSurface& toggles = m_picCBox->surfaceWidget()->surface();
    toggles.usePixelScale();
    m_optCheckBoxes.Picture(toggles, gauge);
    const double sw = toggles.scaleWidth();
    const double sh = toggles.scaleHeight();
    for (std::size_t i = 0; i < kOptionToggles.size(); ++i) {
        const double step = (sh - 2) / 6;
        m_optCheckBoxes.Add(kOptionToggles[i].caption, static_cast<std::int32_t>(roundHalfEven(step * i)), 0,
                            static_cast<std::int32_t>(roundHalfEven(step - 1)),
                            static_cast<std::int32_t>(roundHalfEven(sw - 1)), 0, kOptionToggles[i].toolTip);
    }

    // The list toggle covers its panel; the panel is its own gauge, in pixels by then.
    m_listCheckBox.Picture(gauge, gauge);
    m_listCheckBox.Add("非WRGファイルはそのまま", 0, 0,
                       static_cast<std::int32_t>(roundHalfEven(gauge.scaleHeight() - 1)),
                       static_cast<std::int32_t>(roundHalfEven(gauge.scaleWidth() - 1)), 0,
                       "URLリストをD&Dしたとき、WRGを作りません");

    ImageSkinSurface& strip = m_setDir->surfaceWidget()->surface();
    strip.usePixelScale();
    m_dirButtons.Picture(strip, gauge);
    const double bw = strip.scaleWidth();
    const double bh = strip.scaleHeight();
    const auto half = static_cast<std::int32_t>(roundHalfEven(bw / 2 - 2));
    m_dirButtons.Add("セット", 0, 0, static_cast<std::int32_t>(roundHalfEven(bh - 1)), half,
                     "ファイルのパスを設定します");
    m_dirButtons.Add("リセット", 0, static_cast<std::int32_t>(roundHalfEven(bw / 2)),
                     static_cast<std::int32_t>(roundHalfEven(bh - 1)), half, "パスの設定を解除します");
}

void MainWindow::showState() {
    const core::OptionState& options = m_state.options;
    for (std::size_t i = 0; i < options.OptCheckBoxes.size(); ++i)
        m_optCheckBoxes.CBValueSet(static_cast<std::int16_t>(i), to16(options.OptCheckBoxes[i]));
    m_listCheckBox.CBValueSet(0, to16(options.ListCheckBox[0]));
    m_listCheckBox.LostFocus();
    m_optionOptMC[static_cast<std::size_t>(std::clamp(options.Option_OptMC, 0, 2))]->setChecked(true);
    m_optionDLDir[options.Option_DLDir == 1 ? 1 : 0]->setChecked(true);
    m_textWebjumpName->setText(fromCp932(options.Text_WebjumpName));
    m_textWebjump->setText(fromCp932(options.Text_Webjump));
    m_labelAllDir[0]->setText(fromCp932(options.Label_AllDir[0]));
    m_labelAllDir[1]->setText(fromCp932(options.Label_AllDir[1]));
    m_checkMembers7Tripod->setChecked(options.Check_Members7Tripod == 1);
}

std::optional<std::string> MainWindow::cp932OrTell(const QString& text) {
    const core::Cp932Conversion converted = core::utf8ToCp932(text.toStdString());
    if (!converted.text) {
        m_dialogs.tell(this, QString::fromUtf8("たまりすく"),
                       QString::fromStdString(converted.error) +
                           QString::fromUtf8("\nこの文字は使えません。"),
                       Dialogs::Icon::Exclamation);
    }
    return converted.text;
}

void MainWindow::syncTogglesToState() {
    for (std::size_t i = 0; i < m_state.options.OptCheckBoxes.size(); ++i)
        m_state.options.OptCheckBoxes[i] = m_optCheckBoxes.CBValue(static_cast<std::int16_t>(i));
    m_state.options.ListCheckBox[0] = m_listCheckBox.CBValue(0);
}

void MainWindow::printCaptions() {
    // Without a skin the panels count in twips, so the two prints one unit apart land on the same pixel;
    // with a skin they count in pixels, and the second print makes the caption bold.
    const bool skinned = !m_allPass->captionArea()->backgroundPicture().isNull();
    const double unit = skinned ? 1.0 : 1.0 / kTwipsPerPixel;
    CaptionArea* settingsArea = m_allPass->captionArea();
    settingsArea->setCaptionColour(palette().color(QPalette::HighlightedText));
    struct Beside {
        QWidget* control;
        const char* text;
    };
    const std::array<Beside, 9> captions = {{
        {m_optionAllDir[1], "ファイル保存の場所"},
        {m_checkMembers7Tripod, "members7aの有効"},
        {m_chkIPList, "IP List"},
        {m_optionFileSan[0], "絶対一緒"},
        {m_optionOptMC[0], "ランダム"},
        {m_optionOptMC[1], "順番"},
        {m_optionOptMC[2], "復帰"},
        {m_optionDLDir[0], "ふつうに"},
        {m_optionDLDir[1], "頭を少しだけ入れる"},
    }};
    for (int p = 0; p < 2; ++p) {
        settingsArea->addCaption(skinned ? 10 + p : (10 + p) * unit, skinned ? 3 : 3 * unit,
                                 QString::fromUtf8("各ファイルへのパス"));
        for (const Beside& beside : captions) {
            auto* area = qobject_cast<CaptionArea*>(beside.control->parentWidget());
            area->addCaption(beside.control->x() + beside.control->width() + p * unit, beside.control->y(),
                             QString::fromUtf8(beside.text));
        }
    }
}

void MainWindow::picCBox_MouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
    m_optCheckBoxes.MouseDown(button, shift, x, y);
    const std::int16_t i = m_optCheckBoxes.CBSelectedIndex();
    if (i >= 0 && i < 5 && m_optCheckBoxes.CBValue(i) < 2)
        m_optMC[static_cast<std::size_t>(i)]->setVisible(m_optCheckBoxes.CBValue(i) == 1);
    syncTogglesToState();
}

void MainWindow::Form_MouseMove() {
    m_optCheckBoxes.LostFocus();
    m_listCheckBox.LostFocus();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (localFiles(drag->mimeData()).empty())
            return false;
        drag->acceptProposedAction(); // required, otherwise no drop event follows
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const std::vector<std::filesystem::path> files = localFiles(drop->mimeData());
        if (files.empty())
            return false;
        drop->acceptProposedAction();
        convertAfterDrop(files);
        return true;
    }
    case QEvent::MouseMove:
        if (watched == m_client) {
            Form_MouseMove();
        } else if (watched == m_allPass->inner() || watched == m_dirSavelocation->viewport()) {
            m_dirButtons.LostFocus();
        }
        break;
    case QEvent::FocusIn:
        if (watched == m_comboDefServer)
            Combo_DefServer_GotFocus();
        break;
    case QEvent::FocusOut:
        if (watched == m_comboDefServer)
            Combo_DefServer_LostFocus();
        else if (watched == m_textDefServer)
            Text_DefServer_LostFocus();
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

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!localFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!localFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const std::vector<std::filesystem::path> files = localFiles(event->mimeData());
    if (files.empty())
        return;
    event->acceptProposedAction();
    convertAfterDrop(files);
}

void MainWindow::convertAfterDrop(const std::vector<std::filesystem::path>& files) {
    // The program the files were dragged from waits until the drop event returns: converting from the event
    // loop lets it go on while an overwrite question or a failure box is open here.
    QMetaObject::invokeMethod(
        this, [this, files] { Form_OLEDragDrop(files); }, Qt::QueuedConnection);
}

void MainWindow::Form_OLEDragDrop(const std::vector<std::filesystem::path>& files) {
    syncTogglesToState();
    const std::vector<core::FileResult> results = core::Form_OLEDragDrop(m_state, files, *this);
    // The conversion normalises the Webjump number; show what it used.
    m_textWebjump->setText(fromCp932(m_state.options.Text_Webjump));
    QString failures;
    for (const core::FileResult& result : results) {
        if (result.outcome == core::Outcome::Failed)
            failures += QString::fromStdString(result.input.string() + ": " + result.error) + '\n';
    }
    if (!failures.isEmpty()) {
        m_dialogs.tell(this, QString::fromUtf8("たまりすく"),
                       QString::fromUtf8("変換できなかったファイルがあります。\n\n") + failures.trimmed(),
                       Dialogs::Icon::Critical);
    }
}

void MainWindow::beginBusy() {
    if (m_busyDepth++ > 0)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The contents and the menus are disabled, not the window itself: the overwrite question is a child
    // window and must stay usable.
    m_client->setEnabled(false);
    menuBar()->setEnabled(false);
}

void MainWindow::endBusy() {
    if (m_busyDepth == 0 || --m_busyDepth > 0)
        return;
    m_client->setEnabled(true);
    menuBar()->setEnabled(true);
    QApplication::restoreOverrideCursor();
}

bool MainWindow::confirmOverwrite(const std::filesystem::path& existing) {
    // The question is answered with the ordinary pointer, over the busy one.
    const OverrideCursor arrow(Qt::ArrowCursor);
    return m_dialogs.askYesNo(this, QString::fromUtf8("上書き確認"),
                              QString::fromStdString(existing.string()) +
                                  QString::fromUtf8(" は存在します\n上書きしますか？"),
                              Dialogs::Icon::Information);
}

void MainWindow::commitFixedNumber() {
    Text_Kimeuchi_LostFocus();
}

void MainWindow::closeAddressList() {
    if (m_chkIPList->isChecked()) {
        m_chkIPList->setChecked(false);
        chkIPList_Click();
    }
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
    QPoint at = frame.topLeft();
    if (left && *left < (area.width() - frame.width()) * kTwipsPerPixel)
        at.setX(*left / kTwipsPerPixel);
    if (top && *top < (area.height() - frame.height()) * kTwipsPerPixel)
        at.setY(*top / kTwipsPerPixel);
    move(at);
}

void MainWindow::applySkin(const std::string& pictureFile) {
    // A picture that does not load leaves the earlier one (or none) in place.
    const QImage picture(QString::fromStdString(core::cp932ToUtf8(pictureFile)));
    if (!picture.isNull())
        m_skinPicture = picture.convertToFormat(QImage::Format_RGB32);
    if (m_skinPicture.isNull())
        return;
    static_cast<CaptionArea*>(m_client)->setBackgroundPicture(m_skinPicture);
    constexpr int kPanelBorder = 30; // twips: the panels' two-pixel three-dimensional border
    SkinSetPict(m_allPass, 0, 0, 0);
    SkinSetPict(m_picCBox, kPanelBorder, 0, 0);
    SkinSetPict(m_setDir, 0, m_allPass->x() * kTwipsPerPixel, m_allPass->y() * kTwipsPerPixel);
    for (PictureBox* panel : m_optMC)
        SkinSetPict(panel, kPanelBorder, 0, 0);
    // The skinned controls draw over their new pieces.
    m_optCheckBoxes.LostFocus();
    m_listCheckBox.LostFocus();
    m_dirButtons.LostFocus();
}

void MainWindow::SkinSetPict(PictureBox* picMount, int borderWidth, int soutaiLeft, int soutaiTop) {
    if (m_tmpPicbox.isNull()) {
        m_tmpPicbox = QImage(twipsToPixels(6375), twipsToPixels(3615), QImage::Format_RGB32);
        m_tmpPicbox.fill(palette().color(QPalette::Window));
    }
    // The piece of the skin under the panel's inner area, copied unscaled onto the scratch picture; where
    // the skin ends, the scratch picture keeps what it held before.
    const int left = picMount->x() + twipsToPixels(borderWidth + soutaiLeft);
    const int top = picMount->y() + twipsToPixels(borderWidth + soutaiTop);
    const QSize inner = picMount->inner()->size();
    for (int y = 0; y < inner.height() && y < m_tmpPicbox.height(); ++y) {
        for (int x = 0; x < inner.width() && x < m_tmpPicbox.width(); ++x) {
            if (left + x >= 0 && top + y >= 0 && left + x < m_skinPicture.width() &&
                top + y < m_skinPicture.height())
                m_tmpPicbox.setPixel(x, y, m_skinPicture.pixel(left + x, top + y));
        }
    }
    picMount->setBackgroundPicture(m_tmpPicbox.copy(0, 0, inner.width(), inner.height()));
}

bool MainWindow::saveSettingsOnClose() {
    if (!m_settingsLoaded)
        return true;
    const QRect frame = frameGeometry();
    m_state.options.windowLeft = frame.x() * kTwipsPerPixel;
    m_state.options.windowTop = frame.y() * kTwipsPerPixel;
    syncTogglesToState();
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
    if (m_trayAvailable && m_trayAvailable()) {
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
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    show();
    m_tray->hide();
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
    showDefServerItems();
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

void MainWindow::MENU_M_INDEX_Click() {
    m_dialogs.tell(this, QString::fromUtf8("たまりすくについて"),
                   QString::fromUtf8("たまりすく(Tamarisk) " TAMARISK_VERSION "\n\n"
                                     "Reget のダウンロードキュー (.wrg) を書き換えます。\n"
                                     "Rewrites the download queues (.wrg) of Reget.\n\n"
                                     "Copyright (c) the Tamarisk developers."),
                   Dialogs::Icon::Information);
}

void MainWindow::showDefServerItems() {
    const QSignalBlocker blocker(m_comboDefServer);
    const QString typed = m_comboDefServer->currentText();
    m_comboDefServer->clear();
    for (const std::string& item : m_state.defServerItems)
        m_comboDefServer->addItem(fromCp932(item));
    m_comboDefServer->setCurrentIndex(m_state.defServerSelected);
    if (m_state.defServerSelected < 0)
        m_comboDefServer->setEditText(typed);
    Combo_DefServer_Click();
}

void MainWindow::Combo_DefServer_GotFocus() {
    // The design text goes away when the user starts on an empty list.
    if (m_comboDefServer->count() == 0)
        m_comboDefServer->setEditText(QString());
}

void MainWindow::Combo_DefServer_LostFocus() {
    const QString typed = m_comboDefServer->currentText();
    const int current = m_comboDefServer->currentIndex();
    const std::vector<std::string>& items = m_state.defServerItems;
    const std::optional<std::string> address = cp932OrTell(typed);
    // Typing an address leaves no item selected until the text is an item's own.
    int selected = current >= 0 && m_comboDefServer->itemText(current) == typed ? current : -1;
    if (selected < 0 && address) {
        const auto found = std::find(items.begin(), items.end(), *address);
        if (found != items.end())
            selected = static_cast<int>(found - items.begin());
    }
    if (selected < 0 && items.size() < static_cast<std::size_t>(core::kMaxDefServers)) {
        if (address) {
            const auto n = static_cast<std::size_t>(m_state.DefServerCount);
            std::string lead;
            m_state.DefServers[n].DefKey = core::ServerCut(m_state, *address, lead);
            m_state.DefServers[n].DefPath.clear();
            // An address without a key could never match: it is not listed.
            if (!m_state.DefServers[n].DefKey.empty()) {
                m_state.defServerItems.push_back(*address);
                m_state.DefServerCount = static_cast<int>(m_state.defServerItems.size());
            }
        }
        selected = static_cast<int>(items.size()) - 1;
    } else if (selected < 0) {
        m_dialogs.tell(this, QString::fromUtf8("鯖の数が最大です"),
                       QString::fromUtf8("これ以上鯖を増やせません"), Dialogs::Icon::Exclamation);
        selected = 0;
    }
    m_state.defServerSelected = selected;
    showDefServerItems();
}

void MainWindow::Combo_DefServer_Click() {
    const int index = m_comboDefServer->currentIndex();
    if (index < 0)
        return;
    m_state.defServerSelected = index;
    m_state.DefServerIndex = index;
    m_textDefServer->setText(fromCp932(m_state.DefServers[static_cast<std::size_t>(index)].DefPath));
}

void MainWindow::Text_DefServer_LostFocus() {
    const QString text = m_textDefServer->text();
    const std::optional<std::string> path = cp932OrTell(text);
    if (!path)
        return;
    m_state.DefServers[static_cast<std::size_t>(m_state.DefServerIndex)].DefPath = *path;
    // The box shows the "/" at once; the stored path takes it the next time the box loses the focus.
    if (!text.isEmpty() && !text.endsWith('/'))
        m_textDefServer->setText(text + '/');
}

int MainWindow::selectedServer() const {
    return m_comboKimeuchi->currentIndex() + 1;
}

void MainWindow::fillServerList() {
    const QSignalBlocker blocker(m_comboKimeuchi);
    m_comboKimeuchi->clear();
    for (int i = 1; i <= m_state.ServerCount; ++i) {
        const core::ServerRec& server = m_state.Servers[static_cast<std::size_t>(i)];
        m_comboKimeuchi->addItem(fromCp932(server.ServerHead + "." + server.ServerDomain));
    }
    if (m_comboKimeuchi->count() > 0) {
        m_comboKimeuchi->setCurrentIndex(0);
        Combo_Kimeuchi_Click();
    } else {
        m_comboKimeuchi->hide();
        m_textKimeuchi->hide();
    }
}

void MainWindow::Combo_Kimeuchi_Click() {
    const core::ServerRec& server = m_state.Servers[static_cast<std::size_t>(selectedServer())];
    m_textKimeuchi->setText(QString::number(server.SKimeuchi));
    if (m_chkIPList->isChecked()) {
        // Stores the open list for the old server and opens it for the new one.
        m_chkIPList->setChecked(false);
        chkIPList_Click();
        m_chkIPList->setChecked(true);
        chkIPList_Click();
    }
    m_textKimeuchi->setEnabled(server.SNumberCount != 0);
}

void MainWindow::Text_Kimeuchi_LostFocus() {
    m_state.Servers[static_cast<std::size_t>(selectedServer())].SKimeuchi =
        to16(core::leadingInteger(m_textKimeuchi->text().toStdString()));
}

void MainWindow::chkIPList_Click() {
    const int s = selectedServer();
    core::ServerRec& server = m_state.Servers[static_cast<std::size_t>(s)];
    if (m_chkIPList->isChecked() && server.IPCount >= 1) {
        m_listIPchk->clear();
        for (int j = 0; j <= server.IPCount; ++j) {
            const core::IPEntry& entry = server.IPList[static_cast<std::size_t>(j)];
            auto* item = new QListWidgetItem(fromCp932(entry.IPName), m_listIPchk);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(entry.IPUse == -1 ? Qt::Checked : Qt::Unchecked);
        }
        m_ipListTag = QString::number(s);
        m_listIPchk->show();
        return;
    }
    // A server without addresses cannot be opened: the tick goes away at once.
    m_chkIPList->setChecked(false);
    if (!m_ipListTag.isEmpty()) {
        core::ServerRec& edited = m_state.Servers[static_cast<std::size_t>(m_ipListTag.toInt())];
        edited.IPUseCount = 0;
        for (int j = 0; j <= edited.IPCount && j < m_listIPchk->count(); ++j) {
            const bool ticked = m_listIPchk->item(j)->checkState() == Qt::Checked;
            edited.IPList[static_cast<std::size_t>(j)].IPUse = ticked ? -1 : 0;
            if (j >= 1 && ticked)
                ++edited.IPUseCount;
        }
        // With nothing enabled at all the first address is, though it is not counted.
        if (edited.IPUseCount == 0 && edited.IPList[0].IPUse != -1)
            edited.IPList[1].IPUse = -1;
        m_ipListTag.clear();
    }
    m_listIPchk->hide();
}

void MainWindow::Text_Webjump_LostFocus() {
    if (const std::optional<std::string> text = cp932OrTell(m_textWebjump->text()))
        m_state.options.Text_Webjump = *text;
    core::normaliseWebjumpNumber(m_state.options);
    m_textWebjump->setText(fromCp932(m_state.options.Text_Webjump));
}

} // namespace tamarisk::ui
