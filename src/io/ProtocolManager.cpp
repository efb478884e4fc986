#include "ProtocolManager.h"

#include "NetworkManager.h"

#include <core/AppInfo.h>
#include <core/LogScrub.h>
#include <core/NetworkPolicy.h>
#include <core/ReplyLimits.h>
#include <core/User.h>

#include <QDebug>
#include <QJsonDocument>
#include <QMutex>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QUrl>

namespace {

// Each reply carries its own mode: sign-ins in flight at once never read
// each other's answer the wrong way.
const char *const kByTokenProperty = "fotoria_byToken";

} // namespace

ProtocolManager::ProtocolManager()
    : m_manager(new QNetworkAccessManager(this))
{
    // A redirect is an answer, never followed (Qt 6 would follow it).
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

ProtocolManager *ProtocolManager::instance()
{
    static ProtocolManager *s_instance = nullptr;
    if (!s_instance) {
        static QMutex s_mutex;
        QMutexLocker locker(&s_mutex);
        if (!s_instance)
            s_instance = new ProtocolManager();
    }
    return s_instance;
}

QByteArray ProtocolManager::loginBody(const QString &user, const QString &secret)
{
    QVariantMap body;
    body.insert(
        user.contains(QLatin1Char('@')) ? QStringLiteral("email") : QStringLiteral("fotoria_username"), user);
    body.insert(QStringLiteral("password"), secret);
    body.insert(QStringLiteral("desktop_version"), AppInfo::version);
    return QJsonDocument::fromVariant(body).toJson();
}

QByteArray ProtocolManager::maskSecrets(const QByteArray &body)
{
    return LogScrub::body(body);
}

void ProtocolManager::login(const QString &user, const QString &secret, bool byToken)
{
    const QByteArray body = loginBody(user, secret);

    NetworkManager addressSource;
    QUrl url(NetworkManager::serviceUrl(), QUrl::TolerantMode);
    QNetworkRequest request;
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    NetworkPolicy::apply(request);

    QNetworkReply *reply = nullptr;
    if (!byToken) {
        url.setPath(QStringLiteral("/api/v3/tokens"));
        request.setUrl(url);
        reply = m_manager->post(request, body);
    } else {
        url.setPath(QStringLiteral("/api/v2/users/") + User::instance()->uuid());
        request.setUrl(url);
        request.setRawHeader("X-Auth-Token", secret.toLocal8Bit());
        reply = m_manager->get(request);
    }

    reply->setProperty(kByTokenProperty, byToken);
    ReplyLimits::watch(reply, ReplyLimits::Json);
    // A reply that fails at once still finishes later, so the caller always
    // hears the outcome.
    connect(reply, &QNetworkReply::errorOccurred, this, &ProtocolManager::error);
    connect(reply, &QNetworkReply::sslErrors, this,
        [reply](const QList<QSslError> &errors) { NetworkPolicy::handleSslErrors(reply, errors); });
    connect(reply, &QNetworkReply::finished, this, &ProtocolManager::loginCompleted_Slot);
}

void ProtocolManager::loginServiceAccount()
{
    login(User::serviceAccountEmail(), User::serviceAccountPassword(), false);
}

void ProtocolManager::loginCompleted_Slot()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    reply->deleteLater();

    const bool byToken = reply->property(kByTokenProperty).toBool();
    QNetworkReply::NetworkError code = ReplyLimits::error(reply);
    // Nothing here cancels a sign-in: one that ended cancelled ran out of
    // Qt's time-out for silence, which is as much a time-out as the deadline.
    if (code == QNetworkReply::OperationCanceledError)
        code = QNetworkReply::TimeoutError;
    if (ReplyLimits::stopped(reply)) {
        // The body is dropped (why was logged by the watcher); a network
        // failure to the caller.
        qDebug() << "login error: " << int(code);
        emit authAttempt_Signal(code, QStringLiteral("Unknown Error"), byToken);
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (code == QNetworkReply::NoError && status >= 300 && status < 400) {
        // Qt follows no redirect here, and a redirect's
        // page holds no sign-in: the server answered wrongly.
        code = QNetworkReply::UnknownServerError;
    }
    const QByteArray data = reply->readAll();
    qDebug() << "login error: " << int(code);
    // The reply carries the new token and the account's e-mail: the log gets them masked.
    qDebug() << "login data: " << maskSecrets(data);

    const QVariantMap map = NetworkManager::jsonToMap(data);
    QNetworkReply::NetworkError result = code;
    if (code == QNetworkReply::NoError) {
        if (byToken) {
            result = map.value(QStringLiteral("user")).toMap().isEmpty() ? QNetworkReply::ProtocolUnknownError
                                                                         : QNetworkReply::NoError;
        } else {
            const QString token = map.value(QStringLiteral("token")).toString();
            if (token.isEmpty()) {
                result = QNetworkReply::ProtocolUnknownError;
            } else {
                const QVariantMap user = map.value(QStringLiteral("user")).toMap();
                User::instance()->storeLogin(user.value(QStringLiteral("email")).toString(),
                    user.value(QStringLiteral("uuid")).toString(), token,
                    user.value(QStringLiteral("account_url")).toString());
            }
        }
    }

    QString message = QStringLiteral("No Error");
    if (result != QNetworkReply::NoError) {
        message = QStringLiteral("Unknown Error");
        const QString serviceMessage = map.value(QStringLiteral("message")).toString();
        if (!serviceMessage.isEmpty())
            message = serviceMessage;
    }
    emit authAttempt_Signal(result, message, byToken);
}

void ProtocolManager::error(QNetworkReply::NetworkError code)
{
    Q_UNUSED(code)
}

void ProtocolManager::sslErrors(const QList<QSslError> &errors)
{
    NetworkPolicy::handleSslErrors(qobject_cast<QNetworkReply *>(sender()), errors);
}
