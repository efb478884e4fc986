#include "LocalServer.h"

#include <QDebug>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringList>

namespace {

// Nothing legitimate comes near this; a client that sends more is cut off.
constexpr int kMaxMessageSize = 64 * 1024;

const QString kCommandPrefix = QStringLiteral("CMD:");
const QStringList kCommands { QStringLiteral("showUp") };

} // namespace

QString LocalServer::defaultName()
{
    return QStringLiteral("com.fotoria.tessel");
}

LocalServer::LocalServer(const QString &name, QObject *parent)
    : QObject(parent)
    , m_name(name)
    , m_server(new QLocalServer(this))
{
    connect(m_server, &QLocalServer::newConnection, this, &LocalServer::slotNewConnection);
    connect(this, &LocalServer::privateDataReceived, this, &LocalServer::slotOnData);
}

LocalServer::~LocalServer()
{
    close();
}

bool LocalServer::listen()
{
    if (m_server->listen(m_name))
        return true;
    if (m_server->serverError() == QAbstractSocket::AddressInUseError && !answers(m_name)) {
        // A crashed instance left its socket behind; nobody is using it.
        qDebug() << "removing the stale single-instance socket" << m_name;
        QLocalServer::removeServer(m_name);
        if (m_server->listen(m_name))
            return true;
    }
    qWarning() << "cannot listen on" << m_name << ":" << m_server->errorString();
    return false;
}

bool LocalServer::isListening() const
{
    return m_server->isListening();
}

void LocalServer::close()
{
    m_server->close();
    const QList<QLocalSocket *> sockets = m_received.keys();
    m_received.clear();
    for (QLocalSocket *socket : sockets) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

bool LocalServer::send(const QString &name, const QByteArray &message, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(name, QIODevice::ReadWrite);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(message);
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(timeoutMs)) { }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return true;
}

bool LocalServer::answers(const QString &name, int timeoutMs)
{
    return send(name, QByteArray(), timeoutMs);
}

void LocalServer::slotNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        m_received.insert(socket, QByteArray());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { finish(socket); });
        // A client may have sent and closed before it was taken from the queue.
        read(socket);
        if (socket->state() == QLocalSocket::UnconnectedState)
            finish(socket);
    }
}

void LocalServer::read(QLocalSocket *socket)
{
    auto it = m_received.find(socket);
    if (it == m_received.end())
        return;
    it->append(socket->readAll());
    if (it->size() > kMaxMessageSize) {
        qWarning() << "single-instance channel: a message over" << kMaxMessageSize
                   << "bytes, connection dropped";
        m_received.erase(it);
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

void LocalServer::finish(QLocalSocket *socket)
{
    read(socket);
    const auto it = m_received.find(socket);
    if (it == m_received.end())
        return;
    const QByteArray message = *it;
    m_received.erase(it);
    socket->disconnect(this);
    socket->deleteLater();
    // A client that only looked whether somebody answers sends nothing.
    if (!message.isEmpty())
        emit privateDataReceived(QString::fromUtf8(message));
}

void LocalServer::slotOnData(QString data)
{
    if (!data.startsWith(kCommandPrefix, Qt::CaseInsensitive)) {
        emit dataReceived(data);
        return;
    }
    const int command = kCommands.indexOf(data.mid(kCommandPrefix.size()));
    if (command == 0)
        emit showUp();
}
