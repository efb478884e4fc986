#include "AnalyticsDecoder.h"

#include "HttpUtil.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace fotoria::service {

QJsonValue decodeAnalyticsData(const QByteArray &data)
{
    QByteArray text = data.trimmed();
    text.replace(' ', '+');
    if (text.isEmpty())
        return QJsonValue(QJsonValue::Null);
    const auto options = text.contains('-') || text.contains('_') ? QByteArray::Base64UrlEncoding
                                                                   : QByteArray::Base64Encoding;
    const auto result = QByteArray::fromBase64Encoding(text, options | QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return QJsonValue(QJsonValue::Null);
    return parseJson(result.decoded.toStdString());
}

QJsonValue decodeAnalyticsRequest(const httplib::Request &req)
{
    QByteArray data = rawQueryValue(req.target, "data");
    if (data.isEmpty() && !req.body.empty())
        data = rawQueryValue("?" + req.body, "data");
    return decodeAnalyticsData(data);
}

} // namespace fotoria::service
