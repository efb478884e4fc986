#include "AutoSaver.h"

#include <QDebug>
#include <QMetaObject>
#include <QTimerEvent>

AutoSaver::AutoSaver(QObject *parent, int delayMs, int maxDelayMs)
    : QObject(parent)
    , m_delayMs(delayMs)
    , m_maxDelayMs(maxDelayMs)
{
}

AutoSaver::~AutoSaver()
{
    if (m_timer.isActive())
        qWarning() << "AutoSaver: still active when destroyed, changes not saved.";
}

void AutoSaver::changeOccurred()
{
    if (!m_firstChange.isValid())
        m_firstChange.start();
    // The timer is restarted by every change, but never beyond the latest
    // moment allowed by the first one; 0 saves at the next turn of the loop.
    const qint64 left = m_maxDelayMs - m_firstChange.elapsed();
    m_timer.start(int(qBound(qint64(0), left, qint64(m_delayMs))), this);
}

void AutoSaver::saveIfNeccessary()
{
    if (!m_timer.isActive())
        return;
    m_timer.stop();
    m_firstChange.invalidate();
    if (!QMetaObject::invokeMethod(parent(), "save", Qt::DirectConnection))
        qWarning() << "AutoSaver: error invoking slot save() on parent";
}

void AutoSaver::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_timer.timerId())
        saveIfNeccessary();
    else
        QObject::timerEvent(event);
}
