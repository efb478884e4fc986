#pragma once

#include <QMutex>
#include <QThread>
#include <QWaitCondition>

class NetworkManager;

// What the library workers share: a stop that wakes the worker, ends its
// transfer in flight and joins it; a condition to sleep on while idle; and a
// bound on the results that wait on the GUI thread, so that a long listing
// never floods it.
//
// Threads: stop(), consumed() and the subclasses' request functions are
// called on the GUI thread; work() and everything it calls run on the
// worker thread.
class CAWorkerThread : public QThread
{
    Q_OBJECT
public:
    explicit CAWorkerThread(QObject *parent = nullptr);
    // Stops and joins; subclasses call stop() in their own destructors
    // too, before their fields go.
    ~CAWorkerThread() override;

    // GUI thread: ends the worker for good (a later start does nothing):
    // wakes it, cancels its transfer in flight, waits for it. Harmless twice.
    void stop();
    bool isStopped() const;

    // GUI thread: starts the worker unless it runs or was stopped.
    void startWorker();

    // GUI thread: one reported result has been handled (see waitForRoom()).
    void consumed();

protected:
    // Worker thread: the loop; returns when isStopped() says so.
    virtual void work() = 0;

    // Worker thread: waits until `ready()` (called with m_mutex held) is
    // true or the worker is stopped; true when ready. Wake it with wake().
    template<typename Ready> bool waitFor(Ready ready)
    {
        QMutexLocker locker(&m_mutex);
        while (!m_stopped && !ready())
            m_wakeUp.wait(&m_mutex);
        return !m_stopped;
    }
    // Any thread, m_mutex not held.
    void wake();

    // Worker thread: waits until fewer than kMaxInFlight results wait on
    // the GUI thread and counts one more; false when stopped. The facade
    // calls consumed() once it has re-emitted a result.
    bool waitForRoom();

    // Worker thread: this run's network object (cache 50), made on first use.
    NetworkManager *network();

    // Guards the subclasses' queues and the fields below.
    mutable QMutex m_mutex;
    QWaitCondition m_wakeUp;

private:
    void run() final;

    static constexpr int kMaxInFlight = 4;
    bool m_stopped = false;
    int m_inFlight = 0;
    NetworkManager *m_network = nullptr;
};
