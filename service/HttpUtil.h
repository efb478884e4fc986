#pragma once

#include <httplib.h>

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// Small conversions between cpp-httplib's std::string world and Qt.
namespace fotoria::service {

inline QString qs(const std::string &s) { return QString::fromStdString(s); }
inline std::string ss(const QString &s) { return s.toStdString(); }
inline QByteArray qb(const std::string &s) { return QByteArray::fromStdString(s); }

// What a handler needs to know about where a request came in.
struct RequestInfo {
    bool tls = false;
    QString base;     // scheme://host:port as the client addressed us
    QString httpBase; // http://host:<http port>: pictures are always plain HTTP
};

void sendJson(httplib::Response &res, int status, const QJsonObject &object);
void sendMessage(httplib::Response &res, int status, const QString &message);
void sendHtml(httplib::Response &res, const QString &html, int status = 200);
void sendBytes(httplib::Response &res, const QByteArray &bytes, const char *contentType);

// The body as a JSON object or array; null when it is neither.
QJsonValue parseJson(const std::string &body);

// A query parameter, percent-decoded by httplib.
QString param(const httplib::Request &req, const char *name);

// The raw value of a query item as it came on the wire, only %XX decoded:
// analytics documents arrive un-encoded, so "+" must stay "+".
QByteArray rawQueryValue(const std::string &target, const QByteArray &name);

// "host:port" without the scheme, from the Host header (default 127.0.0.1).
QString hostOnly(const httplib::Request &req);

QString htmlEscape(const QString &text);

} // namespace fotoria::service
