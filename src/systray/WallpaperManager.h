#pragma once

#include "PreparedWallpaper.h"
#include "WallpaperHistory.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QVector>

#include <memory>

class CalendarWidget;
class ImageStore;
class PictureOrder;
class QTimer;
class WallpaperWorker;
struct WallpaperRequest;
namespace platform {
struct DesktopMonitor;
}

// Sets pictures of the active playlists as the desktop wallpaper: on a timer
// ("kChangePicture" seconds; 0 or less means no rotation) the next one in the
// order the user picked (random by default), and on request a given one.
// The timed changes keep their rhythm by the wall clock from the last change
// ("kLastWallpaperChange"), across restarts and suspends; "kRotationPaused"
// holds them back. The pictures shown go into a history that "Previous" and
// "Next" walk. Every change converts the picture to the bitmap
// "FotoriaWallpaper.bmp" in the user's cache folder, cover-scaled to the
// primary screen, with the calendar drawn on when "kEnable" is set, and
// installs that. With "kWallpaperPerMonitor" each monitor gets a photo of
// its own (the primary the one asked for, with the calendar; the bitmap is
// the primary's); with "kWallpaperLockScreen" the lock screen follows.
//
// The changes run one at a time on a worker thread: decoding, drawing and
// the desktop's tools never hold the GUI thread. Between changes it makes
// the bitmap of the picture expected next, so "Next" only installs it. Only the calendar's pixels
// are taken on the GUI thread, where its web page lives. When requests pile
// up behind a running change, the newest one wins.
class WallpaperManager : public QObject
{
    Q_OBJECT

public:
    static WallpaperManager *instance();

    explicit WallpaperManager(ImageStore *store, QObject *parent = nullptr);
    // Shuts down.
    ~WallpaperManager() override;

    // Any thread; returns at once, the change follows.
    void showWallpaper(const QString &path);
    // Blocking: one change on the calling thread, without waiting for a
    // calendar page still loading. Returns the installed bitmap's path;
    // empty when the picture cannot be read (the wallpaper and the old
    // bitmap then stay as they were).
    QString setOsWallpaper(const QString &path);

    bool isRunning() const { return m_running; }
    static bool isPaused();
    // The picture the history is at, which "Add to Favorites" takes.
    QString currentPicture() const { return m_history.current(); }
    bool canStepBack() const { return m_history.canGoBack(); }
    // GUI thread: a change is waiting or running.
    bool isChanging() const;

    // GUI thread: the calendar renderer, made and loaded on first use.
    CalendarWidget *calendar();
    // Loads the calendar page again (after its size, week start or months
    // changed). Any thread.
    void refreshCalendar();

    // Stops the rotation, drops waiting changes and joins the worker (a
    // running change is allowed to finish). Later requests are ignored.
    // Call once at quit, on the GUI thread.
    void shutdown();

public slots:
    void start();
    void stop();
    // The history and the pause are the GUI thread's.
    // A new picture, another than the one shown when there is one.
    void showNextWallpaper();
    // Forward through the history, then a new picture; back through it.
    void stepForward();
    void stepBack();
    // Stored; a resumed rotation is due at the last change plus the interval.
    void setPaused(bool paused);

signals:
    // After the bitmap was written and installed; on the manager's thread.
    void wallpaperChanged_Signal(const QString &bitmapPath);
    // Every change asked for ends here, set or not (one replaced by a newer
    // request while it waited, too); on the manager's thread.
    void changeFinished_Signal(const QString &picture, bool ok);

private slots:
    void checkDue();
    void prepareForSleep(bool sleeping);

private:
    // The next timed change in `ms`.
    void arm(qint64 ms);
    // After a change that took: the history, the stored time, the rhythm.
    void took(const QString &picture);
    void dispatch();
    // The request for `picture` as the options stand; false while the
    // calendar page is still loading. A preparation is quiet: the change
    // that takes it logs a missing calendar.
    bool makeRequest(const QString &picture, WallpaperRequest *request, bool quiet = false);
    // Has the worker make the bitmap of the picture a new pick gives next.
    void prepareUpcoming();
    void prepare(const WallpaperRequest &request);
    // The one place a new picture is chosen, in the order the user picked.
    QString pickNewPicture();
    // Adds what the wallpaper options ask for: a photo per monitor, the lock screen.
    void applyOptions(WallpaperRequest *request);
    QString changeEachMonitor(
        const WallpaperRequest &request, const QVector<platform::DesktopMonitor> &monitors);
    // The end of a change: the lock screen when it follows, and the reports.
    QString finish(const WallpaperRequest &request, const QString &bitmap, bool installed, const QString &error);
    // The change itself, on whichever thread calls it; one at a time.
    QString change(const WallpaperRequest &request);
    void reportChanged(const QString &bitmap);
    void reportFinished(const QString &picture, bool ok);

    ImageStore *m_store;
    std::unique_ptr<PictureOrder> m_order;
    WallpaperWorker *m_worker;
    CalendarWidget *m_calendar = nullptr;
    QMutex m_changeLock;
    PreparedWallpaper m_prepared; // under m_changeLock
    QTimer *m_prepareTimer;
    QString m_waiting; // newest request held back until the calendar page is ready
    int m_inFlight = 0;
    WallpaperHistory m_history;
    QTimer *m_dueTimer;
    // Monotonic timers stand still while the computer sleeps; the wall clock does not.
    QTimer *m_clockCheck;
    qint64 m_dueMs = 0; // wall clock, milliseconds since the epoch
    bool m_running = false;
    bool m_shutDown = false;
};
