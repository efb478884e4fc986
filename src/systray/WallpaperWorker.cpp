#include "WallpaperWorker.h"

#include <platform/CrashHook.h>

#include <utility>

WallpaperWorker::WallpaperWorker(Change change, Change prepare, QObject *parent)
    : QThread(parent)
    , m_change(std::move(change))
    , m_prepare(std::move(prepare))
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
    m_preparation.reset();
    if (!isRunning())
        start();
    m_wake.wakeOne();
    return !replaced;
}

void WallpaperWorker::prepare(const WallpaperRequest &request)
{
    QMutexLocker locker(&m_mutex);
    if (m_stopping)
        return;
    m_preparation = request;
    if (!isRunning())
        start();
    m_wake.wakeOne();
}

void WallpaperWorker::stop()
{
    {
        QMutexLocker locker(&m_mutex);
        m_stopping = true;
        m_pending.reset();
        m_preparation.reset();
        m_wake.wakeOne();
    }
    wait();
}

void WallpaperWorker::run()
{
    platform::installThreadSignalStack();
    QMutexLocker locker(&m_mutex);
    for (;;) {
        while (!m_stopping && !m_pending && !m_preparation)
            m_wake.wait(&m_mutex);
        if (m_stopping)
            return;
        const bool change = m_pending.has_value();
        const WallpaperRequest next = change ? *std::exchange(m_pending, std::nullopt)
                                             : *std::exchange(m_preparation, std::nullopt);
        locker.unlock();
        (change ? m_change : m_prepare)(next);
        locker.relock();
    }
}
