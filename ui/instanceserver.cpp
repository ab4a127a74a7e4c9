#include "ui/instanceserver.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

namespace tamarisk::ui {

namespace {

constexpr int kWaitMs = 2000; // a running window answers at once; a hung one must not hang this start too

} // namespace

QString instanceKey(const std::filesystem::path& settingsFile) {
    std::error_code ignored;
    const std::string key = std::filesystem::absolute(settingsFile, ignored).lexically_normal().string();
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(key), QCryptographicHash::Sha1);
    return QStringLiteral("tamarisk-%1").arg(QString::fromLatin1(hash.toHex().left(16)));
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent), m_server(new QLocalServer(this)) {
    // Only the user's own programs may ask the window for anything.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequests(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            readRequests(socket);
        }
    });
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::listen(const QString& name) {
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

void InstanceServer::readRequests(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine().trimmed();
        if (line == "show")
            emit showRequested();
    }
}

bool sendToRunningWindow(const QString& name, const QByteArray& requests) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kWaitMs))
        return false;
    socket.write(requests);
    const bool sent = socket.waitForBytesWritten(kWaitMs) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    return sent;
}

} // namespace tamarisk::ui
