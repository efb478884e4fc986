#include "CAWorkerThread.h"

#include <io/NetworkManager.h>
#include <platform/CrashHook.h>

CAWorkerThread::CAWorkerThread(QObject *parent)
    : QThread(parent)
{
}

CAWorkerThread::~CAWorkerThread()
{
    stop();
}

void CAWorkerThread::stop()
{
    {
        QMutexLocker locker(&m_mutex);
        m_stopped = true;
        if (m_network)
            m_network->cancel();
        m_wakeUp.wakeAll();
    }
    wait();
}

bool CAWorkerThread::isStopped() const
{
    QMutexLocker locker(&m_mutex);
    return m_stopped;
}

void CAWorkerThread::startWorker()
{
    if (!isStopped() && !isRunning())
        start(QThread::InheritPriority);
}

void CAWorkerThread::consumed()
{
    QMutexLocker locker(&m_mutex);
    if (m_inFlight > 0)
        --m_inFlight;
    m_wakeUp.wakeAll();
}

void CAWorkerThread::wake()
{
    QMutexLocker locker(&m_mutex);
    m_wakeUp.wakeAll();
}

bool CAWorkerThread::waitForRoom()
{
    QMutexLocker locker(&m_mutex);
    while (!m_stopped && m_inFlight >= kMaxInFlight)
        m_wakeUp.wait(&m_mutex);
    if (m_stopped)
        return false;
    ++m_inFlight;
    return true;
}

NetworkManager *CAWorkerThread::network()
{
    // Only this thread writes m_network; stop() reads it under the lock.
    if (!m_network) {
        auto *made = new NetworkManager(nullptr, 50);
        QMutexLocker locker(&m_mutex);
        m_network = made;
        // A stop that came before the object existed still counts.
        if (m_stopped)
            made->cancel();
    }
    return m_network;
}

void CAWorkerThread::run()
{
    platform::installThreadSignalStack();
    work();
    NetworkManager *network = nullptr;
    {
        QMutexLocker locker(&m_mutex);
        std::swap(network, m_network);
    }
    // Made on this thread, so it goes on this thread.
    delete network;
}
