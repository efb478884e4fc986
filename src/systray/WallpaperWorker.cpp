#include "WallpaperWorker.h"

#include <platform/CrashHook.h>

WallpaperWorker::WallpaperWorker(Change change, QObject *parent)
    : QThread(parent)
    , m_change(std::move(change))
{
    setObjectName(QStringLiteral("WallpaperWorker"));
}

WallpaperWorker::~WallpaperWorker()
{
    stop();
}

bool WallpaperWorker::request(const WallpaperRequest &request)
{
    QMutexLocker locker(&m_mutex);
    if (m_stopping)
        return false;
    const bool replaced = m_pending.has_value();
    m_pending = request;
    if (!isRunning())
        start();
    m_wake.wakeOne();
    return !replaced;
}

void WallpaperWorker::stop()
{
    {
        QMutexLocker locker(&m_mutex);
        m_stopping = true;
        m_pending.reset();
        m_wake.wakeOne();
    }
    wait();
}

void WallpaperWorker::run()
{
    platform::installThreadSignalStack();
    QMutexLocker locker(&m_mutex);
    for (;;) {
        while (!m_stopping && !m_pending)
            m_wake.wait(&m_mutex);
        if (m_stopping)
            return;
        const WallpaperRequest next = *m_pending;
        m_pending.reset();
        locker.unlock();
        m_change(next);
        locker.relock();
    }
}
