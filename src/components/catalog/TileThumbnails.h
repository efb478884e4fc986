#pragma once

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QStringList>
#include <QThreadPool>

// The pictures the photo tiles show, at the view's device pixels, made on
// threads of their own in the order the tiles ask (the visible ones) and
// kept while they are among the last used, up to kMaxBytes.
//
// Threads: find(), forgetPending() and ready() on the GUI thread; load() on
// the pool's threads.
class TileThumbnails : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxBytes = 64 * 1024 * 1024;
    // Requests beyond this many wait no more: their tiles have scrolled away.
    static constexpr int kMaxPending = 256;

    explicit TileThumbnails(QObject *parent = nullptr);
    ~TileThumbnails() override; // waits for the pictures in the making

    // The picture of `path` fitted into `pixels`, when made; else a null
    // image, and it is made soon.
    QImage find(const QString &path, const QSize &pixels);
    // The tiles asked for so far are no longer shown (a scroll, another
    // playlist): what has not started is dropped.
    void forgetPending();

    int pendingCount() const { return m_pending.size(); }

    // The playlist thumbnail (made when missing) when it is large enough,
    // else the photo decoded at a reduced size; null when unreadable. Any
    // thread.
    static QImage load(const QString &path, const QSize &pixels);

signals:
    void ready(const QString &path);

private:
    struct Request
    {
        QString key;
        QString path;
        QSize pixels;
    };
    void startNext();
    void finished(const QString &key, const QString &path, const QImage &image);

    QCache<QString, QImage> m_images; // cost in KB
    QList<Request> m_pending; // oldest first
    QSet<QString> m_waiting; // keys pending or running
    QSet<QString> m_unreadable;
    int m_running = 0;
    QThreadPool m_pool;
};
