#include "platform/single_instance.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include "widgets/window_registry.h"

namespace {

constexpr int kWaitMs = 1000;
// What a second copy hands over, as a number on a line.
constexpr int kShowMainCommand = static_cast<int>(InstanceCommand::ShowMainWindow);

QString SafeName(const QString& text) {
    QString name;
    for (const QChar c : text) name += (c.isLetterOrNumber() || c == '.' || c == '-') ? c : '_';
    return name;
}

bool IsPath(const QString& name) {
    return name.startsWith(QLatin1Char('/'));
}

QLocalSocket::SocketOptions SocketOptionsFor(const QString& name) {
    return IsPath(name) ? QLocalSocket::NoOptions : QLocalSocket::AbstractNamespaceOption;
}

}  // namespace

QString SingleInstanceName() {
    const QString name =
        SafeName(QStringLiteral("TpopMainWindow-Tarnwick - your e-mail guard. 3.03-%1")
                     .arg(static_cast<qulonglong>(getuid())));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!IsPath(runtime) || !QFileInfo(runtime).isDir()) return name;
    return QDir::cleanPath(runtime + QLatin1Char('/') + name);
}

bool BusNameOwned(const QString& name) {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() != nullptr &&
           bus.interface()->isServiceRegistered(name).value();
}

bool HandOverToRunningCopy(const QString& name) {
    QLocalSocket socket;
    socket.setSocketOptions(SocketOptionsFor(name));
    socket.connectToServer(name);
    if (!socket.waitForConnected(kWaitMs)) return false;
    socket.write(QByteArray::number(kShowMainCommand) + "\n");
    socket.waitForBytesWritten(kWaitMs);
    socket.disconnectFromServer();
    return true;
}

SingleInstanceServer::SingleInstanceServer(QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstanceServer::OnNewConnection);
}

bool SingleInstanceServer::Listen(const QString& name) {
    // An abstract socket goes with its process: none is ever left behind.
    if (!IsPath(name)) {
        server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
        return server_->listen(name);
    }
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (server_->listen(name)) return true;
    QLocalServer::removeServer(name);
    return server_->listen(name);
}

void SingleInstanceServer::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, socket, [socket] {
            while (socket->canReadLine()) {
                if (socket->readLine(16).trimmed() == QByteArray::number(kShowMainCommand))
                    Q_EMIT Requests().mainWindowWanted();
            }
            if (socket->bytesAvailable() > 64) socket->abort();
        });
    }
}
