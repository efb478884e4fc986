#include "LocalServer.h"

#include <platform/PrivateFolder.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Nothing legitimate comes near this; a client that sends more is cut off.
constexpr int kMaxMessageSize = 64 * 1024;
// Taking the name takes milliseconds; a lock held longer is a hung start.
constexpr int kLockWaitMs = 3000;

const QString kCommandPrefix = QStringLiteral("CMD:");
const QStringList kCommands { QStringLiteral("showUp"), QStringLiteral("next"), QStringLiteral("previous"),
    QStringLiteral("pause"), QStringLiteral("resume"), QStringLiteral("favorite") };
const QString kSocketName = QStringLiteral("com.fotoria.tessel");

// A folder nobody else can enter, so nobody else can take or squat a name in it.
bool isPrivateFolder(const QString &path, bool create)
{
    return create ? platform::makeOwnClosedFolder(path) : platform::isOwnFolder(path, platform::OthersMay::Nothing);
}

// The full path of a server name, as the toolkit resolves it.
QString socketPath(const QString &name)
{
    return name.startsWith(QLatin1Char('/')) ? name : QDir::tempPath() + QLatin1Char('/') + name;
}

} // namespace

QString LocalServer::defaultName()
{
#ifdef Q_OS_UNIX
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime, false))
        return runtime + QLatin1Char('/') + kSocketName;
    // The shared temporary folder only through a folder of our own; if
    // another user took that name first, the cache in our home.
    const QString user = QStringLiteral("/fotoria-") + QString::number(::geteuid());
    const QStringList folders { QDir::tempPath() + user,
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + user };
    for (const QString &folder : folders) {
        if (isPrivateFolder(folder, true))
            return folder + QLatin1Char('/') + kSocketName;
        qWarning() << "not a private folder of this user, not used for the single-instance socket:" << folder;
    }
    return QString();
#else
    return kSocketName;
#endif
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
    if (m_name.isEmpty()) {
        qWarning() << "no private folder for the single-instance socket";
        return false;
    }
    const QString path = socketPath(m_name);
    // With access options the toolkit puts its socket in place by a rename,
    // over whatever holds the name, a live server too: the lock keeps two
    // starts from both taking it, and a live server keeps its name.
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs)) {
        qWarning() << "cannot lock the single-instance name" << path;
        return false;
    }
    if (answers(m_name))
        return false;
    setAsideWhatIsNoSocket(path);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(m_name))
        return true;
    qWarning() << "cannot listen on" << m_name << ":" << m_server->errorString();
    return false;
}

void LocalServer::setAsideWhatIsNoSocket(const QString &path)
{
#ifdef Q_OS_UNIX
    // A folder there would keep the toolkit's rename from taking the name,
    // and leave tessel without its guard.
    struct stat info = {};
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &info) != 0 || S_ISSOCK(info.st_mode))
        return;
    const QString aside = path + QStringLiteral(".unusable");
    const bool moved = ::rename(name.constData(), QFile::encodeName(aside).constData()) == 0;
    qWarning().nospace() << "the single-instance name " << path
                         << " is taken by something that is no socket; "
                         << (moved ? "moved to " : "cannot move it to ") << aside;
#else
    Q_UNUSED(path)
#endif
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
    else if (command > 0)
        emit commandReceived(kCommands.at(command));
}
