#include "GalleryPage.h"

#include "ScriptBridge.h"

#include <core/AppInfo.h>
#include <core/CookieJar.h>
#include <core/ServiceAddress.h>

#include <QDebug>
#include <QNetworkAccessManager>
#include <QWebFrame>

GalleryPage::GalleryPage(ScriptBridge *bridge, CookieJar *cookies, QObject *parent)
    : ServicePage(parent)
    , m_bridge(bridge)
{
    // The access manager takes the jar over: it goes (and saves what is
    // pending) with the page.
    if (cookies)
        networkAccessManager()->setCookieJar(cookies);
    connect(mainFrame(), &QWebFrame::javaScriptWindowObjectCleared, this, &GalleryPage::attachBridge);
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
