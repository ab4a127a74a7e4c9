#include "ui/instanceserver.h"

#include "settings/instance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <memory>

namespace tamarisk::ui {

namespace {

constexpr int kWaitMs = 2000; // a running window answers at once; a hung one must not hang this start too

} // namespace

QString instanceKey(const std::filesystem::path& settingsFile) {
    return QString::fromStdString(settings::instanceKey(settingsFile));
}

QString instanceSocketName(const std::filesystem::path& settingsFile) {
    return QString::fromStdString(settings::instanceSocketPath(settingsFile).string());
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent), m_server(new QLocalServer(this)) {
    // Only the user's own programs may ask the window for anything.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            // The files of this connection's "open" lines, until its "convert".
            auto opened = std::make_shared<std::vector<std::filesystem::path>>();
            connect(socket, &QLocalSocket::readyRead, this,
                    [this, socket, opened] { readRequests(socket, *opened); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            readRequests(socket, *opened);
        }
    });
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::listen(const QString& name) {
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

void InstanceServer::readRequests(QLocalSocket* socket, std::vector<std::filesystem::path>& opened) {
    while (socket->canReadLine()) {
        QByteArray line = socket->readLine();
        line.chop(1); // the "\n"; a path may end in blanks, so nothing else is trimmed
        if (line.startsWith("open ")) {
            const QByteArray path = QByteArray::fromPercentEncoding(line.mid(5));
            if (!path.isEmpty())
                opened.emplace_back(path.toStdString());
        } else if (line.trimmed() == "convert") {
            const std::vector<std::filesystem::path> files = std::move(opened);
            opened.clear();
            if (!files.empty())
                emit filesOpened(files);
            socket->write("ok\n");
            socket->flush();
        } else if (line.trimmed() == "show") {
            emit showRequested();
        }
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
