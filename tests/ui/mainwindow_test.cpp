// The window on the offscreen platform: start-up, toggles and panels, drops converting real files,
// the questions answered through the dialog seam, and the settings saved on close.

#include "support/windowfixture.h"
#include "ui/application.h"
#include "ui/dialogs.h"
#include "ui/helpwindow.h"
#include "ui/imagesurface.h"
#include "ui/instanceserver.h"
#include "ui/mainwindow.h"
#include "ui/picturebox.h"
#include "ui/skinnedsurfacewidget.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProcess>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

using namespace tamarisk;
using test::crlf;
using test::FakeDialogs;
using test::readFile;
using test::TempDir;
using test::writeFile;
using testing::HasSubstr;

namespace {

class Window : public test::WindowFixture {
protected:
    ui::PictureBox* panel(int i) const {
        return find<ui::PictureBox>(QStringLiteral("Picture_OptMC%1").arg(i).toLatin1().constData());
    }
    ui::SkinnedSurfaceWidget* toggles() const { return find<ui::PictureBox>("picCBox")->surfaceWidget(); }

    // Where the window system puts a new window. The offscreen platform's own choice is the corner, where a
    // coordinate of 0 could not be told from one that was never used.
    std::optional<QPoint> placedAt;
    void prepare() override {
        if (placedAt)
            window->move(*placedAt);
    }

    // Clicks the middle of toggle i as a user does: the pointer moves there, then the left button.
    void clickToggle(int i) {
        const ui::SkinItem& item = window->OptCheckBoxes().Items()[static_cast<std::size_t>(i)];
        const QPoint at(item.ItemLeft + item.ItemWidth / 2, item.ItemTop + item.ItemHeight / 2);
        QTest::mouseMove(toggles(), at);
        QTest::mouseClick(toggles(), Qt::LeftButton, {}, at);
    }

    // Drops files on target; they are converted when the events the drop posted are delivered.
    void drop(QWidget* target, const std::vector<std::filesystem::path>& files, bool deliver = true) {
        QMimeData data;
        QList<QUrl> urls;
        for (const auto& file : files)
            urls.push_back(QUrl::fromLocalFile(QString::fromStdString(file.string())));
        data.setUrls(urls);
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted()) << target->objectName().toStdString();
        QDropEvent dropEvent(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropEvent);
        EXPECT_TRUE(dropEvent.isAccepted());
        if (deliver)
            QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall);
    }
};

TEST_F(Window, StartsWithTogglesOffAndEveryPanelVisible) {
    start();
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("たまりすく(Tamarisk)"));
    EXPECT_EQ(window->centralWidget()->size(), QSize(429, 187));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(window->OptCheckBoxes().CBValue(static_cast<std::int16_t>(i)), 0);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(panel(i)->isVisible()) << i;
    EXPECT_FALSE(find<QWidget>("Picture_AllPass")->isVisible());
    EXPECT_TRUE(find<QComboBox>("Combo_Kimeuchi")->isHidden());
    EXPECT_TRUE(find<QLineEdit>("Text_Kimeuchi")->isHidden());
    EXPECT_EQ(state.WindowShown, 1);
    // The toggle column of 173 pixels: tops at (171 / 6) x i rounded halves to even, 28 pixels high.
    const auto& items = window->OptCheckBoxes().Items();
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[1].ItemTop, 28);
    EXPECT_EQ(items[3].ItemTop, 86);
    EXPECT_EQ(items[5].ItemTop, 142);
    EXPECT_EQ(items[0].ItemHeight, 28);
    EXPECT_EQ(items[0].ItemWidth, 164);
    EXPECT_EQ(window->OptCheckBoxes().CaptionHeight(), 17);
    EXPECT_EQ(window->ListCheckBox().CaptionHeight(), 13);
}

