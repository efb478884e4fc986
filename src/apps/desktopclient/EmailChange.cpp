#include "EmailChange.h"

#include <core/LogScrub.h>
#include <core/User.h>
#include <io/NetworkManager.h>
#include <platform/CrashHook.h>

#include <QDebug>
#include <QTimer>
#include <QtConcurrent>

EmailChange::EmailChange(QObject *parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<Reply>::finished, this, &EmailChange::replied);
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
    if (email.isEmpty() || m_busy || !canChange())
        return false;
    if (!email.contains(QLatin1Char('@'))) {
        const QString message
            = tr("\"%1\" is not an e-mail address. Your address was not changed.").arg(email);
        // Queued like a reply, so callers see one order of events.
        QTimer::singleShot(0, this, [this, message] { emit finished_Signal(false, message); });
        return true;
    }

    m_busy = true;
    m_newEmail = email;
    const QString path = QStringLiteral("/api/v2/users/") + User::instance()->uuid();
    // The blocking client gets a thread of its own: the tray and its
    // windows keep answering while the service does.
    m_watcher.setFuture(QtConcurrent::run([path, email] {
        platform::installThreadSignalStack();
        NetworkManager network;
        Reply reply;
        reply.body = network.putJson(path, { { QStringLiteral("email"), email } }, &reply.ok);
        return reply;
    }));
    return true;
}

void EmailChange::replied()
{
    m_busy = false;
    const Reply reply = m_watcher.result();
    if (!reply.ok) {
        qDebug().noquote() << "email not set:" << QString::fromUtf8(LogScrub::json(reply.body));
        const QString reason
            = NetworkManager::jsonToMap(reply.body).value(QStringLiteral("message")).toString();
        emit finished_Signal(false,
            reason.isEmpty()
                ? tr("Your address was not changed: the service did not answer, or gave no reason.")
                : tr("Your address was not changed: %1").arg(reason));
        return;
    }
    // The reply names the new address, which stays out of the log.
    qDebug().noquote() << "email set:" << QString::fromUtf8(LogScrub::json(reply.body));
    User::instance()->reset();
    emit finished_Signal(
        true, tr("Your e-mail address is now %1. Please log in again with the new address.").arg(m_newEmail));
}
