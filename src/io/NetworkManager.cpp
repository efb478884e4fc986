#include "NetworkManager.h"

#include <platform/FileCommit.h>
#include <core/FileLocations.h>
#include <core/LogScrub.h>
#include <core/NetworkPolicy.h>
#include <core/ReplyLimits.h>
#include <core/ServiceAddress.h>
#include <core/User.h>

#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkRequest>
#include <QReadWriteLock>
#include <QSaveFile>
#include <QUrlQuery>

namespace {

// Every constructor rewrites the shared address, possibly on a worker thread
// while another thread reads it.
QReadWriteLock g_serviceUrlLock;
QString g_serviceUrl;

void loadServiceUrl()
{
    const QString url = ServiceAddress::serviceUrl();
    QWriteLocker locker(&g_serviceUrlLock);
    g_serviceUrl = url;
}

bool isWebScheme(const QUrl &url)
{
    return url.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0
        || url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}

} // namespace

NetworkManager::NetworkManager(QObject *parent, int cacheSize)
    : QObject(parent)
    , m_cacheSize(cacheSize)
{
    loadServiceUrl();
}

NetworkManager::~NetworkManager() = default;

QString NetworkManager::serviceUrl()
{
    QReadLocker locker(&g_serviceUrlLock);
    return g_serviceUrl;
}

QString NetworkManager::cacheDirectory()
{
    return FileLocations::baseFolder() + QDir::separator() + QStringLiteral(".cachedir");
}

int NetworkManager::transferTimeout()
{
    return NetworkPolicy::transferTimeout();
}

void NetworkManager::handleSslErrors(QNetworkReply *reply, const QList<QSslError> &errors)
{
    NetworkPolicy::handleSslErrors(reply, errors);
}

void NetworkManager::setUp()
{
    if (m_manager)
        return;
    m_manager = new QNetworkAccessManager(this);
    if (m_cacheSize > 0) {
        auto *cache = new QNetworkDiskCache(this);
        cache->setCacheDirectory(cacheDirectory());
        qDebug() << "diskCache:" << cache->cacheDirectory();
        m_manager->setCache(cache);
    }
}

QByteArray NetworkManager::synchronousCall(HttpMethod method, const QString &url, const QString &path,
    const QByteArray &data, bool authenticate, const QMap<QString, QString> &queryItems,
    QNetworkRequest *request, QFile *file, bool *ok)
{
    QUrl target;
    if (!request) {
        target = url.isEmpty() ? QUrl(serviceUrl(), QUrl::TolerantMode) : QUrl(url, QUrl::TolerantMode);
        if (!path.isEmpty())
            target.setPath(path, QUrl::DecodedMode);
        QUrlQuery query;
        for (auto it = queryItems.cbegin(); it != queryItems.cend(); ++it)
            query.addQueryItem(it.key(), it.value());
        target.setQuery(query);
    }
    return send(method, target, data, authenticate, request, file, ok);
}

QByteArray NetworkManager::send(HttpMethod method, const QUrl &target, const QByteArray &data,
    bool authenticate, QNetworkRequest *request, QFile *file, bool *ok)
{
    bool localOk = false;
    if (!ok)
        ok = &localOk;
    // Every address this request has been at: a redirect back to any of them
    // is a loop, however long its way round.
    QList<QUrl> visited { normalized(request ? request->url() : target) };
    QUrl next;
    QByteArray body = sendOnce(method, target, data, authenticate, request, file, ok, &next);
    while (*ok && !next.isEmpty()) {
        const QString refusal = redirectRefusal(visited, next);
        if (!refusal.isEmpty()) {
            qDebug() << qPrintable(QStringLiteral("ERROR: redirect refused, %1:").arg(refusal)) << LogScrub::url(next);
            *ok = false;
            return QByteArray();
        }
        visited.append(normalized(next));
        // The target is followed as given, its own query included, without
        // the token and without the body.
        const QUrl hop = next;
        body = sendOnce(method, hop, QByteArray(), false, nullptr, file, ok, &next);
    }
    return body;
}

QUrl NetworkManager::normalized(const QUrl &url)
{
    return url.adjusted(QUrl::NormalizePathSegments | QUrl::RemoveFragment);
}

QString NetworkManager::redirectRefusal(const QList<QUrl> &visited, const QUrl &next)
{
    // file:, qrc:, data: and the like would hand local or made-up content
    // to a caller that asked the network.
    if (!isWebScheme(next))
        return QStringLiteral("not http or https");
    if (visited.contains(normalized(next)))
        return QStringLiteral("it leads back to an address already visited");
    if (visited.size() > kMaxRedirects)
        return QStringLiteral("more than %1 redirects").arg(kMaxRedirects);
    // What went encrypted must not be answered in the clear, unless the
    // encryption is not trusted anyway.
    if (visited.last().scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0
        && next.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0
        && !NetworkPolicy::ignoresSslErrors())
        return QStringLiteral("https to http");
    return QString();
}

