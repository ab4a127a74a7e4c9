// The settings panel, the menus, the notification area and skins, on the offscreen platform.

#include "core/winedrives.h"
#include "support/windowfixture.h"
#include "ui/application.h"
#include "ui/dialogs.h"
#include "ui/imagesurface.h"
#include "ui/instanceserver.h"
#include "ui/mainwindow.h"
#include "ui/picturebox.h"
#include "ui/savelocation.h"
#include "ui/skinnedsurfacewidget.h"

#include "ui/trayicon.h"
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace tamarisk;
using test::FakeDialogs;
using test::readFile;
using test::TempDir;
using test::writeFile;
using testing::HasSubstr;

namespace {

class Panel : public test::WindowFixture {
protected:
    void prepare() override {
        window->setDriveProvider([this] { return drives; });
        window->setHelpOpener([this](const std::filesystem::path& file) {
            helpOpened.push_back(file);
            return helpError;
        });
    }
    QAction* action(const char* name) const { return find<QAction>(name); }
    // Moves the focus into a box and out again, as a user does by clicking elsewhere.
    void focusInAndOut(QWidget* box) {
        box->setFocus();
        QApplication::processEvents();
        find<QLineEdit>("Text_WebjumpName")->setFocus();
        QApplication::processEvents();
    }
    void typeInto(QComboBox* combo, const QString& text) {
        combo->setFocus();
        QApplication::processEvents();
        combo->setEditText(text);
        find<QLineEdit>("Text_WebjumpName")->setFocus();
        QApplication::processEvents();
    }

    std::vector<std::filesystem::path> helpOpened;
    std::string helpError;
    std::vector<core::WineDrive> drives;
};

TEST_F(Panel, MenusHaveTheirCaptionsAndAccessKeys) {
    start();
    const QList<QAction*> bar = window->menuBar()->actions();
    ASSERT_EQ(bar.size(), 2);
    EXPECT_EQ(bar[0]->text(), QString::fromUtf8("メニュー(&M)"));
    EXPECT_EQ(bar[1]->text(), QString::fromUtf8("ヘルプ(&H)"));
    QStringList items;
    for (QAction* item : bar[0]->menu()->actions())
        items << (item->isSeparator() ? QStringLiteral("-") : item->text());
    EXPECT_EQ(items, (QStringList{QString::fromUtf8("設定(&P)"),
                                  QString::fromUtf8("場所替え設定ファイルの読み込み(&S)"), "-",
                                  QString::fromUtf8("終了(&E)")}));
    items.clear();
    for (QAction* item : bar[1]->menu()->actions())
        items << item->text();
    EXPECT_EQ(items, (QStringList{QString::fromUtf8("わかんない(&H)"),
                                  QString::fromUtf8("たまりすくについて(&I)")}));
    QStringList tray;
    for (QAction* item : window->trayIcon()->contextMenu()->actions())
        tray << item->text();
    EXPECT_EQ(tray, (QStringList{QString::fromUtf8("元の大きさに戻す(&R)"), QString::fromUtf8("終了(&Q)")}));
    EXPECT_EQ(window->trayIcon()->toolTip(), QString::fromUtf8("たまりすく"));
}

TEST_F(Panel, SettingsCommandShowsAndHidesThePanel) {
    start();
    QWidget* panel = find<QWidget>("Picture_AllPass");
    action("MENU_M_PASS")->trigger();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(action("MENU_M_PASS")->isChecked());
    action("MENU_M_PASS")->trigger();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(action("MENU_M_PASS")->isChecked());
}

TEST_F(Panel, RelocationFileFromTheMenuFillsTheAddressList) {
    start("SERVER:srv.a.b\r\nSTYPE:U\r\n");
    writeFile(dir / "MOVES.TXT", "http://srv.a.b/,http://m.c.d/pub\r\nno comma\r\nhttp://x1.a.b/,/y/\r\n");
    dialogs.nextFile = QString::fromStdString((dir / "MOVES.TXT").string());
    action("MENU_SPACE_LOAD")->trigger();
    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogs[0],
              "場所替えのための設定ファイルの読み込み|設定ファイル (*.TXT *.LST *.DAT)");
    auto* list = find<QComboBox>("Combo_DefServer");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(1), QString::fromLatin1("http://x1.a.b/"));
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(find<QLineEdit>("Text_DefServer")->text(), QString::fromLatin1("http://m.c.d/pub/"));
    EXPECT_EQ(state.DefServerCount, 2);

    // Cancelled: nothing more happens. Unreadable: a message names the file.
    dialogs.nextFile.clear();
    action("MENU_SPACE_LOAD")->trigger();
    EXPECT_TRUE(dialogs.told.empty());
    dialogs.nextFile = QString::fromStdString((dir / "gone.txt").string());
    action("MENU_SPACE_LOAD")->trigger();
    ASSERT_EQ(dialogs.told.size(), 1u);
    EXPECT_THAT(dialogs.told[0], HasSubstr((dir / "gone.txt").string()));
    EXPECT_EQ(state.DefServerCount, 2);
}

