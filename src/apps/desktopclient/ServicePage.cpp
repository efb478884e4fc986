#include "ServicePage.h"

#include <core/NetworkPolicy.h>
#include <core/ServiceAddress.h>

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QWebFrame>

ServicePage::ServicePage(QObject *parent)
    : QWebPage(parent)
{
    connect(networkAccessManager(), &QNetworkAccessManager::sslErrors, this,
        [](QNetworkReply *reply, const QList<QSslError> &errors) {
            NetworkPolicy::handleSslErrors(reply, errors);
        });
}

bool ServicePage::isAllowedInView(const QUrl &url)
{
    return url.isEmpty() || url == QUrl(QStringLiteral("about:blank"))
        || ServiceAddress::isServiceOrigin(url);
}

bool ServicePage::opensInBrowser(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https")
            || scheme == QLatin1String("mailto"));
}

bool ServicePage::acceptNavigationRequest(
    QWebFrame *frame, const QNetworkRequest &request, NavigationType type)
{
    const QUrl url = request.url();
    if (isAllowedInView(url))
        return QWebPage::acceptNavigationRequest(frame, request, type);
    // Only the user's own click may send the browser somewhere.
    if (type == NavigationTypeLinkClicked && opensInBrowser(url))
        emit externalLink_Signal(url);
    else
        qDebug() << "ServicePage: kept out of the view:"
                 << url.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo);
    return false;
}
