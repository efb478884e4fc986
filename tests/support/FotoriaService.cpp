#include "FotoriaService.h"

#include "TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <csignal>

#ifndef FOTORIA_SERVICE_BINARY
#define FOTORIA_SERVICE_BINARY ""
#endif

namespace fotoria::test {

namespace {

QByteArray percent(const QString &value)
{
    return QUrl::toPercentEncoding(value);
}

} // namespace

QJsonObject FotoriaService::Reply::json() const
{
    return QJsonDocument::fromJson(body).object();
}

FotoriaService::FotoriaService() = default;

FotoriaService::~FotoriaService()
{
    stop();
}

bool FotoriaService::start(QString *error, quint16 httpPort)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        stop();
        return false;
    };
    const QString binary = QStringLiteral(FOTORIA_SERVICE_BINARY);
    if (binary.isEmpty() || !QFileInfo::exists(binary))
        return fail(QStringLiteral("fotoria-service binary not found: '%1'").arg(binary));

    QString root = testHome();
    if (root.isEmpty())
        root = QDir::tempPath();
    QDir().mkpath(root + QStringLiteral("/service"));
    QTemporaryDir dir(root + QStringLiteral("/service/run-XXXXXX"));
    dir.setAutoRemove(false);
    if (!dir.isValid())
        return fail(QStringLiteral("cannot make a data folder under %1").arg(root));
    m_dataDir = dir.path();

    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->start(binary, {QStringLiteral("--port"), QString::number(httpPort), QStringLiteral("--tls-port"),
                              QStringLiteral("0"), QStringLiteral("--data-dir"), m_dataDir,
                              QStringLiteral("--exit-with-parent")});
    if (!m_process->waitForStarted(10000))
        return fail(QStringLiteral("cannot start %1: %2").arg(binary, m_process->errorString()));

    QDeadlineTimer deadline(20000);
    QByteArray pending;
    bool ready = false;
    while (!ready && !deadline.hasExpired()) {
        if (!m_process->canReadLine() && !m_process->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            if (m_process->state() != QProcess::Running)
                break;
            continue;
        }
        while (m_process->canReadLine()) {
            const QByteArray line = m_process->readLine().trimmed();
            if (line.startsWith("http_port="))
                m_httpPort = quint16(line.mid(10).toUInt());
            else if (line.startsWith("https_port="))
                m_httpsPort = quint16(line.mid(11).toUInt());
            else if (line == "ready")
                ready = true;
        }
    }
    if (!ready || m_httpPort == 0 || m_httpsPort == 0)
        return fail(QStringLiteral("fotoria-service did not become ready"));
    return true;
}

bool FotoriaService::stop()
{
    if (!m_process)
        return false;
    bool clean = false;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (m_process->waitForFinished(5000)) {
            clean = m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 0;
        } else {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
    m_process.reset();
    return clean;
}

bool FotoriaService::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

QString FotoriaService::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_httpPort);
}

QString FotoriaService::httpsUrl() const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(m_httpsPort);
}

QString FotoriaService::certificatePath() const
{
    return m_dataDir + QStringLiteral("/certificate.pem");
}

FotoriaService::Reply FotoriaService::request(const QByteArray &method, const QString &pathAndQuery,
                                              const QByteArray &body,
                                              const QMap<QByteArray, QByteArray> &headers, int timeoutMs)
{
    Reply reply;
    QTcpSocket socket;
    QDeadlineTimer deadline(timeoutMs);
    socket.connectToHost(QStringLiteral("127.0.0.1"), m_httpPort);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return reply;

    QByteArray head = method + ' ' + pathAndQuery.toUtf8() + " HTTP/1.1\r\n";
    head += "Host: 127.0.0.1:" + QByteArray::number(m_httpPort) + "\r\n";
    head += "Connection: close\r\n";
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    for (auto it = headers.cbegin(); it != headers.cend(); ++it)
        head += it.key() + ": " + it.value() + "\r\n";
    socket.write(head + "\r\n" + body);

    QByteArray data;
    while (!deadline.hasExpired()) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            if (socket.state() != QAbstractSocket::ConnectedState)
                break;
            continue;
        }
        data += socket.readAll();
    }
    data += socket.readAll();

    const int split = data.indexOf("\r\n\r\n");
    if (split < 0)
        return reply;
    const QList<QByteArray> statusLine = data.left(data.indexOf("\r\n")).split(' ');
    if (statusLine.size() < 2)
        return reply;
    reply.status = statusLine.at(1).toInt();
    reply.body = data.mid(split + 4);
    return reply;
}

QJsonArray FotoriaService::journal(const QString &pathPrefix)
{
    const QJsonArray all = request("GET", QStringLiteral("/__journal")).json().value(QStringLiteral("requests")).toArray();
    if (pathPrefix.isEmpty())
        return all;
    QJsonArray filtered;
    for (const QJsonValue &v : all)
        if (v.toObject().value(QStringLiteral("path")).toString().startsWith(pathPrefix))
            filtered.append(v);
    return filtered;
}

void FotoriaService::clearJournal()
{
    request("DELETE", QStringLiteral("/__journal"));
}

bool FotoriaService::setFailure(const QString &path, const QString &mode, const QMap<QString, QString> &params)
{
    QByteArray query = "path=" + percent(path) + "&mode=" + percent(mode);
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        query += '&' + percent(it.key()) + '=' + percent(it.value());
    return request("POST", QStringLiteral("/__fail?") + QString::fromLatin1(query)).status == 200;
}

void FotoriaService::clearFailures()
{
    request("DELETE", QStringLiteral("/__fail"));
}

bool FotoriaService::setConfig(const QString &key, const QString &value)
{
    const QByteArray query = percent(key) + '=' + percent(value);
    return request("POST", QStringLiteral("/__config?") + QString::fromLatin1(query)).status == 200;
}

void FotoriaService::resetConfig()
{
    request("DELETE", QStringLiteral("/__config"));
}

} // namespace fotoria::test
