#include "LogScrub.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

namespace LogScrub {

namespace {

// An address as it appears in running text: a scheme, "://", then up to the
// next blank or quote.
const QRegularExpression &addressPattern()
{
    static const QRegularExpression pattern(QStringLiteral("[A-Za-z][A-Za-z0-9+.-]*://[^\\s\"'<>]+"));
    return pattern;
}

// Splits "scheme://user:pw@host:port/path?query#fragment" by hand: the text
// may not parse as a URL at all and must still lose its secrets.
struct AddressParts
{
    QString head; // scheme and "://"
    QString userInfo; // with its "@", may be empty
    QString rest; // host, port and path
    QString tail; // query and fragment
};

AddressParts split(const QString &address)
{
    AddressParts parts;
    const int start = address.indexOf(QLatin1String("://")) + 3;
    parts.head = address.left(start);
    int tailStart = address.indexOf(QRegularExpression(QStringLiteral("[?#]")), start);
    if (tailStart < 0)
        tailStart = address.size();
    int authorityEnd = address.indexOf(QLatin1Char('/'), start);
    if (authorityEnd < 0 || authorityEnd > tailStart)
        authorityEnd = tailStart;
    // The last "@" of the authority: a password may hold one.
    const int at = address.lastIndexOf(QLatin1Char('@'), authorityEnd - 1);
    const int hostStart = at >= start ? at + 1 : start;
    parts.userInfo = address.mid(start, hostStart - start);
    parts.rest = address.mid(hostStart, tailStart - hostStart);
    parts.tail = address.mid(tailStart);
    return parts;
}

template<typename Rewrite> QString rewriteAddresses(const QString &text, Rewrite rewrite)
{
    QString result;
    int done = 0;
    QRegularExpressionMatchIterator it = addressPattern().globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        result += text.mid(done, match.capturedStart() - done);
        result += rewrite(split(match.captured()));
        done = match.capturedEnd();
    }
    result += text.mid(done);
    return result;
}

bool isSecretKey(const QString &key)
{
    const QString lower = key.toLower();
    return lower.contains(QLatin1String("token")) || lower.contains(QLatin1String("password"))
        || lower.contains(QLatin1String("secret")) || lower.contains(QLatin1String("email"));
}

QJsonValue masked(const QJsonValue &value)
{
    if (value.isObject()) {
        QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (isSecretKey(it.key()) && !it.value().isObject() && !it.value().isArray())
                it.value() = QStringLiteral("********");
            else
                it.value() = masked(it.value());
        }
        return object;
    }
    if (value.isArray()) {
        QJsonArray array = value.toArray();
        for (int i = 0; i < array.size(); ++i)
            array[i] = masked(array.at(i));
        return array;
    }
    return value;
}

} // namespace

QString url(const QUrl &address)
{
    return address.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment).toString();
}

QString text(const QString &message)
{
    return rewriteAddresses(message, [](const AddressParts &parts) { return parts.head + parts.rest; });
}

QString credentials(const QString &text)
{
    QString result = rewriteAddresses(text, [](const AddressParts &parts) {
        return parts.head + (parts.userInfo.isEmpty() ? QString() : QStringLiteral("<hidden>@")) + parts.rest
            + parts.tail;
    });
    // "user:password@host" without a scheme, as some proxy settings have it.
    static const QRegularExpression bare(QStringLiteral("(^|[\\s,;=])[^\\s/:@,;=]+:[^\\s/,;]*@"));
    result.replace(bare, QStringLiteral("\\1<hidden>@"));
    return result;
}

QByteArray json(const QByteArray &body)
{
    if (body.isEmpty())
        return body;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        // Not JSON: it may still hold a secret somewhere, so only its size is told.
        return QByteArray("<") + QByteArray::number(body.size()) + QByteArray(" bytes, not JSON>");
    if (document.isArray())
        return QJsonDocument(masked(document.array()).toArray()).toJson(QJsonDocument::Compact);
    return QJsonDocument(masked(document.object()).toObject()).toJson(QJsonDocument::Compact);
}

QByteArray body(const QByteArray &body)
{
    const QByteArray masked = json(body);
    if (masked.size() <= kBodyBytes)
        return masked;
    return masked.left(kBodyBytes) + QByteArray("... <") + QByteArray::number(body.size()) + QByteArray(" bytes>");
}

} // namespace LogScrub
