#include "WallpaperManager.h"

#include <core/ImageStore.h>
#include <core/Settings.h>
#include <core/WallpaperBitmap.h>
#include <platform/DesktopWallpaper.h>

#include <QAtomicPointer>
#include <QCoreApplication>
#include <QDebug>
#include <QMutex>
#include <QThread>
#include <QTimerEvent>

#include <climits>

namespace {
QAtomicPointer<WallpaperManager> g_instance;
}

WallpaperManager *WallpaperManager::instance()
{
    WallpaperManager *manager = g_instance.loadAcquire();
    if (manager)
        return manager;
    static QMutex creation;
    QMutexLocker locker(&creation);
    manager = g_instance.loadAcquire();
    if (!manager) {
        manager = new WallpaperManager(ImageStore::instance());
        // The timer and the changes belong to the GUI thread, whichever
        // thread asked first.
        if (QCoreApplication::instance() && manager->thread() != QCoreApplication::instance()->thread())
            manager->moveToThread(QCoreApplication::instance()->thread());
        g_instance.storeRelease(manager);
    }
    return manager;
}

WallpaperManager::WallpaperManager(ImageStore *store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
}

WallpaperManager::~WallpaperManager()
{
    stop();
}

void WallpaperManager::start()
{
    const int seconds = Settings::getInt(QStringLiteral("kChangePicture"), 86400);
    if (m_timerId != 0 || seconds <= 0)
        return;
    // Timers take an int of milliseconds; a longer interval waits as long as one can.
    const qint64 ms = qMin<qint64>(qint64(seconds) * 1000, INT_MAX);
    m_timerId = startTimer(int(ms), Qt::CoarseTimer);
    showNextWallpaper();
}

void WallpaperManager::stop()
{
    if (m_timerId != 0)
        killTimer(m_timerId);
    m_timerId = 0;
}

void WallpaperManager::showNextWallpaper()
{
    const QString path = m_store->randomPicture();
    if (!path.isEmpty())
        showWallpaper(path);
}

void WallpaperManager::showWallpaper(const QString &path)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, path] { setOsWallpaper(path); }, Qt::QueuedConnection);
        return;
    }
    setOsWallpaper(path);
}

QString WallpaperManager::setOsWallpaper(const QString &path)
{
    // The calendar (kEnable) will be drawn onto the picture at this point,
    // before it is scaled to the screen; until then the picture goes as it is.
    const QString bitmap = WallpaperBitmap::defaultPath();
    QString error;
    const auto result = WallpaperBitmap::write(path, WallpaperBitmap::screenSize(), bitmap, &error);
    if (result == WallpaperBitmap::Result::UnreadablePicture) {
        qDebug().noquote() << "Wallpaper unchanged:" << error;
        return QString();
    }
    if (result == WallpaperBitmap::Result::WriteFailed) {
        qDebug().noquote() << "Failed to create bmp file needed by Windows." << error;
        return QString();
    }
    if (!platform::setDesktopWallpaper(
            bitmap, Settings::getString(QStringLiteral("kWallpaperCommand")), &error)) {
        qDebug().noquote() << "Failed to set wallpaper:" << error;
        return bitmap;
    }
    emit wallpaperChanged_Signal(bitmap);
    return bitmap;
}

void WallpaperManager::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_timerId)
        showNextWallpaper();
    else
        QObject::timerEvent(event);
}
