#pragma once

#include <QFutureWatcher>
#include <QMutex>
#include <QObject>
#include <QVariant>

#include <functional>

class NetworkManager;

// Runs one blocking service request on a pool thread, so a slow or hanging
// service never freezes the windows. The job gets a NetworkManager of its
// own; cancel() aborts its transfer from the GUI thread and waits for the
// job, and the destructor does the same. At most one job at a time.
class BackgroundFetch : public QObject
{
    Q_OBJECT
public:
    using Job = std::function<QVariant(NetworkManager &)>;

    explicit BackgroundFetch(QObject *parent = nullptr);
    ~BackgroundFetch() override;

    // False (and nothing started) while a job still runs.
    bool start(Job job);
    // From start() until its result has been delivered (or cancel()): the
    // pool thread may be done while finished_Signal still waits in the
    // event queue.
    bool isRunning() const;
    // The job ends at once as a failure; its result is dropped.
    void cancel();

signals:
    // The job's result, on the GUI thread; not emitted after cancel().
    void finished_Signal(QVariant result);

private:
    void attach(NetworkManager *manager);
    void detach();
    void watcherFinished();

    QFutureWatcher<QVariant> m_watcher;
    QMutex m_lock;
    NetworkManager *m_manager = nullptr; // the job's, while it runs; m_lock
    bool m_cancelled = false; // m_lock
    bool m_busy = false; // GUI thread
};