QByteArray NetworkManager::sendOnce(HttpMethod method, const QUrl &target, const QByteArray &data,
    bool authenticate, QNetworkRequest *request, QFile *file, bool *ok, QUrl *redirect)
{
    setUp();
    *ok = false;
    redirect->clear();
    if (isCancelled())
        return QByteArray();

    QNetworkRequest built;
    if (!request) {
        // The account's token goes to the service's own origin only: not to
        // another host a picture address may point at, nor over plain http
        // or to another port of the service's host.
        if (authenticate && ServiceAddress::isServiceOrigin(target)) {
            const QString token = User::instance()->authenticationToken();
            if (!token.isEmpty())
                built.setRawHeader("X-Auth-Token", token.toLatin1());
        }
        built.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        if (method == Head)
            built.setRawHeader("Accept", "json");
        built.setUrl(target);
        request = &built;
    }
    NetworkPolicy::apply(*request);
    // Redirects are followed in send(), where their scheme is checked and
    // the token is left out; Qt must not follow any by itself, whatever a
    // caller's request asks for.
    request->setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);

    QNetworkReply *reply = nullptr;
    switch (method) {
    case Get:
        reply = m_manager->get(*request);
        break;
    case Post:
        reply = m_manager->post(*request, data);
        break;
    case Put:
        if (!data.isEmpty())
            reply = m_manager->put(*request, data);
        else if (file)
            reply = m_manager->put(*request, file);
        break;
    case Delete:
        reply = m_manager->deleteResource(*request);
        break;
    case Head:
        reply = m_manager->head(*request);
        break;
    }
    if (!reply) {
        qDebug() << "ERROR: nothing to send for method" << int(method);
        return QByteArray();
    }
    ReplyLimits::watch(reply, m_replyKind);

    connect(reply, &QNetworkReply::uploadProgress, this, &NetworkManager::uploadProgress);
    connect(reply, &QNetworkReply::errorOccurred, this, &NetworkManager::error);
    connect(reply, &QNetworkReply::sslErrors, this,
        [reply](const QList<QSslError> &errors) { handleSslErrors(reply, errors); });

    // Registered before the last look at the flag: a cancel() from another
    // thread either sees this reply or is seen here.
    setInFlight(reply);
    if (isCancelled())
        reply->abort();
    // The reply's own signal, not the manager's.
    if (!reply->isFinished()) {
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    setInFlight(nullptr);

    QByteArray body;
    if (ReplyLimits::stopped(reply)) {
        // Logged by the watcher; what arrived is dropped.
    } else if (reply->error() == QNetworkReply::NoError) {
        body = reply->isOpen() ? reply->readAll() : QByteArray();
        *ok = true;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QUrl location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        if (!location.isEmpty()) {
            *redirect = reply->url().resolved(location);
            body.clear();
        } else if (status >= 300 && status < 400) {
            // Nothing was fetched: the page of a redirect is no answer.
            qDebug().noquote() << "ERROR: redirect without a target, status" << status << ":"
                               << LogScrub::url(reply->url());
            *ok = false;
            body.clear();
        }
    } else {
        body = reply->isOpen() ? reply->readAll() : QByteArray();
        // Qt's error text names the whole address, query and user-info included.
        qDebug().noquote() << "ERROR: " << int(reply->error()) << ":" << LogScrub::text(reply->errorString())
                           << LogScrub::url(reply->url());
    }

    reply->deleteLater();
    return body;
}

QByteArray NetworkManager::get(const QString &url, const QString &path, bool *ok)
{
    return synchronousCall(Get, url, path, QByteArray(), true, {}, nullptr, nullptr, ok);
}

QByteArray NetworkManager::get(
    const QString &url, const QString &path, const QMap<QString, QString> &queryItems, bool *ok)
{
    return synchronousCall(Get, url, path, QByteArray(), true, queryItems, nullptr, nullptr, ok);
}

QByteArray NetworkManager::putJson(const QString &path, const QVariantMap &body, bool *ok)
{
    const QByteArray json = QJsonDocument::fromVariant(QVariant(body)).toJson();
    return synchronousCall(Put, QString(), path, json, true, {}, nullptr, nullptr, ok);
}

bool NetworkManager::downloadToFile(const QString &url, const QString &filePath)
{
    bool ok = false;
    m_replyKind = ReplyLimits::Picture;
    const QByteArray body = get(url, QString(), &ok);
    m_replyKind = ReplyLimits::Json;
    if (!ok || body.isEmpty())
        return false;

    // Written aside and renamed into place, so a reader never sees half a file.
    QSaveFile out(filePath);
    if (!out.open(QIODevice::WriteOnly)) {
        qDebug() << "ERROR: cannot write" << filePath << out.errorString();
        return false;
    }
    if (out.write(body) != body.size()) {
        qDebug() << "ERROR: cannot write" << filePath << out.errorString();
        out.cancelWriting();
        return false;
    }
    QString error;
    if (!platform::commitFile(out, &error)) {
        qDebug() << "ERROR: cannot write" << filePath << error;
        return false;
    }
    return true;
}

QVariantMap NetworkManager::jsonToMap(const QByteArray &bytes)
{
    return QJsonDocument::fromJson(bytes).object().toVariantMap();
}

void NetworkManager::cancel()
{
    m_cancelled.storeRelease(1);
    // Queued to the reply, which lives in the thread that waits for it: this
    // works also when the thread that made this object is the one blocked
    // (a GUI thread joining the worker).
    QMutexLocker locker(&m_inFlightLock);
    if (m_inFlight)
        QMetaObject::invokeMethod(m_inFlight, &QNetworkReply::abort, Qt::QueuedConnection);
}

void NetworkManager::setInFlight(QNetworkReply *reply)
{
    QMutexLocker locker(&m_inFlightLock);
    m_inFlight = reply;
}

void NetworkManager::error(QNetworkReply::NetworkError code)
{
    // A reply stopped by its limits has had its one log line.
    if (ReplyLimits::stopped(qobject_cast<QNetworkReply *>(sender())))
        return;
    qDebug() << "NetworkManager::OnError(): " << int(code);
}

void NetworkManager::sslErrors(const QList<QSslError> &errors)
{
    handleSslErrors(qobject_cast<QNetworkReply *>(sender()), errors);
}