TEST_F(Window, LoadedTogglesShowTheirPanels) {
    start("CHKB3:1\r\nCHKB0:0\r\nCHKB5:1\r\nCHKLL:1\r\nSERVER:srv.a.b\r\nSNUMBER:1-3\r\nSKIMEUCHI:2\r\n");
    EXPECT_EQ(window->OptCheckBoxes().CBValue(3), 1);
    EXPECT_EQ(window->OptCheckBoxes().CBValue(5), 1);
    EXPECT_EQ(window->ListCheckBox().CBValue(0), 1);
    EXPECT_TRUE(panel(3)->isVisible());
    EXPECT_FALSE(panel(0)->isVisible());
    EXPECT_TRUE(panel(1)->isVisible()); // no line for it: left as designed
    auto* servers = find<QComboBox>("Combo_Kimeuchi");
    EXPECT_FALSE(servers->isHidden());
    EXPECT_EQ(servers->itemText(0), QString::fromLatin1("srv.a.b"));
    EXPECT_EQ(find<QLineEdit>("Text_Kimeuchi")->text(), QString::fromLatin1("2"));
    // The loaded toggle is drawn sunken: its caption in the highlight-text colour.
    const QImage image = toggles()->surface().image();
    const ui::SkinItem& item = window->OptCheckBoxes().Items()[3];
    const QColor sunkenText = toggles()->surface().colourOf(ui::SkinColour::HighlightText);
    bool found = false;
    for (int y = item.ItemTop; y < item.ItemTop + item.ItemHeight && !found; ++y) {
        for (int x = item.ItemLeft + 9; x < item.ItemLeft + item.ItemWidth && !found; ++x)
            found = image.pixelColor(x, y) == sunkenText;
    }
    EXPECT_TRUE(found);
}

TEST_F(Window, SavedPositionIsUsedOnlyInsideTheScreen) {
    // 15 twips to a pixel: (1500, 750) twips is (100, 50) pixels.
    start("WLEFT:1500\r\nW_TOP:750\r\n");
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(100, 50));
    const QRect screen = window->screen()->geometry();
    window.reset();
    placedAt = QPoint(40, 30);
    start("WLEFT:0\r\nW_TOP:0\r\n"); // at the screen's edge
    QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall);
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(0, 0));
    placedAt.reset();
    window.reset();
    // Where the window system puts a window of its own accord.
    start();
    const QPoint placed = window->frameGeometry().topLeft();
    window.reset();
    // A coordinate that does not fit stays where the window system put it; the other is used.
    start("WLEFT:" + std::to_string(screen.width() * 15) + "\r\nW_TOP:750\r\n");
    QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall);
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(placed.x(), 50));
    window.reset();
    start("WLEFT:1500\r\nW_TOP:-15\r\n");
    QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall);
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(100, placed.y()));
}

TEST_F(Window, ClickingAToggleFlipsItAndItsPanel) {
    start();
    clickToggle(2);
    EXPECT_EQ(window->OptCheckBoxes().CBValue(2), 1);
    EXPECT_EQ(state.options.OptCheckBoxes[2], 1);
    EXPECT_TRUE(panel(2)->isVisible());
    clickToggle(2);
    EXPECT_EQ(state.options.OptCheckBoxes[2], 0);
    EXPECT_FALSE(panel(2)->isVisible());
    // A double-click: its second press arrives as a double-click event and flips nothing more.
    const ui::SkinItem& item = window->OptCheckBoxes().Items()[2];
    const QPointF at(item.ItemLeft + item.ItemWidth / 2, item.ItemTop + item.ItemHeight / 2);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                    QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, toggles()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(toggles(), &event);
    }
    EXPECT_EQ(state.options.OptCheckBoxes[2], 1);
    EXPECT_TRUE(panel(2)->isVisible());
    clickToggle(2);
    // The shuffle toggle has no panel; the other panels stay as they are.
    clickToggle(5);
    EXPECT_EQ(state.options.OptCheckBoxes[5], 1);
    for (int i : {0, 1, 3, 4})
        EXPECT_TRUE(panel(i)->isVisible()) << i;
}

TEST_F(Window, DisabledToggleIsNotFlippedAndItsPanelStays) {
    start("CHKB1:0\r\n");
    state.options.OptCheckBoxes[4] = 2;
    window->OptCheckBoxes().CBValueSet(4, 2);
    clickToggle(4);
    EXPECT_EQ(window->OptCheckBoxes().CBValue(4), 2);
    EXPECT_EQ(state.options.OptCheckBoxes[4], 2);
    EXPECT_TRUE(panel(4)->isVisible());
}

