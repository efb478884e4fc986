#pragma once

#include <core/WallpaperOptions.h>

#include <QImage>
#include <QMutex>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QWaitCondition>

#include <functional>
#include <optional>

// One wallpaper change as the GUI thread prepared it: the picture, the
// screen to cover and, when the calendar is on, the calendar's pixels.
struct WallpaperRequest
{
    QString picture;
    QSize screen;
    QImage calendar;
    int position = 0;
    WallpaperOptions::Fill fill = WallpaperOptions::Fill::Crop;
    // A photo per monitor: the primary shows `picture`, the others these,
    // in the desktop's order of monitors.
    bool perMonitor = false;
    QStringList otherPictures;
    // The lock screen follows the change.
    bool lockScreen = false;
};

// Runs wallpaper changes one at a time off the GUI thread. A request that
// arrives while one runs waits; a newer one replaces it, since only the last
// picture asked for matters. With no change waiting, it prepares the change
// expected next. Idle, the thread waits on a condition.
class WallpaperWorker : public QThread
{
    Q_OBJECT

public:
    using Change = std::function<void(const WallpaperRequest &)>;

    // `change` and `prepare` run on the worker thread.
    WallpaperWorker(Change change, Change prepare, QObject *parent = nullptr);
    ~WallpaperWorker() override;

    // Any thread. Returns false when it replaced a request still waiting
    // (that one will not run), or when the worker was stopped.
    bool request(const WallpaperRequest &request);

    // Any thread. Runs `prepare` for it once no change waits; a change asked
    // for meanwhile drops it, as does a newer preparation.
    void prepare(const WallpaperRequest &request);

    // Drops the waiting request, lets a running change finish and joins.
    // Later requests are refused.
    void stop();

protected:
    void run() override;

private:
    Change m_change;
    Change m_prepare;
    QMutex m_mutex;
    QWaitCondition m_wake;
    std::optional<WallpaperRequest> m_pending;
    std::optional<WallpaperRequest> m_preparation;
    bool m_stopping = false;
};
