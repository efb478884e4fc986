#pragma once

#include "CAWorkerThread.h"

#include <QList>
#include <QString>

// Downloads pictures on demand, one thumbnail and one picture per pass,
// thumbnails first. Sleeps on its condition while both queues are empty.
//
// Threads: enqueue() and stop() on the GUI thread; the downloads and the
// signals on the worker thread (queued to the facade).
class CAFileGetterWorkerThread : public CAWorkerThread
{
    Q_OBJECT
public:
    struct Request
    {
        QString category;
        QString url;
        QString fileName;
        bool setAsWallpaper = false;
    };

    explicit CAFileGetterWorkerThread(QObject *parent = nullptr);
    ~CAFileGetterWorkerThread() override;

    // GUI thread: queues the request (a thumbnail when the address contains
    // "-256x144") and wakes the worker.
    void enqueue(const Request &request);

signals:
    // A downloaded picture: its playlist and local path.
    void newFile_Signal(QString category, QString url);
    // After every pass.
    void closeProgress_Signal();
    // A fetched file that is to become the wallpaper.
    void wallpaperRequested_Signal(QString path);
    // A file that could not be fetched.
    void fetchFailed_Signal(QString fileName);

protected:
    void work() override;

private:
    // The file name when the file is there (downloaded or already present),
    // else empty.
    QString fetchFile(const QString &url, const QString &fileName, bool setAsWallpaper);

    // Guarded by m_mutex.
    QList<Request> m_thumbnailQueue;
    QList<Request> m_pictureQueue;
};
