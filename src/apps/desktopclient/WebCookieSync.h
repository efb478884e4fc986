#pragma once

#include <QObject>

class CookieJar;
class QNetworkCookie;
class QUrl;
class QWebEngineCookieStore;

// Keeps the web engine's cookie store and the program's cookie jar alike.
// The jar decides (its policies) and keeps (its file, its saver); the engine
// never writes cookies of its own. At start the store gets the jar's
// cookies; then every cookie the engine takes or drops goes to the jar, and
// one the jar refuses is dropped from the store again.
class WebCookieSync : public QObject
{
    Q_OBJECT
public:
    WebCookieSync(QWebEngineCookieStore *store, CookieJar *jar, QObject *parent = nullptr);

    // The address a cookie belongs to, for the jar's host rules.
    static QUrl addressOf(const QNetworkCookie &cookie);

private:
    void added(const QNetworkCookie &cookie);
    void removed(const QNetworkCookie &cookie);

    QWebEngineCookieStore *m_store;
    CookieJar *m_jar;
};
