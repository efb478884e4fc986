#include "NetworkManager.h"

#include <core/FileLocations.h>
#include <core/NetworkPolicy.h>
#include <core/ServiceAddress.h>
#include <core/User.h>

#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
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

bool NetworkManager::isServiceHost(const QUrl &target)
{
    const QUrl service(serviceUrl(), QUrl::TolerantMode);
    return !target.host().isEmpty() && target.host().compare(service.host(), Qt::CaseInsensitive) == 0;
}

QByteArray NetworkManager::send(HttpMethod method, const QUrl &target, const QByteArray &data,
    bool authenticate, QNetworkRequest *request, QFile *file, bool *ok)
{
    setUp();
    bool localOk = false;
    if (!ok)
        ok = &localOk;
    *ok = false;
    if (isCancelled())
        return QByteArray();

    QNetworkRequest built;
    if (!request) {
        // The account's token goes to the service's own host only, never to
        // another host a picture address may point at.
        if (authenticate && isServiceHost(target)) {
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

    connect(reply, &QNetworkReply::uploadProgress, this, &NetworkManager::uploadProgress);
    connect(reply, &QNetworkReply::errorOccurred, this, &NetworkManager::error);
    connect(reply, &QNetworkReply::sslErrors, this,
        [reply](const QList<QSslError> &errors) { handleSslErrors(reply, errors); });

    // The reply's own signal, not the manager's: a nested call for a redirect
    // must not end the outer wait.
    if (!reply->isFinished() && !isCancelled()) {
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        connect(this, &NetworkManager::cancelRequested, reply, &QNetworkReply::abort);
        loop.exec();
    }
    if (isCancelled() && !reply->isFinished())
        reply->abort();

    QByteArray body = reply->isOpen() ? reply->readAll() : QByteArray();
    *ok = reply->error() == QNetworkReply::NoError;

    if (*ok) {
        const QUrl redirect = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        if (!redirect.isEmpty() && redirect != m_lastRedirect) {
            m_lastRedirect = redirect;
            // Two targets pointing at each other would otherwise recurse
            // without end.
            if (m_redirectDepth >= kMaxRedirects) {
                qDebug() << "ERROR: too many redirects, stopped at" << redirect.toString(QUrl::RemoveQuery);
                m_lastRedirect.clear();
                *ok = false;
                body.clear();
            } else {
                // The target is followed as given, its own query included.
                ++m_redirectDepth;
                body = send(method, reply->url().resolved(redirect), QByteArray(), false, nullptr, file, ok);
                --m_redirectDepth;
            }
        } else {
            m_lastRedirect.clear();
        }
    } else {
        qDebug() << "ERROR: " << int(reply->error()) << ":" << reply->errorString();
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
    const QByteArray body = get(url, QString(), &ok);
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
    if (!out.commit()) {
        qDebug() << "ERROR: cannot write" << filePath << out.errorString();
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
    // Queued to this object's thread, which waits in the local event loop
    // of the transfer in flight (if any).
    QMetaObject::invokeMethod(this, &NetworkManager::cancelRequested, Qt::QueuedConnection);
}

void NetworkManager::error(QNetworkReply::NetworkError code)
{
    qDebug() << "NetworkManager::OnError(): " << int(code);
}

void NetworkManager::sslErrors(const QList<QSslError> &errors)
{
    handleSslErrors(qobject_cast<QNetworkReply *>(sender()), errors);
}
