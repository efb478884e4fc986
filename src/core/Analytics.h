#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;
class User;

// Usage events and the account profile, sent to a Mixpanel-style service as
// one GET each, the JSON document Base64-encoded in the "data" query item.
// Fire and forget: replies are only logged. GUI thread only.
//
// Nothing is sent when kSendAnalytics (default true) is false or the process
// runs in development mode. The endpoints' root is kAnalyticsUrl (see
// ServiceAddress.h).
class Analytics : public QObject
{
    Q_OBJECT
public:
    static Analytics *instance();

    static void post(const QString &event, const QMap<QString, QVariant> &properties = {});
    static void registerUser(User *user);

    // The persistent anonymous identity; the first call stores a new one.
    static QString distinctId();
    // A "devmarkerfile.txt" or "Qt5Cored.dll" in the working directory:
    // a developer's run, which reports nothing.
    static bool isDevelopmentMode();
    static bool isSendingEnabled();

    static QByteArray eventDocument(const QString &event, const QMap<QString, QVariant> &properties);
    static QByteArray profileDocument(User *user);

    static void startup();
    static void firstTime();
    static void crashed();
    static void playScreensaver();
    static void wallpaper(const QString &category, const QString &uuid, bool fromCatalog);
    static void download(const QString &category, const QString &uuid);
    static void playlist(const QString &category, const QString &uuid);
    static void favorite(const QString &category, const QString &uuid);
    static void share(const QString &category, const QString &uuid, bool fromCatalog);
    // After a successful sign-in: "d-login" and the profile, for a person
    // only; the shared service account reports neither.
    static void login(User *user);

    // Sends one prepared GET at once; post and registerUser go through here.
    void sendNow(const QUrl &url);

public slots:
    void replyFinished(QNetworkReply *reply);

private:
    Analytics();

    QNetworkAccessManager *m_manager;
};
