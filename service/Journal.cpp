#include "Journal.h"

#include "HttpUtil.h"

#include <QDateTime>
#include <QJsonObject>

namespace fotoria::service {

void Journal::record(const httplib::Request &req, bool tls, const QJsonValue &decoded)
{
    // From the raw target, so values read exactly as sent: a "+" stays a "+".
    QJsonObject query;
    const QByteArray target = qb(req.target);
    const int q = target.indexOf('?');
    if (q >= 0) {
        const QList<QByteArray> items = target.mid(q + 1).split('&');
        for (const QByteArray &item : items) {
            if (item.isEmpty())
                continue;
            const int eq = item.indexOf('=');
            const QByteArray key = QByteArray::fromPercentEncoding(eq < 0 ? item : item.left(eq));
            const QByteArray value = eq < 0 ? QByteArray() : QByteArray::fromPercentEncoding(item.mid(eq + 1));
            query.insert(QString::fromUtf8(key), QString::fromUtf8(value));
        }
    }

    QJsonObject headers;
    for (const auto &h : req.headers) {
        const QString name = qs(h.first).toLower();
        // httplib's own bookkeeping entries, not sent by the client.
        if (name == QLatin1String("local_addr") || name == QLatin1String("local_port")
            || name == QLatin1String("remote_addr") || name == QLatin1String("remote_port"))
            continue;
        const QString value = qs(h.second);
        const QString before = headers.value(name).toString();
        headers.insert(name, before.isEmpty() ? value : before + QStringLiteral(", ") + value);
    }

    QJsonObject entry{
        {QStringLiteral("method"), qs(req.method)},
        {QStringLiteral("path"), qs(req.path)},
        {QStringLiteral("target"), qs(req.target)},
        {QStringLiteral("query"), query},
        {QStringLiteral("headers"), headers},
        {QStringLiteral("body"), QString::fromUtf8(qb(req.body))},
        {QStringLiteral("json"), parseJson(req.body)},
        {QStringLiteral("decoded"), decoded},
        {QStringLiteral("tls"), tls},
        {QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
    };

    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_entries.size() >= kMaxEntries)
        m_entries.removeFirst();
    m_entries.append(entry);
}

QJsonArray Journal::entries() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries;
}

void Journal::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries = QJsonArray();
}

} // namespace fotoria::service
