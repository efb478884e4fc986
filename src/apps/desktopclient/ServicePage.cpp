#include "ServicePage.h"

#include <core/LogScrub.h>
#include <core/NetworkPolicy.h>
#include <core/ServiceAddress.h>

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QWebFrame>

#include <memory>

ServicePage::ServicePage(QObject *parent)
    : QWebPage(parent)
{
    connect(networkAccessManager(), &QNetworkAccessManager::sslErrors, this,
        [](QNetworkReply *reply, const QList<QSslError> &errors) {
            NetworkPolicy::handleSslErrors(reply, errors);
        });
    // A page that never answers ends like any other request of the program.
    networkAccessManager()->setTransferTimeout(NetworkPolicy::transferTimeout());
    // The view shows an error page or nothing; the log says what failed.
    // Shared by the two handlers, not a member: the base class still ends
    // loads (and so calls them) after this class's members are gone.
    const auto lastAddress = std::make_shared<QUrl>();
    connect(networkAccessManager(), &QNetworkAccessManager::finished, this,
        [lastAddress](QNetworkReply *reply) {
        *lastAddress = reply->url();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status >= 400 || reply->error() != QNetworkReply::NoError)
            qDebug().noquote() << "ServicePage: not loaded:" << LogScrub::url(reply->url())
                               << (status >= 400 ? QStringLiteral("the service answered %1").arg(status)
                                                 : LogScrub::text(reply->errorString()));
    });
    // Given up by the engine itself (endless redirects, say): no reply failed.
    connect(this, &QWebPage::loadFinished, this, [lastAddress](bool ok) {
        if (!ok)
            qDebug().noquote() << "ServicePage: page not loaded, last address:"
                               << LogScrub::url(*lastAddress);
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
