#pragma once

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QObject>

// Delays the save of its parent after a change, so that a burst of changes
// costs one write: the parent's slot save() runs `delayMs` after the last
// change, but never later than `maxDelayMs` after the first unsaved one.
class AutoSaver : public QObject
{
    Q_OBJECT
public:
    explicit AutoSaver(QObject *parent, int delayMs = 3000, int maxDelayMs = 15000);
    // A save still pending is lost (with a warning): the owner calls
    // saveIfNeccessary() from its own destructor to keep it.
    ~AutoSaver() override;

    bool isPending() const { return m_timer.isActive(); }

public slots:
    void changeOccurred();
    // Saves now when a change is pending, else nothing.
    void saveIfNeccessary();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    QBasicTimer m_timer;
    // Monotonic: a wall clock could jump (midnight, a time change) and hold
    // a save back or fire it early.
    QElapsedTimer m_firstChange;
    int m_delayMs;
    int m_maxDelayMs;
};
