#pragma once

#include <QAtomicInt>
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QNetworkReply>
#include <QObject>
#include <QSslError>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <core/ReplyLimits.h>

class QFile;
class QNetworkAccessManager;
class QNetworkRequest;

enum HttpMethod { Get = 0, Post = 1, Put = 2, Delete = 3, Head = 4 };

// Blocking HTTP client for the service's REST interface and for file
// downloads. One instance per task and per thread: the calling thread waits
// in a local event loop until the reply is complete. The account's token goes
// only to the service's own origin (scheme, host, port); redirects are
// followed here, never by Qt, only to http and https and without the token;
// a loop, more than ten hops, https to http (unless kIgnoreSslErrors) and a
// 3xx without a target fail. Replies are capped (ReplyLimits): 4 MiB, or
// 250 MB for downloadToFile, and the network time-out for the whole transfer.
//
// Settings read at the moment of use:
//   kServiceUrl       base address of the service (re-read by every constructor)
//   kIgnoreSslErrors  bool, default false: accept untrusted certificates
//   kNetworkTimeout   ms, default 60000: a transfer that takes longer fails
class NetworkManager : public QObject
{
    Q_OBJECT
public:
    explicit NetworkManager(QObject *parent = nullptr, int cacheSize = 0);
    ~NetworkManager() override;

    // The shared service base address as last loaded by any constructor.
    static QString serviceUrl();
    // The disk cache folder used when cacheSize > 0.
    static QString cacheDirectory();

    QByteArray synchronousCall(HttpMethod method, const QString &url, const QString &path,
        const QByteArray &data, bool authenticate, const QMap<QString, QString> &queryItems,
        QNetworkRequest *request, QFile *file, bool *ok);

    QByteArray get(const QString &url, const QString &path, bool *ok);
    QByteArray get(
        const QString &url, const QString &path, const QMap<QString, QString> &queryItems, bool *ok);
    QByteArray putJson(const QString &path, const QVariantMap &body, bool *ok);
    // The file is complete or untouched: an empty body, a failed transfer or
    // a failed write leaves whatever was at filePath before.
    bool downloadToFile(const QString &url, const QString &filePath);

    static QVariantMap jsonToMap(const QByteArray &bytes);

    // Any thread: the transfer in flight ends at once as a failure, and so
    // does every later one, so that a worker blocked in a download can be
    // stopped and joined. The caller keeps this object alive during the call.
    void cancel();
    bool isCancelled() const { return m_cancelled.loadAcquire(); }

    // Shared TLS policy of every client in the program: log the errors, and
    // accept them only when kIgnoreSslErrors is set.
    static void handleSslErrors(QNetworkReply *reply, const QList<QSslError> &errors);
    // The transfer time-out in milliseconds (kNetworkTimeout).
    static int transferTimeout();

signals:
    void uploadProgress(qlonglong bytesSent, qlonglong bytesTotal);

public slots:
    void error(QNetworkReply::NetworkError code);
    void sslErrors(const QList<QSslError> &errors);

private:
    void setUp();
    void setInFlight(QNetworkReply *reply);
    // One request, its redirects followed.
    QByteArray send(HttpMethod method, const QUrl &target, const QByteArray &data, bool authenticate,
        QNetworkRequest *request, QFile *file, bool *ok);
    // One hop; a redirect's target comes back in *redirect.
    QByteArray sendOnce(HttpMethod method, const QUrl &target, const QByteArray &data, bool authenticate,
        QNetworkRequest *request, QFile *file, bool *ok, QUrl *redirect);
    static QUrl normalized(const QUrl &url);
    // Why the redirect to next may not be followed; empty when it may.
    static QString redirectRefusal(const QList<QUrl> &visited, const QUrl &next);

    QNetworkAccessManager *m_manager = nullptr;
    QAtomicInt m_cancelled { 0 };
    QMutex m_inFlightLock;
    QNetworkReply *m_inFlight = nullptr; // the reply being waited for; m_inFlightLock
    int m_cacheSize = 0;
    ReplyLimits::Kind m_replyKind = ReplyLimits::Json;
    static constexpr int kMaxRedirects = 10;
};
