#pragma once

#include <QObject>
#include <QString>

class CAFileGetterWorkerThread;

// Downloads pictures on demand (a catalog picture added to a playlist, a
// missing thumbnail) on a worker thread of its own, one per process.
//
// Threads: everything here is called and emitted on the GUI thread; the
// worker's signals arrive queued at the slots of the same name. The
// controller connects wallpaperRequested_Signal to the wallpaper manager.
class CAFileGetter : public QObject
{
    Q_OBJECT
public:
    // The process-wide getter, made on first use; it stops when the
    // application quits or is destroyed.
    static CAFileGetter *instance();

    explicit CAFileGetter(QObject *parent = nullptr);
    ~CAFileGetter() override; // stops the worker

    // Queues a download of `url` into `fileName`; an existing file counts
    // as fetched and is not downloaded again. Names come from web pages, so
    // a url that is not http(s), or a file name outside the playlist folder
    // and the thumbnail cache, is refused with a log line. Starts the worker
    // on first use.
    void fetch(const QString &category, const QString &url, const QString &fileName, bool setAsWallpaper);
    // Ends the worker for good: cancels the download in flight and joins;
    // queued requests are dropped. Harmless twice.
    void stop();

    // Whether fetch() would take this request.
    static bool isAcceptedUrl(const QString &url);
    static bool isAcceptedFileName(const QString &fileName);

signals:
    void newFile_Signal(QString category, QString url);
    void closeProgress_Signal();
    // A fetched file is to become the wallpaper.
    void wallpaperRequested_Signal(QString path);
    // A queued file could not be fetched (the name as queued).
    void fetchFailed_Signal(QString fileName);

public slots:
    void start_Slot();
    void newFile_Slot(QString category, QString url);
    void closeProgress_Slot();
    void wallpaperRequested_Slot(QString path);

private:
    CAFileGetterWorkerThread *m_worker;
};
