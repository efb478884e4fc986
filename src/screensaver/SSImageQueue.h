#pragma once

#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

class SSImageDelegate;

// The picture queue: a thread that picks the next picture of the active
// playlists, in the tray client's order (read at its start), every display
// interval and hands its path on through loadNewImageSignal (queued to the
// receiver's thread).
class SSImageQueue : public QThread
{
    Q_OBJECT
public:
    explicit SSImageQueue(QObject *parent = nullptr);
    // Stops the loop and joins the thread.
    ~SSImageQueue() override;

    void setDelegate(SSImageDelegate *delegate);
    SSImageDelegate *delegate() const;

    // Seconds each picture stays. A running wait ends at once when it changes.
    void setInterval(int seconds);
    int interval() const;

    // Ends the loop soon (it wakes from its wait); does not join.
    void stop();

    // The interval actually used: a value below 1 would pick pictures in a
    // tight loop, so it means the default of 10 seconds.
    static int effectiveInterval(int seconds);
    static constexpr int kDefaultInterval = 10;

signals:
    void loadNewImageSignal(QString newImage);

protected:
    void run() override;

private:
    SSImageDelegate *m_delegate = nullptr;
    mutable QMutex m_lock;
    QWaitCondition m_wake;
    int m_interval = kDefaultInterval;
    bool m_running = false;
    bool m_stopRequested = false;
};
