#pragma once

#include <QObject>
#include <QString>

class ImageStore;

// Sets pictures of the active playlists as the desktop wallpaper: on a timer
// ("kChangePicture" seconds; 0 or less means no rotation) a random one, and
// on request a given one. Every change converts the picture to the bitmap
// "FotoriaWallpaper.bmp" in the temporary folder, cover-scaled to the
// primary screen, and installs that. Calls from other threads are handed to
// the manager's (GUI) thread, so one change runs at a time.
class WallpaperManager : public QObject
{
    Q_OBJECT

public:
    static WallpaperManager *instance();

    explicit WallpaperManager(ImageStore *store, QObject *parent = nullptr);
    ~WallpaperManager() override;

    // Any thread; the change itself runs on the manager's thread.
    void showWallpaper(const QString &path);
    // Returns the installed bitmap's path; empty when the picture cannot be
    // read (the wallpaper and the old bitmap then stay as they were).
    QString setOsWallpaper(const QString &path);

    bool isRunning() const { return m_timerId != 0; }

public slots:
    void start();
    void stop();
    void showNextWallpaper();

signals:
    // After the bitmap was written and installed.
    void wallpaperChanged_Signal(const QString &bitmapPath);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    ImageStore *m_store;
    int m_timerId = 0;
};
