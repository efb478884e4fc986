#pragma once

#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QSslError>
#include <QString>

class QNetworkAccessManager;

// Signs the client in, asynchronously, and reports the outcome through
// authAttempt_Signal: NoError and "No Error" on success, else the reply's
// error code (or ProtocolUnknownError for an incomplete answer) with the
// service's "message" or "Unknown Error". A 3xx is UnknownServerError; a
// reply past its size cap or the network time-out is a network error
// (ReplyLimits). GUI thread only.
class ProtocolManager : public QObject
{
    Q_OBJECT
public:
    static ProtocolManager *instance();

    // With byToken, `secret` is a stored token that is checked against the
    // account of User::uuid(); otherwise a password.
    void login(const QString &user, const QString &secret, bool byToken);
    void loginServiceAccount();

    // The sign-in request body ("email" or "fotoria_username", "password",
    // "desktop_version").
    static QByteArray loginBody(const QString &user, const QString &secret);
    // A reply body fit for the log: token, password and e-mail values masked,
    // only its first 2 KiB.
    static QByteArray maskSecrets(const QByteArray &body);

signals:
    // byToken: the attempt checked a stored token (else a password).
    void authAttempt_Signal(QNetworkReply::NetworkError error, QString errorStr, bool byToken);

public slots:
    void loginCompleted_Slot();
    void error(QNetworkReply::NetworkError code);
    void sslErrors(const QList<QSslError> &errors);

private:
    ProtocolManager();

    QNetworkAccessManager *m_manager;
};
