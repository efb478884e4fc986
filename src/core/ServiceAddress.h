#pragma once

#include <QString>
#include <QUrl>

// Where the client's outside services live. Each is read from the settings
// store at the moment of use, so a changed setting applies to the next request.
//
//   kServiceUrl        the REST service (default AppInfo::defaultServiceUrl)
//   kAnalyticsUrl      root of the analytics "/track" and "/engage" endpoints;
//                      default: the service's host over plain http
//   kLogCollectionUrl  root of the problem-report input "/inputs/<token>";
//                      default: the service's root
namespace ServiceAddress {

QString serviceUrl();
// True when `url` has the service's own scheme, host and port (the default
// port of the scheme when none is given). Only such addresses are sent the
// account's token, and only such pages are offered the script bridge.
bool isServiceOrigin(const QUrl &url);
QUrl analyticsUrl(const QString &endpointPath);
QUrl logCollectionUrl(const QString &inputToken);

} // namespace ServiceAddress
