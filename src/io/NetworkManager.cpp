#include "NetworkManager.h"

#include <platform/FileCommit.h>
#include <core/FileLocations.h>
#include <core/LogScrub.h>
#include <core/NetworkPolicy.h>
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
    setUp();
    bool localOk = false;
    if (!ok)
        ok = &localOk;
    *ok = false;
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
    // Redirects are followed below, where their scheme is checked and the
    // token is left out; Qt must not follow any by itself, whatever a
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

    connect(reply, &QNetworkReply::uploadProgress, this, &NetworkManager::uploadProgress);
    connect(reply, &QNetworkReply::errorOccurred, this, &NetworkManager::error);
    connect(reply, &QNetworkReply::sslErrors, this,
        [reply](const QList<QSslError> &errors) { handleSslErrors(reply, errors); });

    // Registered before the last look at the flag: a cancel() from another
    // thread either sees this reply or is seen here.
    setInFlight(reply);
    if (isCancelled())
        reply->abort();
    // The reply's own signal, not the manager's: a nested call for a redirect
    // must not end the outer wait.
    if (!reply->isFinished()) {
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    setInFlight(nullptr);

    QByteArray body = reply->isOpen() ? reply->readAll() : QByteArray();
    *ok = reply->error() == QNetworkReply::NoError;

    if (*ok) {
        const QUrl redirect = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        if (!redirect.isEmpty() && redirect != m_lastRedirect) {
            const QUrl next = reply->url().resolved(redirect);
            m_lastRedirect = redirect;
            if (!isWebScheme(next)) {
                // file:, qrc:, data: and the like would hand local or made-up
                // content to a caller that asked the network.
                qDebug() << "ERROR: redirect refused, not http or https:" << LogScrub::url(next);
                m_lastRedirect.clear();
                *ok = false;
                body.clear();
            } else if (m_redirectDepth >= kMaxRedirects) {
                // Two targets pointing at each other would otherwise recurse
                // without end.
                qDebug() << "ERROR: too many redirects, stopped at" << LogScrub::url(redirect);
                m_lastRedirect.clear();
                *ok = false;
                body.clear();
            } else {
                // The target is followed as given, its own query included.
                ++m_redirectDepth;
                body = send(method, next, QByteArray(), false, nullptr, file, ok);
                --m_redirectDepth;
            }
        } else {
            m_lastRedirect.clear();
        }
    } else {
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
    qDebug() << "NetworkManager::OnError(): " << int(code);
}

void NetworkManager::sslErrors(const QList<QSslError> &errors)
{
    handleSslErrors(qobject_cast<QNetworkReply *>(sender()), errors);
}
