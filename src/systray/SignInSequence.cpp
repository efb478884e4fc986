#include "SignInSequence.h"

#include <core/User.h>
#include <io/ProtocolManager.h>

#include <QDebug>
#include <QTimer>

namespace {

// Errors of the network, a proxy or the server: worth another try later.
// An answer about the account itself (confirmation, refusal, the service's
// own message, an incomplete reply) is not.
bool isTransient(QNetworkReply::NetworkError error)
{
    return error < QNetworkReply::ContentAccessDenied || error >= QNetworkReply::InternalServerError;
}

} // namespace

SignInSequence::SignInSequence(QObject *parent)
    : QObject(parent)
{
    m_backgroundRetry.setSingleShot(true);
    connect(&m_backgroundRetry, &QTimer::timeout, this, &SignInSequence::backgroundTry);
}

void SignInSequence::backgroundTry()
{
    // Only the sign-ins that need nobody: the service account, or a
    // person's stored token. Whatever signed in meanwhile stays.
    User *user = User::instance();
    if (user->isLoggedIn())
        return;
    if (isServiceAccount(user->email())) {
        ProtocolManager::instance()->loginServiceAccount();
    } else if (!user->uuid().isEmpty() && !user->authenticationToken().isEmpty()) {
        signInWithToken();
    }
}

void SignInSequence::retryNow()
{
    // The quick tries and the login dialog take their own course.
    if (!m_backgroundRetry.isActive())
        return;
    m_backgroundRetry.stop();
    backgroundTry();
}

QString SignInSequence::errorMessage(QNetworkReply::NetworkError error, const QString &errorStr)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("Unable to connect to server!");
    case QNetworkReply::ContentOperationNotPermittedError:
        return QStringLiteral("Email confirmation required!");
    case QNetworkReply::AuthenticationRequiredError:
        return QStringLiteral("The e-mail address or password was not recognised.");
    case QNetworkReply::UnknownContentError:
        return errorStr;
    default:
        return QStringLiteral("Please check your internet connection!");
    }
}

QString SignInSequence::expiredMessage()
{
    return QStringLiteral("Your sign-in has expired. Please log in again.");
}

void SignInSequence::start()
{
    User *user = User::instance();
    if (!isServiceAccount(user->email()) && !user->remember()) {
        qDebug() << "signed out at start: the account was not to be remembered";
        user->reset();
        user->useServiceAccount(true);
    }
    retryIn(1000);
}

void SignInSequence::retryIn(int ms)
{
    QTimer::singleShot(ms, this, &SignInSequence::delayedLogin_Slot);
}

void SignInSequence::retryInBackground()
{
    m_nextRetryMs = m_nextRetryMs == 0 ? m_firstRetryMs : qMin(2 * m_nextRetryMs, kLongestRetryMs);
    qDebug() << "next sign-in try in" << m_nextRetryMs / 1000 << "s";
    m_backgroundRetry.start(m_nextRetryMs);
    emit unreachable_Signal(m_nextRetryMs);
}

void SignInSequence::signInWithToken()
{
    const User *user = User::instance();
    ProtocolManager::instance()->login(user->email(), user->authenticationToken(), true);
}

void SignInSequence::delayedLogin_Slot()
{
    if (isServiceAccount(User::instance()->email())) {
        --m_loginAttempts;
        ProtocolManager::instance()->loginServiceAccount();
    } else {
        login_Slot();
    }
}

void SignInSequence::login_Slot()
{
    User *user = User::instance();
    m_loginAttempts = 0;
    // The command signs a person out again; the service account takes over.
    if (m_personSignedIn) {
        logout_Slot();
        return;
    }
    if (isServiceAccount(user->email())) {
        // The shared account stays signed in behind the dialog, so a cancel
        // changes nothing; its token is no person's to sign in with.
        user->setRemember(false);
    } else if (!user->uuid().isEmpty() && !user->authenticationToken().isEmpty()) {
        signInWithToken();
        return;
    }
    // The person takes over: a background try must not close the dialog,
    // and the toolbar no longer counts down to one.
    if (m_backgroundRetry.isActive()) {
        m_backgroundRetry.stop();
        emit failed_Signal(errorMessage(QNetworkReply::ConnectionRefusedError, QString()));
    }
    emit loginDialogRequested_Signal();
}

void SignInSequence::logout_Slot()
{
    m_personSignedIn = false;
    User::instance()->reset();
    User::instance()->useServiceAccount(true);
    retryIn(100);
}

void SignInSequence::loginClosed_Slot()
{
    User *user = User::instance();
    if (m_personSignedIn || (user->isLoggedIn() && isServiceAccount(user->email())))
        return;
    user->useServiceAccount(true);
    retryIn(100);
}

void SignInSequence::userUpdated_Slot()
{
    retryIn(1000);
    emit postState_Signal();
}

void SignInSequence::authAttempt_Slot(QNetworkReply::NetworkError error, QString errorStr, bool byToken)
{
    User *user = User::instance();
    if (error == QNetworkReply::AuthenticationRequiredError && byToken) {
        // A refused token would be sent again at every login command, and
        // the person could never reach the login dialog: it is dropped and
        // the person asked to sign in again (after this reply's handler).
        qDebug() << "the stored sign-in was refused; asking to log in again";
        user->setAuthenticationToken(QString());
        user->save();
        emit failed_Signal(expiredMessage());
        m_backgroundRetry.stop();
        QTimer::singleShot(0, this, &SignInSequence::loginDialogRequested_Signal);
    } else if (error == QNetworkReply::NoError) {
        m_backgroundRetry.stop();
        m_nextRetryMs = 0;
        m_signedInThisRun = true;
        m_personSignedIn = !isServiceAccount(user->email());
        user->setLoggedIn(true);
        emit signedIn_Signal();
    } else if (m_loginAttempts < 1 || error == QNetworkReply::TimeoutError) {
        // A try that timed out has waited the whole network time-out
        // already: no quick tries after it, the message now.
        const QString message = errorMessage(error, errorStr);
        qDebug().noquote() << "sign-in failed:" << int(error) << message;
        emit failed_Signal(message);
        if (isTransient(error))
            retryInBackground();
    } else {
        if (error == QNetworkReply::ProtocolUnknownError)
            user->reset();
        retryIn(1000);
    }
    emit postState_Signal();
}
