#include "RequestGuard.h"

#include "ServicePage.h"

#include <core/LogScrub.h>
#include <core/ServiceAddress.h>

#include <QDebug>
#include <QUrlQuery>

void RequestGuard::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    const auto type = info.resourceType();
    const bool isFrame = type == QWebEngineUrlRequestInfo::ResourceTypeMainFrame
        || type == QWebEngineUrlRequestInfo::ResourceTypeSubFrame;
    if (!refuses(info.requestUrl(), isFrame, info.firstPartyUrl()))
        return;
    qDebug().noquote() << "RequestGuard: refused" << LogScrub::url(info.requestUrl());
    info.block(true);
}

bool RequestGuard::refuses(const QUrl &url, bool isFrame, const QUrl &document)
{
    // Our own failure page comes as data; the pages decide on such
    // documents (ServicePage), nothing of them goes over the network.
    if (ServiceAddress::isServiceOrigin(url) || url.scheme() == QLatin1String("data"))
        return false;
    if (isFrame)
        return !ServicePage::isAllowedInView(url);
    return QUrlQuery(document).hasQueryItem(QStringLiteral("auth_token"));
}
