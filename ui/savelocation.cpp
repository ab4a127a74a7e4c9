#include "ui/savelocation.h"

#include "core/cp932.h"
#include "core/state.h"
#include "ui/dialogs.h"
#include "ui/skinnedcontrols.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPoint>
#include <QRadioButton>
#include <QStyle>

namespace tamarisk::ui {

namespace fs = std::filesystem;

namespace {

// The path goes into Shift-JIS queue files; a name without that form would reach them garbled.
bool hasCp932Form(std::string_view text) {
    return core::isAscii(text) || core::utf8ToCp932(text).text.has_value();
}

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

SaveLocationChooser::SaveLocationChooser(const SaveLocationControls& controls, core::State& state,
                                         Dialogs& dialogs, fs::path appDir, DriveProvider drives,
                                         std::optional<fs::path> startFolder, QObject* parent)
    : QObject(parent), m_controls(controls), m_state(state), m_dialogs(dialogs), m_appDir(std::move(appDir)),
      m_drives(drives ? drives() : std::vector<core::WineDrive>()) {
    if (m_drives.empty())
        m_drives.push_back({'Z', "/"});
    if (!startFolder) {
        std::error_code ec;
        startFolder = fs::current_path(ec);
    }
    bool started = false;
    for (const fs::path& candidate : {*startFolder, m_appDir}) {
        const std::optional<std::string> windowsPath = core::toWindowsPath(m_drives, candidate);
        if (windowsPath && open(*windowsPath)) {
            started = true;
            break;
        }
    }
    if (!started)
        m_path = core::formatWindowsPath({m_drives.front().letter, {}});
    fillDriveList();
    refresh();
}

QString SaveLocationChooser::path() const {
    return fromUtf8(m_path);
}

fs::path SaveLocationChooser::folder() const {
    return core::toLinuxFolder(m_drives, m_path).value_or(fs::path());
}

bool SaveLocationChooser::setPath(const QString& windowsPath) {
    if (!open(windowsPath.toStdString()))
        return false;
    refresh();
    return true;
}

bool SaveLocationChooser::open(std::string_view windowsPath) {
    const std::optional<core::WindowsPath> parsed = core::parseWindowsPath(windowsPath);
    if (!parsed)
        return false;
    std::string normal = core::formatWindowsPath(*parsed);
    const std::optional<fs::path> linuxFolder = core::toLinuxFolder(m_drives, normal);
    if (!linuxFolder || !core::folderOpens(*linuxFolder) || !hasCp932Form(normal))
        return false;
    m_path = std::move(normal);
    return true;
}

void SaveLocationChooser::fillDriveList() {
    QComboBox* list = m_controls.Drive_Savelocation;
    list->clear();
    const char shown = core::parseWindowsPath(m_path)->letter;
    for (const core::WineDrive& drive : m_drives) {
        const QString letter(QChar::fromLatin1(drive.letter));
        list->addItem(QStringLiteral("%1: [%2]").arg(letter, QString::fromStdString(drive.folder.string())),
                      letter);
        if (drive.letter == shown)
            list->setCurrentIndex(list->count() - 1);
    }
}

void SaveLocationChooser::refresh() {
    QListWidget* list = m_controls.Dir_Savelocation;
    const core::WindowsPath current = *core::parseWindowsPath(m_path);
    const QIcon openIcon = list->style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = list->style()->standardIcon(QStyle::SP_DirClosedIcon);
    const auto add = [&](const QString& caption, const core::WindowsPath& path, std::size_t depth,
                         const QIcon& icon) {
        auto* item =
            new QListWidgetItem(icon, QString(static_cast<qsizetype>(depth * 2), u' ') + caption, list);
        item->setData(kPathRole, fromUtf8(core::formatWindowsPath(path)));
    };

    list->clear();
    core::WindowsPath chain{current.letter, {}};
    add(fromUtf8(core::formatWindowsPath(chain)), chain, 0, openIcon);
    for (const std::string& name : current.names) {
        chain.names.push_back(name);
        add(fromUtf8(name), chain, chain.names.size(), openIcon);
    }
    list->setCurrentRow(list->count() - 1);

    if (const std::optional<fs::path> linuxFolder = core::toLinuxFolder(m_drives, m_path)) {
        for (const std::string& name : core::subfolderNames(*linuxFolder)) {
            if (!hasCp932Form(name))
                continue;
            core::WindowsPath child = current;
            child.names.push_back(name);
            add(fromUtf8(name), child, child.names.size(), closedIcon);
        }
    }
}

void SaveLocationChooser::Drive_Savelocation_Change() {
    const QComboBox* drives = m_controls.Drive_Savelocation;
    if (drives->currentIndex() < 0)
        return;
    const QString letter = drives->currentData(kPathRole).toString();
    if (!open(letter.toStdString() + ":\\")) {
        m_dialogs.tell(m_controls.Dir_Savelocation->window(), QString::fromUtf8("デバイスエラー"),
                       QString::fromUtf8("デバイスが見つかりません\nＦＤなどが入っていない可能性があります"),
                       Dialogs::Icon::Critical);
        // The program's folder, or the first drive when it lies on none; if neither opens, the list stays
        // where it was.
        const std::optional<std::string> appPath = core::toWindowsPath(m_drives, m_appDir);
        if (!(appPath && open(*appPath)))
            open(core::formatWindowsPath({m_drives.front().letter, {}}));
    }
    refresh();
}

void SaveLocationChooser::Dir_Savelocation_MouseDown(Qt::MouseButton button) {
    if (button == Qt::LeftButton) {
        if (const QListWidgetItem* item = m_controls.Dir_Savelocation->currentItem())
            open(item->data(kPathRole).toString().toStdString());
    } else if (button == Qt::RightButton) {
        if (const std::optional<std::string> parent = core::parentWindowsPath(m_path))
            open(*parent);
    }
    refresh();
}

void SaveLocationChooser::Dir_Savelocation_MouseDown(Qt::MouseButton button, const QPoint& position) {
    QListWidget* list = m_controls.Dir_Savelocation;
    if (QListWidgetItem* item = list->itemAt(position))
        list->setCurrentItem(item);
    Dir_Savelocation_MouseDown(button);
}

void SaveLocationChooser::Picture_SetDir_Click() {
    const bool set = m_controls.DirButtons->CBSelectedIndex() == 0;
    for (std::size_t i = 0; i < 2; ++i) {
        if (!m_controls.Option_AllDir[i]->isChecked())
            continue;
        // Only paths with a Shift-JIS form are ever opened, so the conversion succeeds.
        const std::optional<std::string> bytes = set ? core::utf8ToCp932(m_path).text : std::string();
        if (!bytes)
            continue;
        m_state.options.Label_AllDir[i] = *bytes;
        m_controls.Label_AllDir[i]->setText(set ? path() : QString());
    }
}

void SaveLocationChooser::Label_AllDir_Click(int index) {
    if (index != 0)
        return;
    const bool holdsPath = !m_controls.Label_AllDir[0]->text().isEmpty();
    m_controls.Option_FileSan[1]->setEnabled(holdsPath);
    if (!holdsPath) {
        m_controls.Option_FileSan[0]->setChecked(true);
        m_state.options.Option_FileSan = 0;
    }
}

} // namespace tamarisk::ui