TEST_F(Panel, TypedAddressesJoinTheListOnce) {
    start("SERVER:srv.a.b\r\nSTYPE:U\r\n");
    action("MENU_M_PASS")->trigger();
    auto* list = find<QComboBox>("Combo_DefServer");
    auto* path = find<QLineEdit>("Text_DefServer");
    typeInto(list, "http://srv.a.b/");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(state.DefServers[0].DefKey, "srv.a.b");
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_TRUE(path->text().isEmpty());

    // The path box shows the "/" at once and stores it at the next loss of focus.
    path->setText("/dl");
    focusInAndOut(path);
    EXPECT_EQ(state.DefServers[0].DefPath, "/dl");
    EXPECT_EQ(path->text(), QString::fromLatin1("/dl/"));
    focusInAndOut(path);
    EXPECT_EQ(state.DefServers[0].DefPath, "/dl/");
    // A character that Shift-JIS cannot hold is named and not stored.
    path->setText(QString::fromUtf8("/\u20ac"));
    focusInAndOut(path);
    ASSERT_FALSE(dialogs.told.empty());
    EXPECT_THAT(dialogs.told.back(), HasSubstr("U+20AC"));
    EXPECT_EQ(state.DefServers[0].DefPath, "/dl/");
    // Nor is a pasted line break, which would split the queue file's lines.
    path->setText(QString::fromUtf8("/a\nInfo=b"));
    focusInAndOut(path);
    EXPECT_THAT(dialogs.told.back(), HasSubstr("line break"));
    EXPECT_EQ(state.DefServers[0].DefPath, "/dl/");

    // An address already listed is selected, not added; one without a key adds nothing.
    typeInto(list, "http://srv.a.b/");
    EXPECT_EQ(list->count(), 1);
    typeInto(list, "http://nowhere.example.org/");
    EXPECT_EQ(list->count(), 1);
    EXPECT_EQ(state.DefServerCount, 1);
}

TEST_F(Panel, FullAddressListSaysSo) {
    start();
    for (int i = 0; i < core::kMaxDefServers; ++i) {
        state.defServerItems.push_back("http://host" + std::to_string(i) + "/");
        state.DefServers[static_cast<std::size_t>(i)].DefKey = "host" + std::to_string(i);
    }
    state.DefServerCount = core::kMaxDefServers;
    action("MENU_M_PASS")->trigger();
    auto* list = find<QComboBox>("Combo_DefServer");
    typeInto(list, "http://one-more/");
    ASSERT_FALSE(dialogs.told.empty());
    EXPECT_EQ(dialogs.told.back(), "鯖の数が最大です|これ以上鯖を増やせません");
    EXPECT_EQ(list->count(), core::kMaxDefServers);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(state.DefServerCount, core::kMaxDefServers);
}

TEST_F(Panel, AddressListIsStoredWhenClosed) {
    start("SERVER:aa.b.c\r\nIP:10.0.0.1\r\nIP:10.0.0.2\r\nSERVER:plain.b.c\r\n");
    action("MENU_M_PASS")->trigger();
    auto* tick = find<QCheckBox>("chkIPList");
    auto* list = find<QListWidget>("ListIPchk");
    tick->click();
    ASSERT_TRUE(list->isVisible());
    // Shown for editing, the list is on top of the controls that share its place.
    QWidget* onTop = list->parentWidget()->childAt(list->geometry().center());
    EXPECT_TRUE(onTop == list || list->isAncestorOf(onTop));
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), QString::fromLatin1("Members"));
    // Everything unticked: the first address stays enabled but is not counted.
    for (int i = 0; i < 3; ++i)
        list->item(i)->setCheckState(Qt::Unchecked);
    tick->click();
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(state.Servers[1].IPUseCount, 0);
    EXPECT_EQ(state.Servers[1].IPList[1].IPUse, -1);
    EXPECT_EQ(state.Servers[1].IPList[2].IPUse, 0);
    EXPECT_EQ(state.Servers[1].IPList[0].IPUse, 0);
    // Only Members ticked: every address disabled.
    tick->click();
    list->item(0)->setCheckState(Qt::Checked);
    list->item(1)->setCheckState(Qt::Unchecked);
    tick->click();
    EXPECT_EQ(state.Servers[1].IPList[1].IPUse, 0);
    // A server without addresses cannot be opened: the tick goes away at once.
    find<QComboBox>("Combo_Kimeuchi")->setCurrentIndex(1);
    tick->click();
    EXPECT_FALSE(tick->isChecked());
    EXPECT_FALSE(list->isVisible());
    // A server without numbers has its fixed-number box disabled.
    EXPECT_FALSE(find<QLineEdit>("Text_Kimeuchi")->isEnabled());
}

