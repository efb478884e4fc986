#pragma once

#include <QObject>
#include <QTimer>
#include <QUrl>
#include <QVariant>

class BackgroundFetch;

// Polls the service's notice page once an hour. A notice is due when the
// page's length differs from the last one seen (last_notification_size)
// and is above kMinimumNoticeBytes; shorter pages only update the stored
// length. The poll runs off the GUI thread; a failed poll changes nothing.
class SimpleNotifications : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFirstPollMs = 10000;
    static constexpr int kPollIntervalMs = 3600000;
    static constexpr int kMinimumNoticeBytes = 32;

    explicit SimpleNotifications(QObject *parent = nullptr);

    // The first poll after kFirstPollMs, then every hour.
    void start();
    // The aborted poll ends without a result; no further polls.
    void stop();
    bool isPolling() const;

    static QUrl noticeUrl();
    // Stores the new length; true when the notice is to be shown.
    static bool takeNoticeSize(int size);

signals:
    // Show the page at `url`.
    void notice_Signal(QUrl url);
    // A poll ended (after notice_Signal when there was one).
    void polled_Signal(bool shown);

public slots:
    void timer_Slot();

private:
    void pollFinished(const QVariant &result);

    QTimer m_timer;
    BackgroundFetch *m_fetch;
};
