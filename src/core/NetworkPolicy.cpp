#include "NetworkPolicy.h"

#include "Settings.h"

#include <QDebug>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace NetworkPolicy {

int transferTimeout()
{
    const int ms = Settings::getInt(QStringLiteral("kNetworkTimeout"), 60000);
    return ms > 0 ? ms : 60000;
}

void apply(QNetworkRequest &request)
{
    if (request.transferTimeout() == 0)
        request.setTransferTimeout(transferTimeout());
    // Bodies come as sent, so ReplyLimits counts the bytes that are kept.
    // Qt 6.8 also ends a brotli body past 4 MiB early without an error.
    request.setRawHeader("Accept-Encoding", "identity");
}

bool ignoresSslErrors()
{
    return Settings::getBool(QStringLiteral("kIgnoreSslErrors"), false);
}

void handleSslErrors(QNetworkReply *reply, const QList<QSslError> &errors)
{
    const bool ignore = ignoresSslErrors();
    qDebug() << (ignore ? "ignoring ssl errors:" : "ssl errors, request refused:");
    for (const QSslError &e : errors)
        qDebug() << e.errorString();
    if (ignore && reply)
        reply->ignoreSslErrors();
}

} // namespace NetworkPolicy
