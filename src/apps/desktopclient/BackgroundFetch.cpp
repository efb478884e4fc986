#include "BackgroundFetch.h"

#include <io/NetworkManager.h>
#include <platform/CrashHook.h>

#include <QtConcurrent>

BackgroundFetch::BackgroundFetch(QObject *parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<QVariant>::finished, this, &BackgroundFetch::watcherFinished);
}

BackgroundFetch::~BackgroundFetch()
{
    cancel();
}

bool BackgroundFetch::start(Job job)
{
    if (isRunning())
        return false;
    m_busy = true;
    {
        QMutexLocker locker(&m_lock);
        m_cancelled = false;
    }
    m_watcher.setFuture(QtConcurrent::run([this, job = std::move(job)]() -> QVariant {
        platform::installThreadSignalStack();
        NetworkManager manager;
        attach(&manager);
        const QVariant result = job(manager);
        detach();
        return result;
    }));
    return true;
}

bool BackgroundFetch::isRunning() const
{
    return m_busy;
}

void BackgroundFetch::cancel()
{
    {
        QMutexLocker locker(&m_lock);
        m_cancelled = true;
        if (m_manager)
            m_manager->cancel();
    }
    m_watcher.waitForFinished();
    m_busy = false;
}

void BackgroundFetch::attach(NetworkManager *manager)
{
    QMutexLocker locker(&m_lock);
    m_manager = manager;
    // A cancel that came before the manager existed still ends the job.
    if (m_cancelled)
        manager->cancel();
}

void BackgroundFetch::detach()
{
    QMutexLocker locker(&m_lock);
    m_manager = nullptr;
}

void BackgroundFetch::watcherFinished()
{
    // Only the result of the job in hand, and once: a cancelled job's late
    // signal, or one that comes while the next job still runs, is dropped.
    if (!m_busy || !m_watcher.isFinished())
        return;
    m_busy = false;
    {
        QMutexLocker locker(&m_lock);
        if (m_cancelled)
            return;
    }
    emit finished_Signal(m_watcher.result());
}
