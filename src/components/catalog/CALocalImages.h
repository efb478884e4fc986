#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class CALocalImagesWorkerThread;

// Lists the pictures of playlist folders on a worker thread of its own, one
// per process.
//
// Threads: everything here is called and emitted on the GUI thread; the
// worker's signal arrives queued at newFile_Slot.
class CALocalImages : public QObject
{
    Q_OBJECT
public:
    // The process-wide lister, made on first use; it stops when the
    // application quits or is destroyed.
    static CALocalImages *instance();

    explicit CALocalImages(QObject *parent = nullptr);
    ~CALocalImages() override; // stops the worker

    // Queues the folder; its pictures arrive as newFiles_Signal with the
    // number returned, which tells them from those of an earlier listing.
    // Starts the worker on first use.
    int listFolder(const QString &folder);
    // Ends the worker for good and joins it; harmless twice.
    void stop();

signals:
    // The folder's pictures in batches, newest first; `done` with the last
    // one (empty for an empty folder). `category` is the folder's name.
    void newFiles_Signal(int listing, QString category, QStringList paths, bool done);

public slots:
    void start_Slot();
    void newFiles_Slot(int listing, QString category, QStringList paths, bool done);

private:
    CALocalImagesWorkerThread *m_worker;
    int m_listings = 0;
};
