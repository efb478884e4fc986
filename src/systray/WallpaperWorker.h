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
// picture asked for matters. Idle, the thread waits on a condition.
class WallpaperWorker : public QThread
{
    Q_OBJECT

public:
    using Change = std::function<void(const WallpaperRequest &)>;

    // `change` runs on the worker thread.
    explicit WallpaperWorker(Change change, QObject *parent = nullptr);
    ~WallpaperWorker() override;

    // Any thread. Returns false when it replaced a request still waiting
    // (that one will not run), or when the worker was stopped.
    bool request(const WallpaperRequest &request);

    // Drops the waiting request, lets a running change finish and joins.
    // Later requests are refused.
    void stop();

protected:
    void run() override;

private:
    Change m_change;
    QMutex m_mutex;
    QWaitCondition m_wake;
    std::optional<WallpaperRequest> m_pending;
    bool m_stopping = false;
};