TEST_F(Window, ClickBelowTheTogglesWithNothingHoveredChangesNothing) {
    start();
    const QPoint strip(20, toggles()->height() - 1);
    QTest::mouseMove(find<QWidget>("client"), QPoint(200, 180)); // over the window: nothing hovered
    QTest::mouseClick(toggles(), Qt::LeftButton, {}, strip);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(state.options.OptCheckBoxes[static_cast<std::size_t>(i)], 0);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(panel(i)->isVisible());
}

TEST_F(Window, OptionButtonsAndTextBoxesSetTheState) {
    start();
    find<QRadioButton>("Option_OptMC1")->click();
    EXPECT_EQ(state.options.Option_OptMC, 1);
    find<QRadioButton>("Option_DLDir1")->click();
    EXPECT_EQ(state.options.Option_DLDir, 1);
    auto* name = find<QLineEdit>("Text_WebjumpName");
    name->setFocus();
    name->selectAll();
    for (const QString& character : {QString::fromUtf8("と"), QString::fromUtf8("も")}) {
        QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, character);
        QApplication::sendEvent(name, &typed);
    }
    EXPECT_EQ(state.options.Text_WebjumpName, "\x82\xc6\x82\xe0");
    auto* number = find<QLineEdit>("Text_Webjump");
    number->setFocus();
    QTest::keyClicks(number, "300");
    find<QLineEdit>("Text_WebjumpName")->setFocus(); // the number box loses the focus
    EXPECT_EQ(number->text(), QString::fromLatin1("21"));
    EXPECT_EQ(state.options.Text_Webjump, "21");
}

TEST_F(Window, DropsOnTheWindowAndOnControlsConvertEveryFile) {
    start();
    clickToggle(0); // the referer option
    writeFile(dir / "a.wrg", crlf({"Info=", "Url=http://a.b.c/x.zip"}));
    writeFile(dir / "b.wrg", crlf({"Info=", "Url=http://a.b.c/y.zip"}));
    writeFile(dir / "c.wrg", crlf({"Info="}));
    // The drop returns before the conversion, which runs from the event loop.
    drop(window.get(), {dir / "a.wrg", dir / "b.wrg"}, false);
    EXPECT_FALSE(std::filesystem::exists(dir / "a.wr2"));
    QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall);
    EXPECT_EQ(readFile(dir / "a.wr2"),
              crlf({"Info=", "Referer=2", "RefererStr=http://a.b.c/x.zip", "Url=http://a.b.c/x.zip"}));
    EXPECT_TRUE(std::filesystem::exists(dir / "b.wr2"));
    // A text box would take a dropped file as text; the window converts it instead.
    drop(find<QLineEdit>("Text_Webjump"), {dir / "c.wrg"});
    EXPECT_EQ(readFile(dir / "c.wr2"), crlf({"Info="}));
    EXPECT_TRUE(find<QLineEdit>("Text_Webjump")->text().isEmpty());
    std::filesystem::remove(dir / "c.wr2");
    drop(find<QListWidget>("Dir_Savelocation")->viewport(), {dir / "c.wrg"});
    EXPECT_TRUE(std::filesystem::exists(dir / "c.wr2"));
    EXPECT_TRUE(dialogs.told.empty());
    // Busy pointer and disabled contents are undone after every file.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(window->centralWidget()->isEnabled());
}

