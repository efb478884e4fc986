#include "ServiceAddress.h"

#include "AppInfo.h"
#include "Settings.h"

namespace ServiceAddress {

namespace {

QUrl withPath(const QString &root, const QString &path)
{
    QUrl url(root, QUrl::TolerantMode);
    QString base = url.path();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    url.setPath(base + path);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

} // namespace

QString serviceUrl()
{
    return Settings::getString(QStringLiteral("kServiceUrl"), AppInfo::defaultServiceUrl);
}

bool isServiceOrigin(const QUrl &url)
{
    const QUrl service(serviceUrl(), QUrl::TolerantMode);
    const auto defaultPort = [](const QUrl &u) {
        return u.port(u.scheme() == QLatin1String("https") ? 443 : u.scheme() == QLatin1String("http") ? 80 : -1);
    };
    return url.isValid() && !url.host().isEmpty()
        && url.scheme().compare(service.scheme(), Qt::CaseInsensitive) == 0
        && url.host().compare(service.host(), Qt::CaseInsensitive) == 0 && defaultPort(url) == defaultPort(service);
}

QUrl analyticsUrl(const QString &endpointPath)
{
    QString root = Settings::getString(QStringLiteral("kAnalyticsUrl"), QString());
    if (root.isEmpty()) {
        // The service's host over plain http; a plain-http service keeps its
        // port, an https one would have the wrong port for plain http.
        const QUrl service(serviceUrl(), QUrl::TolerantMode);
        QUrl url;
        url.setScheme(QStringLiteral("http"));
        url.setHost(service.host());
        if (service.scheme() == QLatin1String("http"))
            url.setPort(service.port());
        root = url.toString();
    }
    return withPath(root, endpointPath);
}

QUrl logCollectionUrl(const QString &inputToken)
{
    QString root = Settings::getString(QStringLiteral("kLogCollectionUrl"), QString());
    if (root.isEmpty()) {
        const QUrl service(serviceUrl(), QUrl::TolerantMode);
        root = service.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment).toString();
    }
    return withPath(root, QStringLiteral("/inputs/") + inputToken);
}

} // namespace ServiceAddress
