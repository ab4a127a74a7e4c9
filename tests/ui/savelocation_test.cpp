// The save-location chooser on real widgets and a Wine prefix in a temporary folder: where it starts,
// browsing with presses, the device error of a drive whose folder is gone, the set and reset buttons and
// the referer choice that depends on the first path.

#include "ui/savelocation.h"

#include "core/state.h"
#include "support/windowfixture.h"
#include "ui/dialogs.h"
#include "ui/imagesurface.h"
#include "ui/skinnedcontrols.h"
#include "ui/skintesting.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>

namespace tamarisk::ui {
namespace {

namespace fs = std::filesystem;

class RecordingDialogs final : public Dialogs {
public:
    struct Message {
        QString title;
        QString text;
        Icon icon;
    };
    bool askYesNo(QWidget*, const QString&, const QString&, Icon) override { return false; }
    void tell(QWidget*, const QString& title, const QString& text, Icon icon) override {
        messages.push_back({title, text, icon});
    }
    QString openFile(QWidget*, const QString&, const QString&) override { return {}; }

    std::vector<Message> messages;
};

// Z: maps "/", so a folder's path on it is the folder with the separators turned round.
QString onZ(const fs::path& folder) {
    return QString::fromStdString("Z:" + folder.string()).replace('/', '\\');
}

class SaveLocationTest : public ::testing::Test {
protected:
    SaveLocationTest() {
        // c: is the prefix's drive_c, d: a link whose folder is gone, z: the whole system.
        const fs::path devices = root / "wine" / "dosdevices";
        fs::create_directories(devices);
        fs::create_directories(driveC / "users" / "u");
        fs::create_directory(driveC / "ダウンロード");
        fs::create_directory(driveC / "한국어"); // no Shift-JIS form
        fs::create_directory(root / "app");
        fs::create_directory_symlink("../drive_c", devices / "c:");
        fs::create_directory_symlink(root / "gone", devices / "d:");
        fs::create_directory_symlink("/", devices / "z:");

        folders.setGeometry(0, 0, 200, 150);
        optionAllDir[1]->setChecked(true);
        optionFileSan[0]->setChecked(true);
        optionFileSan[1]->setEnabled(false);
        // The strip as the window lays it out: two buttons with two pixels between them.
        dirButtons.Picture(strip, FixedScaleGauge(12));
        dirButtons.Add("セット", 0, 0, 20, 68, "");
        dirButtons.Add("リセット", 0, 70, 20, 68, "");
        allPass.show();
    }

    void start(const fs::path& folder, SaveLocationChooser::DriveProvider drives = {}) {
        if (!drives)
            drives = [this] { return core::wineDrives(root / "wine"); };
        const SaveLocationControls controls{&driveList,  &folders,      optionAllDir,
                                            labelAllDir, optionFileSan, &dirButtons};
        chooser =
            std::make_unique<SaveLocationChooser>(controls, state, dialogs, root / "app", drives, folder);
    }

    std::vector<QString> listedPaths() const {
        std::vector<QString> paths;
        for (int i = 0; i < folders.count(); ++i)
            paths.push_back(folders.item(i)->data(SaveLocationChooser::kPathRole).toString());
        return paths;
    }

    // A left press on the listed folder with this path, at its place in the list.
    void pressOn(const QString& path) {
        const std::vector<QString> paths = listedPaths();
        const auto row = std::find(paths.begin(), paths.end(), path) - paths.begin();
        ASSERT_LT(row, folders.count()) << path.toStdString() << " is not listed";
        chooser->Dir_Savelocation_MouseDown(
            Qt::LeftButton, folders.visualItemRect(folders.item(static_cast<int>(row))).center());
    }

    void chooseDrive(const char* letter) {
        driveList.setCurrentIndex(
            driveList.findData(QString::fromLatin1(letter), SaveLocationChooser::kPathRole));
        chooser->Drive_Savelocation_Change();
    }

    // Hovers "セット" (0), "リセット" (1) or, coming from outside, the gap between them (-1); then clicks.
    void click(int button) {
        dirButtons.LostFocus();
        dirButtons.MouseMove(0, 0, button == 0 ? 10 : button == 1 ? 80 : 69, 10);
        ASSERT_EQ(dirButtons.CBSelectedIndex(), button);
        chooser->Picture_SetDir_Click();
    }

    test::TempDir dir;
    fs::path root = fs::canonical(dir.path());
    fs::path driveC = root / "wine" / "drive_c";

