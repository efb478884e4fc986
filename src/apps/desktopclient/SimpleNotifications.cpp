#include "SimpleNotifications.h"

#include "BackgroundFetch.h"

#include <core/ServiceAddress.h>
#include <core/Settings.h>
#include <io/NetworkManager.h>

namespace {
const QString kSizeKey = QStringLiteral("last_notification_size");
const QString kNoticePath = QStringLiteral("/notifications");
} // namespace

SimpleNotifications::SimpleNotifications(QObject *parent)
    : QObject(parent)
    , m_fetch(new BackgroundFetch(this))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SimpleNotifications::timer_Slot);
    connect(m_fetch, &BackgroundFetch::finished_Signal, this, &SimpleNotifications::pollFinished);
}

void SimpleNotifications::start()
{
    m_timer.start(kFirstPollMs);
}

void SimpleNotifications::stop()
{
    m_timer.stop();
    m_fetch->cancel();
}

bool SimpleNotifications::isPolling() const
{
    return m_fetch->isRunning();
}

QUrl SimpleNotifications::noticeUrl()
{
    QString base = ServiceAddress::serviceUrl();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base + kNoticePath);
}

bool SimpleNotifications::takeNoticeSize(int size)
{
    if (size == Settings::getInt(kSizeKey, 0))
        return false;
    Settings::setValue(kSizeKey, size);
    return size > kMinimumNoticeBytes;
}

void SimpleNotifications::timer_Slot()
{
    // Re-armed first: whatever the poll gives, the next one comes in an hour.
    m_timer.start(kPollIntervalMs);
    m_fetch->start([](NetworkManager &network) -> QVariant {
        bool ok = false;
        const QByteArray body = network.get(QString(), kNoticePath, &ok);
        return ok ? QVariant(body.size()) : QVariant();
    });
}

void SimpleNotifications::pollFinished(const QVariant &result)
{
    const int size = result.toInt();
    const bool shown = result.isValid() && size > 0 && takeNoticeSize(size);
    if (shown)
        emit notice_Signal(noticeUrl());
    emit polled_Signal(shown);
}