TEST_F(Window, OpenFromTheDesktopEntryHandsTheFilesToTheWindow) {
    // The saved settings have the referer option off; the window has it on, not yet saved.
    start(crlf({"CHKB0:0"}));
    const std::string saved = readFile(dir / "tamcfg.dat");
    clickToggle(0);
    ASSERT_EQ(state.options.OptCheckBoxes[0], 1);
    ui::InstanceServer server;
    ASSERT_TRUE(ui::listenForSecondStarts(server, *window, dir / "tamcfg.dat"));
    window->showMinimized();
    QApplication::processEvents();
    // A name with blanks and Japanese text, and a file that cannot be converted.
    const std::filesystem::path queue = dir / "キュー 1 .wrg";
    writeFile(queue, crlf({"Info=", "Url=http://a.b.c/x.zip"}));
    // The program as the desktop entry starts it; the window's event loop runs while it waits for the answer.
    QProcess program;
    QSignalSpy finished(&program, &QProcess::finished);
    program.start(QString::fromUtf8(TAMARISK_BINARY),
                  {QStringLiteral("--open"), QStringLiteral("-v"),
                   QString::fromStdString("--settings=" + (dir / "tamcfg.dat").string()),
                   QString::fromStdString(queue.string()),
                   QString::fromStdString((dir / "gone.wrg").string())});
    ASSERT_TRUE(finished.wait(30000)); // a guard against a lost answer, not a measure of time
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_EQ(program.readAllStandardOutput().toStdString(),
              queue.string() + " -> the window\n" + (dir / "gone.wrg").string() + " -> the window\n");
    QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall);
    // Converted by the window with the options it shows, its failure in its message box.
    EXPECT_EQ(readFile(dir / "キュー 1 .wr2"),
              crlf({"Info=", "Referer=2", "RefererStr=http://a.b.c/x.zip", "Url=http://a.b.c/x.zip"}));
    ASSERT_EQ(dialogs.told.size(), 1u);
    EXPECT_THAT(dialogs.told[0], HasSubstr((dir / "gone.wrg").string() + ": cannot read"));
    EXPECT_FALSE(window->isMinimized());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The program converted nothing itself: such a run would have saved the settings file.
    EXPECT_EQ(readFile(dir / "tamcfg.dat"), saved);
}

TEST_F(Window, OverwriteQuestionIsAskedThroughTheDialogs) {
    start();
    writeFile(dir / "l.txt", "http://a.b.c/f.zip\r\n");
    writeFile(dir / "l.wrg", "old\r\n");
    dialogs.answer = false;
    drop(window.get(), {dir / "l.txt"});
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0], "上書き確認|" + (dir / "l.wrg").string() + " は存在します\n上書きしますか？");
    EXPECT_EQ(dialogs.askedIcon, ui::Dialogs::Icon::Information);
    EXPECT_FALSE(dialogs.clientEnabledWhileAsked); // asked while the window is busy
    EXPECT_EQ(readFile(dir / "l.wrg"), "old\r\n");
    dialogs.answer = true;
    drop(window.get(), {dir / "l.txt"});
    EXPECT_THAT(readFile(dir / "l.wrg"), HasSubstr("Url=http://a.b.c/f.zip"));
    EXPECT_TRUE(std::filesystem::exists(dir / "l.wr2"));
}

TEST_F(Window, FailuresAreShownInOneMessageBox) {
    start();
    std::filesystem::create_directory(dir / "folder.wrg");
    writeFile(dir / "ok.wrg", "Info=\r\n");
    drop(window.get(), {dir / "missing.wrg", dir / "folder.wrg", dir / "ok.wrg"});
    ASSERT_EQ(dialogs.told.size(), 1u);
    EXPECT_THAT(dialogs.told[0], HasSubstr((dir / "missing.wrg").string() + ": cannot read"));
    EXPECT_THAT(dialogs.told[0], HasSubstr((dir / "folder.wrg").string() + ": cannot read"));
    EXPECT_THAT(dialogs.told[0], testing::Not(HasSubstr("ok.wrg")));
    EXPECT_EQ(dialogs.toldIcon, ui::Dialogs::Icon::Critical);
    EXPECT_TRUE(std::filesystem::exists(dir / "ok.wr2"));
}

TEST_F(Window, DropCommitsTheFixedNumberBeingTyped) {
    start("SERVER:srv.a.b\r\nSNUMBER:1-9\r\nSKIMEUCHI:0\r\n");
    auto* fixed = find<QLineEdit>("Text_Kimeuchi");
    fixed->setText("7");
    writeFile(dir / "q.wrg", "Info=\r\n");
    drop(window.get(), {dir / "q.wrg"});
    EXPECT_EQ(state.Servers[1].SKimeuchi, 7);
}

