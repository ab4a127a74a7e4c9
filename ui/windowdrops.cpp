#include "ui/mainwindow.h"

#include "core/driver.h"
#include "ui/dialogs.h"
#include "ui/serverlisteditor.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>

#include <utility>

// Files dropped anywhere on the window, and the conversion they start.

namespace tamarisk::ui {

namespace {

// Sets the application's override cursor for as long as it lives, restored on every path out.
class OverrideCursor {
public:
    explicit OverrideCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
    ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
    OverrideCursor(const OverrideCursor&) = delete;
    OverrideCursor& operator=(const OverrideCursor&) = delete;
};

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

} // namespace

void MainWindow::acceptDropsEverywhere() {
    setAcceptDrops(true);
    for (QWidget* widget : findChildren<QWidget*>()) {
        widget->installEventFilter(this);
        if (auto* view = qobject_cast<QAbstractScrollArea*>(widget))
            view->viewport()->installEventFilter(this);
    }
}

bool MainWindow::filterDrop(QEvent* event) {
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
    default:
        return false;
    }
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
        this, [this, files] { convertFiles(files); }, Qt::QueuedConnection);
}

void MainWindow::openFiles(const std::vector<std::filesystem::path>& files) {
    bringToFront();
    // The second start waits for the answer that the files were taken, not for their conversion.
    convertAfterDrop(files);
}

void MainWindow::commitEdits() {
    m_serverList->commitEdits();
}

void MainWindow::convertFiles(const std::vector<std::filesystem::path>& files) {
    // A message box of a running conversion processes events: files handed over meanwhile wait their turn
    // instead of starting a conversion inside it.
    if (m_converting) {
        m_waitingFiles.insert(m_waitingFiles.end(), files.begin(), files.end());
        return;
    }
    m_converting = true;
    struct Done {
        MainWindow* window;
        ~Done() {
            window->m_converting = false;
            if (!window->m_waitingFiles.empty())
                window->convertAfterDrop(std::exchange(window->m_waitingFiles, {}));
        }
    } done{this};
    commitEdits();
    const std::vector<core::FileResult> results = core::convertFiles(m_state, files, *this);
    // The conversion normalises the Webjump number; show what it used.
    m_serverList->showWebjumpNumber();
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

} // namespace tamarisk::ui
