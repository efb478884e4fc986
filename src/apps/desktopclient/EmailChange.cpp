#include "EmailChange.h"

#include "BackgroundFetch.h"

#include <core/LogScrub.h>
#include <core/User.h>
#include <io/NetworkManager.h>

#include <QDebug>
#include <QTimer>

EmailChange::EmailChange(QObject *parent)
    : QObject(parent)
    , m_fetch(new BackgroundFetch(this))
{
    connect(m_fetch, &BackgroundFetch::finished_Signal, this, &EmailChange::replied);
}

bool EmailChange::isBusy() const
{
    return m_fetch->isRunning();
}

bool EmailChange::canChange()
{
    const User *user = User::instance();
    return user->isLoggedIn() && !isServiceAccount(user->email()) && !user->uuid().isEmpty()
        && !user->authenticationToken().isEmpty();
}

bool EmailChange::change(const QString &newEmail)
{
    const QString email = newEmail.trimmed();
    if (email.isEmpty() || isBusy() || !canChange())
        return false;
    if (!email.contains(QLatin1Char('@'))) {
        const QString message
            = tr("\"%1\" is not an e-mail address. Your address was not changed.").arg(email);
        // Queued like a reply, so callers see one order of events.
        QTimer::singleShot(0, this, [this, message] { emit finished_Signal(false, message); });
        return true;
    }

    m_newEmail = email;
    const QString path = QStringLiteral("/api/v2/users/") + User::instance()->uuid();
    m_fetch->start([path, email](NetworkManager &network) {
        bool ok = false;
        const QByteArray body = network.putJson(path, { { QStringLiteral("email"), email } }, &ok);
        return QVariant(QVariantList { ok, body });
    });
    return true;
}

void EmailChange::replied(const QVariant &result)
{
    const QVariantList reply = result.toList();
    const bool ok = reply.value(0).toBool();
    const QByteArray body = reply.value(1).toByteArray();
    if (!ok) {
        qDebug().noquote() << "email not set:" << QString::fromUtf8(LogScrub::json(body));
        const QString reason = NetworkManager::jsonToMap(body).value(QStringLiteral("message")).toString();
        emit finished_Signal(false,
            reason.isEmpty()
                ? tr("Your address was not changed: the service did not answer, or gave no reason.")
                : tr("Your address was not changed: %1").arg(reason));
        return;
    }
    // The reply names the new address, which stays out of the log.
    qDebug().noquote() << "email set:" << QString::fromUtf8(LogScrub::json(body));
    User::instance()->reset();
    emit finished_Signal(
        true, tr("Your e-mail address is now %1. Please log in again with the new address.").arg(m_newEmail));
}