    QWidget allPass;
    QWidget refererPanel; // Option_FileSan sits on another panel, so it is a group of its own
    QComboBox& driveList = *new QComboBox(&allPass);
    QListWidget& folders = *new QListWidget(&allPass);
    std::array<QRadioButton*, 2> optionAllDir{new QRadioButton(&allPass), new QRadioButton(&allPass)};
    std::array<QLabel*, 2> labelAllDir{new QLabel(&allPass), new QLabel(&allPass)};
    std::array<QRadioButton*, 2> optionFileSan{new QRadioButton(&refererPanel),
                                               new QRadioButton(&refererPanel)};
    ImageSkinSurface strip{QSize(141, 21), test::windowFont(), test::distinctPalette()};
    Class_Button dirButtons;
    core::State state;
    RecordingDialogs dialogs;
    std::unique_ptr<SaveLocationChooser> chooser;
};

TEST_F(SaveLocationTest, StartsAtTheWorkingFolderElseTheProgramFolderElseTheFirstRoot) {
    start(driveC / "users" / "u");
    EXPECT_EQ(chooser->path(), "C:\\users\\u");
    EXPECT_EQ(driveList.currentData(SaveLocationChooser::kPathRole).toString(), "C");
    EXPECT_EQ(listedPaths(), (std::vector<QString>{"C:\\", "C:\\users", "C:\\users\\u"}));
    EXPECT_EQ(folders.currentRow(), 2);

    start(root / "gone");
    EXPECT_EQ(chooser->path(), onZ(root / "app"));
    start(root, [this] { return std::vector<core::WineDrive>{{'C', driveC}}; });
    EXPECT_EQ(chooser->path(), "C:\\");
}

TEST_F(SaveLocationTest, LeftPressOpensTheFolderUnderThePointerRightPressGoesUp) {
    start(driveC);
    EXPECT_EQ(listedPaths(), (std::vector<QString>{"C:\\", "C:\\users", "C:\\ダウンロード"}));
    pressOn("C:\\users");
    EXPECT_EQ(chooser->folder(), driveC / "users");
    EXPECT_EQ(listedPaths(), (std::vector<QString>{"C:\\", "C:\\users", "C:\\users\\u"}));
    pressOn("C:\\users\\u");
    pressOn("C:\\users"); // an ancestor
    EXPECT_EQ(chooser->path(), "C:\\users");

    chooser->Dir_Savelocation_MouseDown(Qt::RightButton);
    EXPECT_EQ(chooser->path(), "C:\\");
    chooser->Dir_Savelocation_MouseDown(Qt::RightButton);
    EXPECT_EQ(chooser->path(), "C:\\");

    // A folder gone since it was listed is passed over, and the list no longer shows it.
    fs::remove(driveC / "ダウンロード");
    pressOn("C:\\ダウンロード");
    EXPECT_EQ(chooser->path(), "C:\\");
    EXPECT_EQ(listedPaths(), (std::vector<QString>{"C:\\", "C:\\users"}));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SaveLocationTest, DriveWhoseFolderIsGoneShowsTheDeviceErrorOnceAndReturnsToTheProgramFolder) {
    start(driveC / "users");
    chooseDrive("D");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "デバイスエラー");
    EXPECT_EQ(dialogs.messages[0].text, "デバイスが見つかりません\nＦＤなどが入っていない可能性があります");
    EXPECT_EQ(dialogs.messages[0].icon, Dialogs::Icon::Critical);
    EXPECT_EQ(chooser->path(), onZ(root / "app"));
    EXPECT_EQ(driveList.currentData(SaveLocationChooser::kPathRole).toString(), "D");

    chooseDrive("C");
    EXPECT_EQ(chooser->path(), "C:\\");
    EXPECT_EQ(dialogs.messages.size(), 1u);

    // With the program's folder on no drive, the first drive's root.
    start(driveC / "users", [this] {
        return std::vector<core::WineDrive>{{'C', driveC}, {'D', root / "gone"}};
    });
    chooseDrive("D");
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(chooser->path(), "C:\\");
}

TEST_F(SaveLocationTest, SetWritesTheFolderIntoTheSelectedLabelAndResetOrNoButtonEmptiesIt) {
    fs::create_directory(root / "ダウンロード");
    start(root / "ダウンロード");
    const QString path = onZ(root / "ダウンロード");
    const std::string bytes = onZ(root).toStdString() + "\\\x83\x5f\x83\x45\x83\x93\x83\x8d\x81\x5b\x83\x68";

    click(0);
    EXPECT_EQ(labelAllDir[1]->text(), path);
    EXPECT_EQ(state.options.Label_AllDir[1], bytes);
    EXPECT_TRUE(labelAllDir[0]->text().isEmpty());
    click(1);
    EXPECT_TRUE(labelAllDir[1]->text().isEmpty());
    EXPECT_TRUE(state.options.Label_AllDir[1].empty());
    click(0);
    click(-1);
    EXPECT_TRUE(labelAllDir[1]->text().isEmpty());
    EXPECT_TRUE(state.options.Label_AllDir[1].empty());

    optionAllDir[0]->setChecked(true);
    click(0);
    EXPECT_EQ(labelAllDir[0]->text(), path);
    EXPECT_EQ(state.options.Label_AllDir[0], bytes);
    EXPECT_TRUE(labelAllDir[1]->text().isEmpty());
}

TEST_F(SaveLocationTest, FirstPathDecidesWhetherTheRefererOptionCanBeChosen) {
    start(driveC);
    labelAllDir[0]->setText("C:\\users");
    chooser->Label_AllDir_Click(1);
    EXPECT_FALSE(optionFileSan[1]->isEnabled()) << "only the first label decides";
    chooser->Label_AllDir_Click(0);
    EXPECT_TRUE(optionFileSan[1]->isEnabled());

    optionFileSan[1]->setChecked(true);
    state.options.Option_FileSan = 1;
    labelAllDir[0]->clear();
    chooser->Label_AllDir_Click(0);
    EXPECT_FALSE(optionFileSan[1]->isEnabled());
    EXPECT_TRUE(optionFileSan[0]->isChecked());
    EXPECT_EQ(state.options.Option_FileSan, 0);
}

} // namespace
} // namespace tamarisk::ui
