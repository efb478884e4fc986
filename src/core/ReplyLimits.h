#pragma once

#include <QElapsedTimer>
#include <QNetworkReply>
#include <QObject>
#include <QTimer>

// Watches one reply and aborts it when it grows past the cap of its kind
// (told by Content-Length up front, else by the bytes as they arrive) or
// when the whole transfer outlasts the network time-out: Qt's own time-out
// only fires on silence, so a reply that drips a byte now and then would
// never end. Past either, exactly one log line, and the reply ends aborted;
// error() then tells a transient network error in its place.
//
//   ReplyLimits::watch(reply, ReplyLimits::Picture);
class ReplyLimits : public QObject
{
    Q_OBJECT
public:
    enum Kind { Json, Picture };
    static constexpr qint64 kJsonCap = 4 * 1024 * 1024;
    static constexpr qint64 kPictureCap = 250 * 1000 * 1000;

    // The watcher is the reply's child and ends with it. The deadline is
    // NetworkPolicy::transferTimeout() from now.
    static ReplyLimits *watch(QNetworkReply *reply, Kind kind);

    static qint64 cap(Kind kind) { return kind == Picture ? kPictureCap : kJsonCap; }
    // Whether a watcher stopped this reply.
    static bool stopped(const QNetworkReply *reply);
    // The reply's error; for a reply stopped here TimeoutError (deadline) or
    // UnknownNetworkError (too large), both taken for a network failure.
    static QNetworkReply::NetworkError error(const QNetworkReply *reply);

private:
    ReplyLimits(QNetworkReply *reply, Kind kind);
    void checkSize(qint64 bytes);
    void stop(QNetworkReply::NetworkError reason, const QString &why);

    QNetworkReply *m_reply;
    Kind m_kind;
    QTimer m_deadline;
};
