#pragma once

#include <httplib.h>

#include <QByteArray>
#include <QJsonValue>

namespace fotoria::service {

// The JSON document carried Base64-encoded in "data". Clients send it
// without percent-encoding, so "+" may arrive as "+" or, after a form
// decoder, as " ". Null when there is no readable document.
QJsonValue decodeAnalyticsData(const QByteArray &data);

// The document of a /track or /engage request (query, or a form body).
QJsonValue decodeAnalyticsRequest(const httplib::Request &req);

} // namespace fotoria::service
