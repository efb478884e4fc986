#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QString>

#include <memory>

namespace fotoria::test {

// The real fotoria-service binary, started on free ports for one test.
// The control calls block (no event loop needed) and give up after 10 s.
class FotoriaService
{
public:
    struct Reply {
        int status = 0; // 0: no reply (connection failed or timed out)
        QByteArray body;
        QJsonObject json() const;
    };

    FotoriaService();
    ~FotoriaService(); // SIGTERM, then kill
    FotoriaService(const FotoriaService &) = delete;
    FotoriaService &operator=(const FotoriaService &) = delete;

    // Starts with --port <httpPort> (0: a free one) --tls-port 0 and a data
    // folder under the test home; waits up to 20 s for "ready".
    bool start(QString *error = nullptr, quint16 httpPort = 0);
    // True when the service ended by itself on SIGTERM with status 0.
    bool stop();
    bool isRunning() const;

    quint16 httpPort() const { return m_httpPort; }
    quint16 httpsPort() const { return m_httpsPort; }
    QString baseUrl() const;  // http://127.0.0.1:<port>
    QString httpsUrl() const; // https://127.0.0.1:<port>
    QString dataDir() const { return m_dataDir; }
    QString certificatePath() const; // the self-signed certificate (PEM)

    // Requests recorded since the last clear, optionally only those whose
    // path starts with pathPrefix.
    QJsonArray journal(const QString &pathPrefix = QString());
    void clearJournal();

    // mode: http_error, empty, malformed, redirect, redirect_loop,
    // redirect_to, redirect_chain, hang, status, slow, huge, drip; params:
    // status, message, body, location (redirect_to: the Location header, any
    // scheme), count, delay_ms (slow, drip), size (huge, drip), chunked (huge), announced (drip),
    // hops (redirect_chain).
    bool setFailure(const QString &path, const QString &mode,
                    const QMap<QString, QString> &params = {});
    void clearFailures();

    // linux_version, windows_version, installer_size, download_link,
    // installer_sha256.
    bool setConfig(const QString &key, const QString &value);
    void resetConfig();

    // A plain blocking request to the service (HTTP port).
    Reply request(const QByteArray &method, const QString &pathAndQuery,
                  const QByteArray &body = QByteArray(),
                  const QMap<QByteArray, QByteArray> &headers = {}, int timeoutMs = 10000);

private:
    std::unique_ptr<QProcess> m_process;
    quint16 m_httpPort = 0;
    quint16 m_httpsPort = 0;
    QString m_dataDir;
};

} // namespace fotoria::test
