#include "Analytics.h"

#include "AppInfo.h"
#include "FileLocations.h"
#include "LogScrub.h"
#include "NetworkPolicy.h"
#include "ReplyLimits.h"
#include "ServiceAddress.h"
#include "Settings.h"
#include "SystemInfo.h"
#include "User.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QMutex>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUuid>

#include <utility>

namespace {

const QString kProjectToken = QStringLiteral("5d1c0a7e93b24f68a0e7c3b19d42f6a8");

// Events raised before the application object exists (the crash report of
// the start-up) wait for it: a network manager needs the event loop.
QList<QUrl> g_pending;

void sendPending()
{
    const QList<QUrl> pending = std::exchange(g_pending, {});
    for (const QUrl &url : pending)
        Analytics::instance()->sendNow(url);
}

void enqueue(const QUrl &url)
{
    if (QCoreApplication::instance()) {
        Analytics::instance()->sendNow(url);
        return;
    }
    if (g_pending.isEmpty())
        qAddPreRoutine([] { QTimer::singleShot(0, sendPending); });
    g_pending.append(url);
}

QVariantMap catalogProperties(const QString &category, const QString &uuid)
{
    QVariantMap properties;
    properties.insert(QStringLiteral("category"), category);
    properties.insert(QStringLiteral("uuid"), uuid);
    return properties;
}

} // namespace

Analytics::Analytics()
    : m_manager(new QNetworkAccessManager(this))
{
    // A redirect is an answer, never followed (Qt 6 would follow it).
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    connect(m_manager, &QNetworkAccessManager::finished, this, &Analytics::replyFinished);
}

Analytics *Analytics::instance()
{
    static Analytics *s_instance = nullptr;
    if (!s_instance) {
        static QMutex s_mutex;
        QMutexLocker locker(&s_mutex);
        if (!s_instance)
            s_instance = new Analytics();
    }
    return s_instance;
}

QString Analytics::distinctId()
{
    const QString id = Settings::getString(QStringLiteral("mixpanelId"), QUuid::createUuid().toString());
    Settings::setValue(QStringLiteral("mixpanelId"), id);
    return id;
}

bool Analytics::isDevelopmentMode()
{
    return AppInfo::isDevelopmentMode();
}

bool Analytics::isSendingEnabled()
{
    return Settings::getBool(QStringLiteral("kSendAnalytics"), true) && !isDevelopmentMode();
}

QByteArray Analytics::eventDocument(const QString &event, const QMap<QString, QVariant> &properties)
{
    const QString id = distinctId();
    QVariantMap props = properties;
    props.insert(QStringLiteral("token"), kProjectToken);
    props.insert(QStringLiteral("distinct_id"), id);
    props.insert(QStringLiteral("os"), SystemInfo::platformName());
    props.insert(QStringLiteral("osv"), SystemInfo::osVersionCode());
    props.insert(QStringLiteral("appv"), AppInfo::version);

    QVariantMap document;
    document.insert(QStringLiteral("event"), event);
    document.insert(QStringLiteral("properties"), props);
    document.insert(QStringLiteral("time"), QDateTime::currentSecsSinceEpoch());
    document.insert(QStringLiteral("distinct_id"), id);
    return QJsonDocument::fromVariant(document).toJson();
}

QByteArray Analytics::profileDocument(User *user)
{
    const QDir playlists(FileLocations::playlistFolder());
    const int playlistCount
        = playlists.exists() ? playlists.entryList(QDir::Dirs | QDir::NoDotAndDotDot).size() : 0;

    QVariantMap set;
    set.insert(QStringLiteral("$first_name"), QString());
    set.insert(QStringLiteral("$last_name"), QString());
    set.insert(QStringLiteral("$email"), user->email());
    set.insert(QStringLiteral("appv"), AppInfo::version);
    set.insert(QStringLiteral("playlists"), QString::number(playlistCount));
    set.insert(QStringLiteral("calendar"), Settings::getBool(QStringLiteral("kEnable"), false));

    QVariantMap document;
    document.insert(QStringLiteral("$set"), set);
    document.insert(QStringLiteral("$token"), kProjectToken);
    document.insert(QStringLiteral("$distinct_id"), distinctId());
    document.insert(QStringLiteral("$ip"), QStringLiteral("0.0.0.0"));
    return QJsonDocument::fromVariant(document).toJson();
}

