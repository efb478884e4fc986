#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QTimer>

// Decides which sign-in to start and what a result means: the shared
// service account is tried three times, one second apart, before an error
// is shown; a person's account signs in with its stored token or through the
// login dialog. When the service cannot be reached (a tray client often
// starts before the network is up), it keeps trying in the background, less
// often each time. No widgets: the controller turns the signals into windows.
class SignInSequence : public QObject
{
    Q_OBJECT
public:
    explicit SignInSequence(QObject *parent = nullptr);

    int attemptsLeft() const { return m_loginAttempts; }
    // A sign-in succeeded in this run (any account).
    bool signedInThisRun() const { return m_signedInThisRun; }

    // The text shown for a failed sign-in.
    static QString errorMessage(QNetworkReply::NetworkError error, const QString &errorStr);
    // Shown when the service no longer takes the stored token.
    static QString expiredMessage();

    // The first background try after the quick ones failed; it doubles up to
    // kLongestRetryMs.
    void setFirstRetryDelay(int ms) { m_firstRetryMs = ms; }
    static constexpr int kFirstRetryMs = 30 * 1000;
    static constexpr int kLongestRetryMs = 10 * 60 * 1000;

signals:
    void signedIn_Signal();
    void failed_Signal(QString message);
    // The service cannot be reached; the next background try is `retryMs` away.
    void unreachable_Signal(int retryMs);
    // Nothing stored to sign in with: the person is to be asked.
    void loginDialogRequested_Signal();
    // After every result.
    void postState_Signal();

public slots:
    // The first sign-in, one second from now. A person who did not ask to
    // be remembered is signed out first: the shared account takes over.
    void start();
    void delayedLogin_Slot();
    void login_Slot();
    void logout_Slot();
    void loginClosed_Slot();
    void userUpdated_Slot();
    // "Try again": the waiting background try, now.
    void retryNow();
    // byToken: the attempt checked the stored token (ProtocolManager tells
    // it with each reply, so attempts in flight together keep apart).
    void authAttempt_Slot(QNetworkReply::NetworkError error, QString errorStr, bool byToken);

private:
    void retryIn(int ms);
    void retryInBackground();
    void backgroundTry();
    // The stored account's token, checked by the service.
    void signInWithToken();

    int m_loginAttempts = 3;
    bool m_signedInThisRun = false;
    bool m_personSignedIn = false;
    int m_firstRetryMs = kFirstRetryMs;
    int m_nextRetryMs = 0;
    QTimer m_backgroundRetry;
};