TEST_F(Panel, MinimisingWithoutANotificationAreaIsAnOrdinaryMinimise) {
    start();
    window->setTrayAvailable([] { return false; });
    window->showMinimized();
    QApplication::processEvents();
    EXPECT_FALSE(window->isHidden());
    EXPECT_FALSE(window->trayIcon()->isVisible());
    EXPECT_EQ(state.WindowShown, 0);
    window->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(state.WindowShown, 1);
}

TEST_F(Panel, MinimisingHidesTheWindowInTheNotificationArea) {
    start();
    window->setTrayAvailable([] { return true; });
    window->move(120, 80);
    QApplication::processEvents();
    const QPoint where = window->pos();
    window->showMaximized();
    window->showMinimized();
    QApplication::processEvents();
    EXPECT_TRUE(window->isHidden());
    EXPECT_TRUE(window->trayIcon()->isVisible());
    EXPECT_EQ(state.WindowShown, 0);
    // A left press on the icon brings it back in its normal state.
    emit window->trayIcon()->activated(QSystemTrayIcon::Trigger);
    QApplication::processEvents();
    EXPECT_FALSE(window->isHidden());
    EXPECT_FALSE(window->isMaximized());
    EXPECT_FALSE(window->trayIcon()->isVisible());
    EXPECT_EQ(state.WindowShown, 1);
    EXPECT_EQ(window->pos(), where); // back where it was
    // The notification area goes away while the window is hidden in it: the window comes back at once.
    bool trayThere = true;
    window->setTrayAvailable([&trayThere] { return trayThere; });
    window->showMinimized();
    QApplication::processEvents();
    ASSERT_TRUE(window->isHidden());
    trayThere = false;
    window->tray().checkStillThere();
    QApplication::processEvents();
    EXPECT_FALSE(window->isHidden());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_FALSE(window->trayIcon()->isVisible());
    trayThere = true;
    // Closing from the tray menu removes the icon and saves.
    window->showMinimized();
    QApplication::processEvents();
    // "終了(&Q)" ends the program even though the window is hidden: the event loop returns.
    QTimer::singleShot(0, [this] { window->trayIcon()->contextMenu()->actions()[1]->trigger(); });
    QTimer guard; // ends a loop that would otherwise never end
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    guard.stop();
    EXPECT_FALSE(window->trayIcon()->isVisible());
    EXPECT_THAT(readFile(dir / "tamcfg.dat"), HasSubstr("CHKB0:0\r\n"));
}

TEST_F(Panel, SecondStartBringsTheWindowBackFromTheNotificationArea) {
    start();
    window->setTrayAvailable([] { return true; });
    window->showMinimized();
    QApplication::processEvents();
    ASSERT_TRUE(window->isHidden());
    // The running window listens as the program makes it listen; a second start asks it through the socket.
    ui::InstanceServer server;
    ASSERT_TRUE(ui::listenForSecondStarts(server, *window, dir / "tamcfg.dat"));
    QSignalSpy asked(&server, &ui::InstanceServer::showRequested);
    EXPECT_TRUE(
        ui::sendToRunningWindow(ui::instanceSocketName(dir / "tamcfg.dat"), "unknown request\nshow\n"));
    ASSERT_TRUE(asked.wait(5000)); // a guard against a lost request, not a measure of time
    EXPECT_EQ(asked.count(), 1);
    EXPECT_FALSE(window->isHidden());
    EXPECT_FALSE(window->trayIcon()->isVisible());
    // Nobody listens on another settings file's name.
    EXPECT_FALSE(ui::sendToRunningWindow(ui::instanceSocketName(dir / "other.dat"), "show\n"));
}

TEST_F(Panel, HelpOpensTheShippedFileOrSaysWhy) {
    start();
    writeFile(dir / "tamrsk.html", "<p>help</p>");
    action("MENU_H_HELP")->trigger();
    ASSERT_EQ(helpOpened.size(), 1u);
    EXPECT_EQ(helpOpened[0], dir / "tamrsk.html");
    EXPECT_TRUE(dialogs.told.empty());
    helpError = "cannot read /x/tamrsk.html: No such file or directory";
    action("MENU_H_HELP")->trigger();
    ASSERT_EQ(dialogs.told.size(), 1u);
    EXPECT_THAT(dialogs.told[0], HasSubstr(helpError));
    action("MENU_M_INDEX")->trigger();
    EXPECT_THAT(dialogs.told.back(), HasSubstr("たまりすく(Tamarisk)"));
}