void Analytics::sendNow(const QUrl &url)
{
    QNetworkRequest request(url);
    NetworkPolicy::apply(request);
    QNetworkReply *reply = m_manager->get(request);
    ReplyLimits::watch(reply, ReplyLimits::Json);
    connect(reply, &QNetworkReply::sslErrors, this,
        [reply](const QList<QSslError> &errors) { NetworkPolicy::handleSslErrors(reply, errors); });
    qDebug() << "Analytics: sent" << reply;
}

void Analytics::post(const QString &event, const QMap<QString, QVariant> &properties)
{
    if (QCoreApplication::instance())
        instance();
    if (!isSendingEnabled())
        return;
    const QByteArray json = eventDocument(event, properties);
    const QString url = ServiceAddress::analyticsUrl(QStringLiteral("/track")).toString()
        + QStringLiteral("?data=") + QString::fromLatin1(json.toBase64());
    enqueue(QUrl(url, QUrl::TolerantMode));
}

void Analytics::registerUser(User *user)
{
    if (!user || !isSendingEnabled() || isServiceAccount(user->email()))
        return;
    const QByteArray json = profileDocument(user);
    qDebug() << "mp json:" << LogScrub::json(json);
    const QString url = ServiceAddress::analyticsUrl(QStringLiteral("/engage")).toString()
        + QStringLiteral("?data=") + QString::fromLatin1(json.toBase64());
    enqueue(QUrl(url, QUrl::TolerantMode));
}

void Analytics::replyFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    if (ReplyLimits::stopped(reply))
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // A redirect is not followed here, so the event was not taken.
    const bool redirected = status >= 300 && status < 400;
    qDebug() << "Analytics::replyFinished" << int(reply->error()) << (redirected ? "not taken, status" : "status")
             << status << ":" << LogScrub::body(reply->readAll());
}

void Analytics::startup()
{
    post(QStringLiteral("d-startup"), { { QStringLiteral("client-info"), QStringLiteral("none") } });
}

void Analytics::firstTime()
{
    post(QStringLiteral("d-firsttime"));
}

void Analytics::crashed()
{
    post(QStringLiteral("d-crashed"));
}

void Analytics::playScreensaver()
{
    post(QStringLiteral("d-play-screensaver"));
}

void Analytics::wallpaper(const QString &category, const QString &uuid, bool fromCatalog)
{
    QVariantMap properties = catalogProperties(category, uuid);
    properties.insert(QStringLiteral("fromCatalog"), fromCatalog);
    post(QStringLiteral("d-dc-wallpaper"), properties);
}

void Analytics::download(const QString &category, const QString &uuid)
{
    post(QStringLiteral("d-download"), catalogProperties(category, uuid));
}

void Analytics::playlist(const QString &category, const QString &uuid)
{
    post(QStringLiteral("d-playlist"), catalogProperties(category, uuid));
}

void Analytics::favorite(const QString &category, const QString &uuid)
{
    post(QStringLiteral("d-favorite"), catalogProperties(category, uuid));
}

void Analytics::share(const QString &category, const QString &uuid, bool fromCatalog)
{
    QVariantMap properties = catalogProperties(category, uuid);
    properties.insert(QStringLiteral("fromCatalog"), fromCatalog);
    post(QStringLiteral("d-share"), properties);
}

void Analytics::login(User *user)
{
    if (!user || isServiceAccount(user->email()))
        return;
    post(QStringLiteral("d-login"));
    registerUser(user);
}
