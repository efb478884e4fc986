#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

// Shows that work the person started is under way: the shared "Working..."
// dialog once some work has run for kDelayMs (quicker work shows nothing),
// until the last piece ends. Work is known by a key, a file path.
class WorkFeedback : public QObject
{
    Q_OBJECT
public:
    explicit WorkFeedback(QObject *parent = nullptr);

    void begin(const QString &key);
    // False for a key not begun here (a rotation's wallpaper, say).
    bool end(const QString &key);
    bool busy() const { return !m_keys.isEmpty(); }

    static constexpr int kDelayMs = 300;
    // Work that never reports its end must not hold the dialog for good.
    static constexpr int kGiveUpMs = 150 * 1000;

private:
    void update();

    QSet<QString> m_keys;
    QTimer m_delay;
    QTimer m_giveUp;
};