TEST_F(Panel, ChosenSaveFolderGoesIntoTheConvertedQueue) {
    std::filesystem::create_directories(dir / "c" / "ダウンロード");
    drives = {{'C', dir / "c"}, {'D', dir / "gone"}};
    start("CHKB3:1\r\n");
    action("MENU_M_PASS")->trigger();
    ui::SaveLocationChooser* chooser = window->saveLocation();
    ASSERT_TRUE(chooser->setPath("C:\\"));
    // A single press on a folder opens it.
    auto* folders = find<QListWidget>("Dir_Savelocation");
    QListWidgetItem* sub = nullptr;
    for (int i = 0; i < folders->count(); ++i) {
        if (folders->item(i)->text().trimmed() == QString::fromUtf8("ダウンロード"))
            sub = folders->item(i);
    }
    ASSERT_NE(sub, nullptr);
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, folders->visualItemRect(sub).center());
    EXPECT_EQ(chooser->path(), QString::fromUtf8("C:\\ダウンロード"));
    // "セット" writes the folder into the save-folder label.
    const ui::SkinItem& set = window->DirButtons().Items()[0];
    auto* strip = find<ui::PictureBox>("Picture_SetDir")->surfaceWidget();
    const QPoint onSet(set.ItemLeft + set.ItemWidth / 2, set.ItemTop + set.ItemHeight / 2);
    QTest::mouseMove(strip, onSet);
    QTest::mousePress(strip, Qt::LeftButton, {}, onSet);
    QTest::mouseRelease(strip, Qt::LeftButton, {}, onSet);
    EXPECT_EQ(find<QLabel>("Label_AllDir1")->text(), QString::fromUtf8("C:\\ダウンロード"));
    writeFile(dir / "q.wrg", "Info=\r\nStoreIn=x\r\n");
    window->convertFiles({dir / "q.wrg"});
    EXPECT_EQ(readFile(dir / "q.wr2"),
              "Info=\r\nStoreIn=C:\\\x83\x5f\x83\x45\x83\x93\x83\x8d\x81\x5b\x83\x68\\\r\n");
    // A drive whose folder cannot be opened says so.
    auto* driveList = find<QComboBox>("Drive_Savelocation");
    driveList->setCurrentIndex(1);
    emit driveList->activated(1);
    ASSERT_FALSE(dialogs.told.empty());
    EXPECT_EQ(dialogs.told.back(),
              "デバイスエラー|デバイスが見つかりません\nＦＤなどが入っていない可能性があります");
}

// A skin whose every pixel tells where it is.
QRgb skinPixel(int x, int y) {
    return qRgb(x % 256, y % 256, x / 256 * 64 + y / 256);
}

QImage coordinateSkin() {
    QImage skin(440, 420, QImage::Format_RGB32);
    for (int y = 0; y < skin.height(); ++y) {
        for (int x = 0; x < skin.width(); ++x)
            skin.setPixel(x, y, skinPixel(x, y));
    }
    return skin;
}

TEST_F(Panel, SkinPiecesLineUpWithTheWindow) {
    const std::filesystem::path skin = dir / "summer.bmp";
    ASSERT_TRUE(coordinateSkin().save(QString::fromStdString(skin.string()), "BMP"));
    start("SKI:" + (dir / "summer").string() + "\r\n");
    // picCBox's piece starts two pixels (its border) right of and below its outer corner.
    auto* toggles = find<ui::PictureBox>("picCBox");
    const QImage background = toggles->surfaceWidget()->surface().image();
    EXPECT_EQ(background.pixel(0, 0), skinPixel(toggles->x() + 2, toggles->y() + 2));
    // Picture_SetDir's piece is taken at its place on the window, although it lies inside the settings panel.
    auto* strip = find<ui::PictureBox>("Picture_SetDir");
    auto* settings = find<ui::PictureBox>("Picture_AllPass");
    const QImage stripBackground = strip->surfaceWidget()->surface().image();
    const int x = settings->x() + strip->x();
    const int y = settings->y() + strip->y();
    EXPECT_EQ(stripBackground.pixel(0, 0), skinPixel(x, y));
    // An option panel's caption area shows its piece.
    auto* panel = find<ui::PictureBox>("Picture_OptMC1");
    const QImage panelImage = panel->captionArea()->grab().toImage();
    EXPECT_EQ(panelImage.pixel(panelImage.width() - 1, panelImage.height() - 1),
              skinPixel(panel->x() + 2 + panelImage.width() - 1, panel->y() + 2 + panelImage.height() - 1));
}

TEST_F(Panel, MissingSkinLeavesTheWindowPlain) {
    start("SKI:" + (dir / "nothing-here").string() + "\r\n");
    auto* toggles = find<ui::PictureBox>("picCBox");
    const QImage background = toggles->surfaceWidget()->surface().image();
    EXPECT_EQ(QColor(background.pixel(0, 0)), toggles->surfaceWidget()->surface().background());
}

} // namespace
