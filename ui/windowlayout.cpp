#include "ui/mainwindow.h"

#include "ui/addresschangeeditor.h"
#include "ui/cp932text.h"
#include "ui/helpwindow.h"
#include "ui/imagesurface.h"
#include "ui/picturebox.h"
#include "ui/rounding.h"
#include "ui/savelocation.h"
#include "ui/serverlisteditor.h"
#include "ui/skinnedsurfacewidget.h"
#include "ui/trayicon.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>

// The control table: every control at its place in the window's design, the menus, the skinned groups and
// the captions printed beside the controls.

namespace tamarisk::ui {

namespace {

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

} // namespace

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
    addCommand(help, "たまりすくについて(&I)", "MENU_M_INDEX", this, [this] { showAbout(m_dialogs, this); });

    // The notification area's menu.
    auto* trayMenu = new QMenu(this);
    trayMenu->setObjectName("MENU_TaskBar");
    addCommand(trayMenu, "元の大きさに戻す(&R)", "MENU_TB_RESIZE", this, &MainWindow::restoreFromTray);
    addCommand(trayMenu, "終了(&Q)", "MENU_TB_END", this, &QWidget::close);
    m_tray = new TrayIcon(windowIcon(), QString::fromUtf8("たまりすく"), trayMenu, this);
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
        if (const std::optional<std::string> name = cp932OrTell(m_dialogs, this, text))
            m_state.options.Text_WebjumpName = *name;
        else
            m_textWebjumpName->setText(fromCp932(m_state.options.Text_WebjumpName));
    });
    placed(new QLabel(QString::fromUtf8("鯖番号"), panel), "Label1_0", 1920, 120, 615, 255);
    m_textWebjump = placed(new QLineEdit(panel), "Text_Webjump", 2520, 120, 615, 270);
    m_textWebjump->setMaxLength(3);
    m_textWebjump->setToolTip(QString::fromUtf8("サーバ番号(無し、1～255)"));

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
    m_comboDefServer = placed(new QComboBox(panel), "Combo_DefServer", 0, 1560, 3495, 300);
    m_comboDefServer->setEditable(true);
    m_comboDefServer->setEditText(QString::fromUtf8("ここに、変更するURLを書きます"));
    m_comboDefServer->setInsertPolicy(QComboBox::NoInsert);
    m_textDefServer = placed(new QLineEdit(panel), "Text_DefServer", 0, 1920, 3495, 270);
    m_comboKimeuchi = placed(new QComboBox(panel), "Combo_Kimeuchi", 0, 2250, 2415, 300);
    m_textKimeuchi = placed(new QLineEdit(panel), "Text_Kimeuchi", 2520, 2250, 375, 300);
    m_textKimeuchi->setMaxLength(2);
    m_listIPchk = placed(new QListWidget(panel), "ListIPchk", 3600, 120, 2295, 2370);
    m_listIPchk->hide();
    m_driveSavelocation = placed(new QComboBox(panel), "Drive_Savelocation", 3960, 120, 1935, 300);
    m_dirSavelocation = placed(new QListWidget(panel), "Dir_Savelocation", 3960, 480, 1935, 1560);
    m_dirSavelocation->setMouseTracking(true);
    m_dirSavelocation->viewport()->installEventFilter(this);
    m_setDir = new PictureBox(panel, true);
    m_setDir->setObjectName("Picture_SetDir");
    m_setDir->placeTwips(3720, 2040, 2175, 375);
    m_serverList = new ServerListEditor(
        {m_comboKimeuchi, m_textKimeuchi, m_chkIPList, m_listIPchk, m_textWebjump}, m_state, m_dialogs, this);
    m_addressChange = new AddressChangeEditor(m_comboDefServer, m_textDefServer, m_state, m_dialogs, this);

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

void MainWindow::buildSkinnedGroups() {
    // The text-height gauge: panel 4 gets the scale of its hidden label, so its scale height is the height
    // of one line of text.
    ImageSkinSurface& gauge = m_optMC[4]->surfaceWidget()->surface();
    gauge.setUserScale(m_labelDummy->width(), m_labelDummy->height());

    ImageSkinSurface& toggles = m_picCBox->surfaceWidget()->surface();
    toggles.usePixelScale();
    m_optCheckBoxes.Picture(toggles, gauge);
    // The toggles show and flip the option state's values: they have no values of their own.
    m_optCheckBoxes.bindValues(m_state.options.OptCheckBoxes);
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
    m_listCheckBox.bindValues(m_state.options.ListCheckBox);
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

} // namespace tamarisk::ui
