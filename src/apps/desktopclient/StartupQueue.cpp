#include "StartupQueue.h"

#include <QApplication>
#include <QPointer>

StartupQueue::StartupQueue(QObject *parent)
    : QObject(parent)
{
    m_modalPoll.setSingleShot(true);
    m_modalPoll.setInterval(kModalPollMs);
    connect(&m_modalPoll, &QTimer::timeout, this, &StartupQueue::next);
}

void StartupQueue::expect(Kind kind)
{
    if (kind != Daily)
        m_expected[kind] = true;
}

void StartupQueue::settle(Kind kind)
{
    if (kind == Daily || !m_expected[kind])
        return;
    m_expected[kind] = false;
    schedule();
}

void StartupQueue::post(Kind kind, std::function<void()> show)
{
    m_items.append({ kind, std::move(show) });
    schedule();
}

void StartupQueue::schedule()
{
    // From the event loop: the caller is never held up by a dialog.
    QTimer::singleShot(0, this, &StartupQueue::next);
}

void StartupQueue::next()
{
    if (m_open)
        return;
    for (int kind = Welcome; kind < Daily; ++kind) {
        for (int i = 0; i < m_items.size(); ++i) {
            if (m_items.at(i).kind == kind)
                return run(i);
        }
        if (m_expected[kind])
            break;
    }
    for (int i = 0; i < m_items.size(); ++i) {
        if (m_items.at(i).kind != Daily)
            continue;
        // A modal dialog not of this queue closes unseen by it: looked for again.
        if (QApplication::activeModalWidget()) {
            m_modalPoll.start();
            return;
        }
        const Item item = m_items.takeAt(i--);
        item.show();
    }
}

void StartupQueue::run(int index)
{
    const Item item = m_items.takeAt(index);
    m_expected[item.kind] = false;
    m_open = true;
    emit opened_Signal(item.kind);
    QPointer<StartupQueue> alive(this);
    item.show();
    // The process may be ending while the dialog ran.
    if (!alive)
        return;
    m_open = false;
    emit closed_Signal(item.kind);
    schedule();
}
