#include "ReplyLimits.h"

#include "LogScrub.h"
#include "NetworkPolicy.h"

#include <QDebug>

namespace {

const char *const kStoppedProperty = "fotoria_stoppedBy";

} // namespace

ReplyLimits *ReplyLimits::watch(QNetworkReply *reply, Kind kind)
{
    return reply ? new ReplyLimits(reply, kind) : nullptr;
}

ReplyLimits::ReplyLimits(QNetworkReply *reply, Kind kind)
    : QObject(reply)
    , m_reply(reply)
    , m_kind(kind)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        stop(QNetworkReply::TimeoutError,
            QStringLiteral("not complete after %1 ms").arg(NetworkPolicy::transferTimeout()));
    });
    m_deadline.start(NetworkPolicy::transferTimeout());
    connect(reply, &QNetworkReply::metaDataChanged, this, [this] {
        // An announced size past the cap is refused before any of it is read.
        bool known = false;
        const qint64 length = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known)
            checkSize(length);
    });
    connect(reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) { checkSize(received); });
    // Qt 6 may finish a fast reply before it tells any progress: what
    // waits unread at the end counts too.
    connect(reply, &QNetworkReply::finished, this, [this] {
        m_deadline.stop();
        checkSize(m_reply->bytesAvailable());
    });
}

void ReplyLimits::checkSize(qint64 bytes)
{
    if (bytes > cap(m_kind))
        stop(QNetworkReply::UnknownNetworkError, QStringLiteral("larger than %1 bytes").arg(cap(m_kind)));
}

void ReplyLimits::stop(QNetworkReply::NetworkError reason, const QString &why)
{
    if (stopped(m_reply))
        return;
    m_deadline.stop();
    m_reply->setProperty(kStoppedProperty, int(reason));
    qDebug().noquote() << "ERROR: reply stopped," << why << ":" << LogScrub::url(m_reply->url());
    // The last bytes may come with the end: a finished reply is only marked,
    // and its owner drops the body.
    if (!m_reply->isFinished())
        m_reply->abort();
}

bool ReplyLimits::stopped(const QNetworkReply *reply)
{
    return reply && reply->property(kStoppedProperty).isValid();
}

QNetworkReply::NetworkError ReplyLimits::error(const QNetworkReply *reply)
{
    if (stopped(reply))
        return QNetworkReply::NetworkError(reply->property(kStoppedProperty).toInt());
    return reply ? reply->error() : QNetworkReply::UnknownNetworkError;
}
