#include "SSImageQueue.h"

#include <core/ImageStore.h>
#include <core/PictureOrder.h>
#include <platform/CrashHook.h>

#include <QDeadlineTimer>
#include <QMutexLocker>

#include <memory>

SSImageQueue::SSImageQueue(QObject *parent)
    : QThread(parent)
{
}

SSImageQueue::~SSImageQueue()
{
    stop();
    wait();
}

void SSImageQueue::setDelegate(SSImageDelegate *delegate)
{
    QMutexLocker locker(&m_lock);
    m_delegate = delegate;
}

SSImageDelegate *SSImageQueue::delegate() const
{
    QMutexLocker locker(&m_lock);
    return m_delegate;
}

void SSImageQueue::setInterval(int seconds)
{
    QMutexLocker locker(&m_lock);
    m_interval = effectiveInterval(seconds);
    m_wake.wakeAll();
}

int SSImageQueue::interval() const
{
    QMutexLocker locker(&m_lock);
    return m_interval;
}

void SSImageQueue::stop()
{
    QMutexLocker locker(&m_lock);
    m_stopRequested = true;
    m_running = false;
    m_wake.wakeAll();
}

int SSImageQueue::effectiveInterval(int seconds)
{
    return seconds < 1 ? kDefaultInterval : seconds;
}

void SSImageQueue::run()
{
    platform::installThreadSignalStack();
    {
        QMutexLocker locker(&m_lock);
        m_running = !m_stopRequested;
    }
    // The tray client's order, as it is at the start; the place is our own.
    const WallpaperOptions::Order order = WallpaperOptions::trayClientOrder();
    std::unique_ptr<PictureOrder> pictures;
    for (;;) {
        {
            QMutexLocker locker(&m_lock);
            if (!m_running)
                return;
        }
        // The first pick builds the store, on this thread, from the index
        // and the playlist folders.
        if (!pictures)
            pictures = std::make_unique<PictureOrder>(ImageStore::instance(), PictureOrder::defaultStateFile());
        const QString path = pictures->next(order);
        emit loadNewImageSignal(path);

        // Wait one interval; a change of the interval ends the wait early.
        QMutexLocker locker(&m_lock);
        const int waited = m_interval;
        QDeadlineTimer deadline(qint64(waited) * 1000);
        while (m_running && m_interval == waited && !deadline.hasExpired())
            m_wake.wait(&m_lock, deadline);
    }
}
