#pragma once

#include <QObject>
#include <QString>

#include <filesystem>

class QLocalServer;
class QLocalSocket;

namespace tamarisk::ui {

/// The name a running window is known by, one per user and settings file: the lock file's name and the
/// local socket's name are both made from it.
QString instanceKey(const std::filesystem::path& settingsFile);

/// What the running window listens for on its local socket, so that a second start can reach it. The
/// protocol is UTF-8 text, one request per line ending in "\n"; a connection may carry several lines and
/// unknown lines are ignored, so later requests (such as files to convert) can be added beside these:
///
///     show        bring the window to the front, restored from the notification area
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

private:
    void readRequests(QLocalSocket* socket);

    QLocalServer* m_server = nullptr;
};

/// Sends the request lines to the window listening on name; false when no window answers.
bool sendToRunningWindow(const QString& name, const QByteArray& requests);

} // namespace tamarisk::ui
