#include "ui/helpwindow.h"

#include "ui/dialogs.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

#ifndef TAMARISK_VERSION
#define TAMARISK_VERSION "0.1.0"
#endif

namespace tamarisk::ui {

QPoint placeBeside(const QRect& main, const QSize& size, const QRect& screen) {
    int x = main.right() + 1;
    if (x + size.width() > screen.right() + 1) {
        x = main.left() - size.width();
        if (x < screen.left())
            x = std::max(screen.left(), screen.right() + 1 - size.width());
    }
    const int y = std::max(screen.top(), std::min(main.top(), screen.bottom() + 1 - size.height()));
    return {x, y};
}

QWidget* openHelpWindow(const std::filesystem::path& file, QWidget* beside, std::string& error) {
    QFile help(QString::fromStdString(file.string()));
    if (!help.open(QIODevice::ReadOnly)) {
        error = "cannot read " + file.string() + ": " + help.errorString().toStdString();
        return nullptr;
    }
    auto* viewer = new QWidget(nullptr, Qt::Window);
    viewer->setObjectName("HelpWindow");
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setWindowTitle(QString::fromUtf8("わかんない - たまりすく"));
    viewer->setWindowIcon(beside->windowIcon());
    auto* layout = new QVBoxLayout(viewer);
    auto* browser = new QTextBrowser(viewer);
    browser->setOpenExternalLinks(true);
    browser->setHtml(QString::fromUtf8(help.readAll()));
    layout->addWidget(browser);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, viewer);
    QObject::connect(close, &QDialogButtonBox::rejected, viewer, &QWidget::close);
    layout->addWidget(close);
    viewer->resize(640, 480);
    if (const QScreen* screen = beside->screen()) {
        // The frame is not known before the window is shown: the main window's border stands for it.
        const QSize frame = beside->frameGeometry().size() - beside->geometry().size();
        const QPoint at =
            placeBeside(beside->frameGeometry(), viewer->size() + frame, screen->availableGeometry());
        viewer->move(at);
    }
    viewer->show();
    return viewer;
}

void showAbout(Dialogs& dialogs, QWidget* parent) {
    dialogs.tell(parent, QString::fromUtf8("たまりすくについて"),
                 QString::fromUtf8("たまりすく(Tamarisk) " TAMARISK_VERSION "\n\n"
                                   "Reget のダウンロードキュー (.wrg) を書き換えます。\n"
                                   "Rewrites the download queues (.wrg) of Reget.\n\n"
                                   "Copyright (c) the Tamarisk developers."),
                 Dialogs::Icon::Information);
}

} // namespace tamarisk::ui
