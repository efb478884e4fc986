#pragma once

#include "CAWorkerThread.h"

#include <QString>
#include <QStringList>

// Lists playlist folders newest first, makes the missing thumbnails and
// reports each one. At most a few results wait on the GUI thread at a time
// (CAWorkerThread::waitForRoom), so a folder of a thousand pictures never
// floods it. Sleeps on its condition while the queue is empty.
//
// Threads: listFolder() and stop() on the GUI thread; the listing, the
// thumbnails and the signals on the worker thread (queued to the facade).
class CALocalImagesWorkerThread : public CAWorkerThread
{
    Q_OBJECT
public:
    explicit CALocalImagesWorkerThread(QObject *parent = nullptr);
    ~CALocalImagesWorkerThread() override;

    // GUI thread: queues the folder and wakes the worker.
    void listFolder(const QString &folder);

signals:
    // "empty-flag" for a folder without files, else one thumbnail path per
    // picture, newest first. `category` is the folder's name.
    void newFile_Signal(QString category, QString url);

protected:
    void work() override;

private:
    // False when stopped on the way.
    bool list(const QString &folder);

    QStringList m_queue; // guarded by m_mutex
};
