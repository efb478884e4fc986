#include "GalleryPage.h"

#include "ScriptBridge.h"

#include <core/AppInfo.h>
#include <core/CookieJar.h>
#include <core/NetworkPolicy.h>
#include <core/ServiceAddress.h>

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QWebFrame>

GalleryPage::GalleryPage(ScriptBridge *bridge, CookieJar *cookies, QObject *parent)
    : QWebPage(parent)
    , m_bridge(bridge)
{
    QNetworkAccessManager *manager = networkAccessManager();
    // The access manager takes the jar over: it goes (and saves what is
    // pending) with the page.
    if (cookies)
        manager->setCookieJar(cookies);
    connect(manager, &QNetworkAccessManager::sslErrors, this,
        [](QNetworkReply *reply, const QList<QSslError> &errors) {
            NetworkPolicy::handleSslErrors(reply, errors);
        });
    connect(mainFrame(), &QWebFrame::javaScriptWindowObjectCleared, this, &GalleryPage::attachBridge);
}

bool GalleryPage::isAllowedInView(const QUrl &url)
{
    return url.isEmpty() || url == QUrl(QStringLiteral("about:blank"))
        || ServiceAddress::isServiceOrigin(url);
}

bool GalleryPage::acceptNavigationRequest(
    QWebFrame *frame, const QNetworkRequest &request, NavigationType type)
{
    const QUrl url = request.url();
    if (isAllowedInView(url))
        return QWebPage::acceptNavigationRequest(frame, request, type);
    if (frame == mainFrame() || !frame) {
        // Links only: a page may not push the user's browser to places on
        // its own.
        if (type == NavigationTypeLinkClicked
            && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")))
            emit externalLink_Signal(url);
        else
            qDebug() << "GalleryPage: kept out of the view:"
                     << url.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo);
    }
    return false;
}

QString GalleryPage::userAgentForUrl(const QUrl &url) const
{
    return QWebPage::userAgentForUrl(url) + QStringLiteral(" FotoriaDesktop/") + AppInfo::version;
}

void GalleryPage::attachBridge()
{
    QWebFrame *frame = mainFrame();
    const QUrl url = frame->url();
    const bool attach = ServiceAddress::isServiceOrigin(url);
    if (attach)
        frame->addToJavaScriptWindowObject(QStringLiteral("native_bridge"), m_bridge);
    else
        qDebug() << "GalleryPage: no bridge for" << url.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo);
    emit bridgeAttached_Signal(attach);
}
