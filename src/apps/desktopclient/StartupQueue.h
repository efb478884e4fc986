#pragma once

#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

// What pops up by itself, one at a time: the welcome pages, the service
// notice and the update messages, in this order, each opening when the one
// before has closed. A kind expected at start (the welcome pages, the first
// notice poll) holds the later kinds back until it has come or is known not
// to come. The daily-photo notice is no dialog: it waits only while a modal
// dialog (ours or any other) is open.
class StartupQueue : public QObject
{
    Q_OBJECT
public:
    enum Kind { Welcome, Notice, Update, Daily };
    Q_ENUM(Kind)

    static constexpr int kModalPollMs = 300;

    explicit StartupQueue(QObject *parent = nullptr);

    // `kind` is due: later kinds wait for it.
    void expect(Kind kind);
    // An expected kind will not come after all.
    void settle(Kind kind);
    // `show` runs when its turn comes; for all kinds but Daily it runs the
    // dialog modally and returns once it is closed.
    void post(Kind kind, std::function<void()> show);

    bool isOpen() const { return m_open; }
    int waiting() const { return m_items.size(); }

signals:
    void opened_Signal(StartupQueue::Kind kind);
    void closed_Signal(StartupQueue::Kind kind);

private:
    struct Item
    {
        Kind kind;
        std::function<void()> show;
    };

    void schedule();
    void next();
    void run(int index);

    QList<Item> m_items;
    bool m_expected[Daily] = {};
    bool m_open = false;
    QTimer m_modalPoll;
};
