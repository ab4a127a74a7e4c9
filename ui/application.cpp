#include "ui/application.h"

#include "core/cp932.h"
#include "core/state.h"
#include "ui/dialogs.h"
#include "ui/instanceserver.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTranslator>

namespace tamarisk::ui {

namespace {

// One lock per user and settings file: the runtime folder is the user's own.
QString lockFileFor(const std::filesystem::path& settingsFile) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(instanceKey(settingsFile) + QStringLiteral(".lock"));
}

// Qt gives up on an exception that leaves an event handler; this one is caught where it leaves, shown in a
// message box, and the window goes on.
class Application final : public QApplication {
public:
    Application(int& argc, char** argv) : QApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            report(QString::fromUtf8("処理を続けられませんでした。\n\n") +
                   QString::fromLocal8Bit(error.what()));
        } catch (...) {
            report(QString::fromUtf8("処理を続けられませんでした。"));
        }
        return false;
    }

private:
    void report(const QString& text) {
        QtDialogs dialogs;
        dialogs.tell(activeWindow(), QString::fromUtf8("たまりすく"), text, Dialogs::Icon::Critical);
    }
};

} // namespace

struct InstanceLock::Lock {
    explicit Lock(const QString& lockName) : name(lockName), file(lockName) {}
    QString name;
    QLockFile file;
};

InstanceLock::InstanceLock(const std::filesystem::path& settingsFile)
    : m_lock(std::make_unique<Lock>(lockFileFor(settingsFile))) {
    // A running window's lock is never stale by age.
    m_lock->file.setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryLock() {
    return m_lock->file.tryLock(0);
}

std::string InstanceLock::fileName() const {
    return m_lock->name.toStdString();
}

bool installQtTranslations(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

bool listenForSecondStarts(InstanceServer& server, MainWindow& window,
                           const std::filesystem::path& settingsFile) {
    QObject::connect(&server, &InstanceServer::showRequested, &window, &MainWindow::bringToFront);
    QObject::connect(&server, &InstanceServer::filesOpened, &window, &MainWindow::openFiles);
    return server.listen(instanceSocketName(settingsFile));
}

int runWindow(int& argc, char** argv, const WindowStart& start) {
    Application application(argc, argv);
    // The window speaks Japanese, and so do Qt's own dialogs and buttons where the translations are
    // installed.
    installQtTranslations(application);
    QtDialogs dialogs;
    if (const std::string problem = core::codePageProblem(); !problem.empty()) {
        dialogs.tell(nullptr, QString::fromUtf8("たまりすく"), QString::fromStdString(problem),
                     Dialogs::Icon::Critical);
        return 1;
    }
    InstanceLock lock(start.settingsFile);
    if (!lock.tryLock()) {
        // A user who cannot find the window starts the program again: the running window comes forward.
        sendToRunningWindow(instanceSocketName(start.settingsFile), "show\n");
        dialogs.tell(nullptr, QString::fromUtf8("複数起動禁止"), QString::fromUtf8("二重起動は出来ません"),
                     Dialogs::Icon::Critical);
        return 1;
    }
    core::State state;
    state.AppDir = start.programFolder.string() + "/";
    state.random.seed(start.seed ? *start.seed : core::Random::clockSeed());
    MainWindow window(state, start.settingsFile, dialogs);
    InstanceServer server;
    listenForSecondStarts(server, window, start.settingsFile);
    window.Form_Load();
    window.show();
    return application.exec();
}

void showFailures(int& argc, char** argv, const std::string& text) {
    // An application may be left from a window that ended with a failure.
    if (QApplication::instance() != nullptr) {
        QtDialogs().tell(nullptr, QString::fromUtf8("たまりすく"), QString::fromStdString(text),
                         Dialogs::Icon::Critical);
        return;
    }
    QApplication application(argc, argv);
    QtDialogs dialogs;
    dialogs.tell(nullptr, QString::fromUtf8("たまりすく"), QString::fromStdString(text),
                 Dialogs::Icon::Critical);
}

} // namespace tamarisk::ui