TEST_F(Window, ClosingSavesTheSettingsWithTheWindowPosition) {
    start("SERVER:srv.a.b\r\nSKIMEUCHI:0\r\nX-MINE:kept\r\n");
    clickToggle(3);
    find<QLineEdit>("Text_Kimeuchi")->setText("5");
    window->commitEdits();
    window->close();
    const std::string saved = readFile(dir / "tamcfg.dat");
    EXPECT_THAT(saved, HasSubstr("CHKB3:1\r\n"));
    EXPECT_THAT(saved, HasSubstr("WLEFT:"));
    EXPECT_THAT(saved, HasSubstr("W_TOP:"));
    EXPECT_THAT(saved, HasSubstr("SERVER:srv.a.b\r\nSKIMEUCHI:5\r\nX-MINE:kept\r\n"));
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 14 + 3);
    EXPECT_TRUE(dialogs.told.empty());
}

TEST_F(Window, SettingsThatCannotBeSavedAreReported) {
    start();
    // The settings file is replaced by a folder while the window runs: it can no longer be read or written.
    std::filesystem::remove(dir / "tamcfg.dat");
    std::filesystem::create_directory(dir / "tamcfg.dat");
    EXPECT_FALSE(window->saveSettingsOnClose());
    ASSERT_EQ(dialogs.told.size(), 1u);
    EXPECT_THAT(dialogs.told[0], HasSubstr((dir / "tamcfg.dat").string()));
}

TEST_F(Window, UnreadableSettingsAreReportedAndNotSaved) {
    std::filesystem::create_directory(dir / "tamcfg.dat");
    start();
    ASSERT_EQ(dialogs.told.size(), 1u);
    EXPECT_THAT(dialogs.told[0], HasSubstr("cannot read"));
    EXPECT_EQ(state.options.OptCheckBoxes[1], 2);
    EXPECT_TRUE(window->saveSettingsOnClose());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "tamcfg.dat"));
}

TEST_F(Window, HelpIsAWindowOfItsOwnBesideTheMainWindow) {
    start();
    writeFile(dir / "tamrsk.html", "<p>help</p>");
    find<QAction>("MENU_H_HELP")->trigger();
    QWidget* help = window->helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->parentWidget(), nullptr); // not kept above the main window
    // Right of the main window where it fits, else left of it, else as far right as the screen allows.
    const QRect screen(0, 0, 1600, 900);
    EXPECT_EQ(ui::placeBeside(QRect(100, 50, 435, 240), QSize(640, 480), screen), QPoint(535, 50));
    EXPECT_EQ(ui::placeBeside(QRect(1000, 50, 435, 240), QSize(640, 480), screen), QPoint(360, 50));
    EXPECT_EQ(ui::placeBeside(QRect(300, 700, 435, 240), QSize(640, 480), QRect(0, 0, 1000, 800)),
              QPoint(360, 320));
}

TEST(QtTranslations, QtsOwnDialogsSpeakJapanese) {
    ASSERT_TRUE(ui::installQtTranslations(*QCoreApplication::instance()));
    EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromLatin1("Cancel"));
}

TEST(InstanceLock, OneWindowPerSettingsFileAndStaleLocksAreTakenOver) {
    TempDir dir;
    ui::InstanceLock first(dir / "a.dat");
    ASSERT_TRUE(first.tryLock());
    ui::InstanceLock second(dir / "a.dat");
    EXPECT_FALSE(second.tryLock());
    ui::InstanceLock other(dir / "b.dat");
    EXPECT_TRUE(other.tryLock());

    // A lock file left by a process that has ended (a crash) does not keep the next window out.
    ui::InstanceLock crashed(dir / "c.dat");
    const std::string name = crashed.fileName();
    {
        std::ofstream stale(name, std::ios::trunc);
        stale << "999999999\ntamarisk\n" << QSysInfo::machineHostName().toStdString() << "\n";
    }
    EXPECT_TRUE(crashed.tryLock());
}

} // namespace
