#include "HttpUtil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace fotoria::service {

void sendJson(httplib::Response &res, int status, const QJsonObject &object)
{
    res.status = status;
    res.set_content(QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString(),
                    "application/json");
}

void sendMessage(httplib::Response &res, int status, const QString &message)
{
    sendJson(res, status, QJsonObject{{QStringLiteral("message"), message}});
}

void sendHtml(httplib::Response &res, const QString &html, int status)
{
    res.status = status;
    res.set_content(html.toStdString(), "text/html; charset=utf-8");
}

void sendBytes(httplib::Response &res, const QByteArray &bytes, const char *contentType)
{
    res.status = 200;
    res.set_content(bytes.constData(), size_t(bytes.size()), contentType);
}

QJsonValue parseJson(const std::string &body)
{
    if (body.empty())
        return QJsonValue(QJsonValue::Null);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(qb(body), &error);
    if (error.error != QJsonParseError::NoError)
        return QJsonValue(QJsonValue::Null);
    if (doc.isObject())
        return doc.object();
    if (doc.isArray())
        return doc.array();
    return QJsonValue(QJsonValue::Null);
}

QString param(const httplib::Request &req, const char *name)
{
    return req.has_param(name) ? qs(req.get_param_value(name)) : QString();
}

QByteArray rawQueryValue(const std::string &target, const QByteArray &name)
{
    const QByteArray t = qb(target);
    const int q = t.indexOf('?');
    if (q < 0)
        return QByteArray();
    const QList<QByteArray> items = t.mid(q + 1).split('&');
    for (const QByteArray &item : items) {
        const int eq = item.indexOf('=');
        const QByteArray key = eq < 0 ? item : item.left(eq);
        if (key != name)
            continue;
        // The value runs to the end of the item, "=" padding included.
        return QByteArray::fromPercentEncoding(eq < 0 ? QByteArray() : item.mid(eq + 1));
    }
    return QByteArray();
}

QString hostOnly(const httplib::Request &req)
{
    const QString host = qs(req.get_header_value("Host")).trimmed();
    return host.isEmpty() ? QStringLiteral("127.0.0.1") : host;
}

QString htmlEscape(const QString &text)
{
    return text.toHtmlEscaped();
}

} // namespace fotoria::service
