#include "WebCookieSync.h"

#include <core/CookieJar.h>

#include <QNetworkCookie>
#include <QUrl>
#include <QWebEngineCookieStore>

WebCookieSync::WebCookieSync(QWebEngineCookieStore *store, CookieJar *jar, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_jar(jar)
{
    const QList<QNetworkCookie> stored = m_jar->cookies();
    for (QNetworkCookie cookie : stored) {
        const QUrl address = addressOf(cookie);
        // A domain without a leading dot is the host's alone; the engine
        // would read a domain as a Domain attribute, valid for subdomains too.
        if (!cookie.domain().startsWith(QLatin1Char('.')))
            cookie.setDomain(QString());
        m_store->setCookie(cookie, address);
    }
    connect(m_store, &QWebEngineCookieStore::cookieAdded, this, &WebCookieSync::added);
    connect(m_store, &QWebEngineCookieStore::cookieRemoved, this, &WebCookieSync::removed);
}

QUrl WebCookieSync::addressOf(const QNetworkCookie &cookie)
{
    QString host = cookie.domain();
    while (host.startsWith(QLatin1Char('.')))
        host.remove(0, 1);
    QUrl url;
    url.setScheme(cookie.isSecure() ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(host);
    url.setPath(cookie.path().isEmpty() ? QStringLiteral("/") : cookie.path());
    return url;
}

void WebCookieSync::added(const QNetworkCookie &cookie)
{
    // The store announces the jar's own cookies too: those are no change.
    if (m_jar->holds(cookie))
        return;
    m_jar->setCookiesFromUrl({ cookie }, addressOf(cookie));
    if (!m_jar->holds(cookie))
        m_store->deleteCookie(cookie, addressOf(cookie));
}

void WebCookieSync::removed(const QNetworkCookie &cookie)
{
    m_jar->removeCookie(cookie);
}
