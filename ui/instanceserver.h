#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace tamarisk::ui {

/// The name a running window is known by, one per user and settings file: the lock file's name is made
/// from it.
QString instanceKey(const std::filesystem::path& settingsFile);
/// The full name of the window's local socket (settings::instanceSocketPath), the one a second start
/// connects to.
QString instanceSocketName(const std::filesystem::path& settingsFile);

/// What the running window listens for on its local socket, so that a second start can reach it. The
/// protocol is UTF-8 text, one request per line ending in "\n"; a connection may carry several lines and
/// unknown lines are ignored:
///
///     show         bring the window to the front, restored from the notification area
///     open PATH    a file for the next "convert" of this connection; PATH is absolute, as the file system
///                  spells it, with "%" and control characters written as %XX (a path may hold a line break)
///     convert      the files of the "open" lines before it are handed to the window; answered "ok\n" once
///                  they are queued, so the sender knows the window took them
class InstanceServer : public QObject {
    Q_OBJECT
public:
    explicit InstanceServer(QObject* parent = nullptr);
    ~InstanceServer() override;

    /// Listens on name. Only the holder of the instance lock calls this, so a socket left by a window that
    /// ended without closing it is removed first. False when the socket cannot be made.
    bool listen(const QString& name);

signals:
    void showRequested();
    /// Files a second start handed over, in the order given. The receiver must not convert them before
    /// returning: the sender waits for the answer.
    void filesOpened(const std::vector<std::filesystem::path>& files);

private:
    void readRequests(QLocalSocket* socket, std::vector<std::filesystem::path>& opened);

    QLocalServer* m_server = nullptr;
};

/// Sends the request lines to the window listening on name; false when no window answers.
bool sendToRunningWindow(const QString& name, const QByteArray& requests);

} // namespace tamarisk::ui
