#pragma once

#include "CAWorkerThread.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Lists playlist folders newest first and reports the pictures' paths in
// batches; thumbnails are made by the view for the rows it shows. At most a
// few batches wait on the GUI thread at a time (CAWorkerThread::waitForRoom),
// and each is small enough to append at once, so a folder of 20,000 pictures
// never floods it. Sleeps on its condition while the queue is empty.
//
// Threads: listFolder() and stop() on the GUI thread; the listing and the
// signals on the worker thread (queued to the facade).
class CALocalImagesWorkerThread : public CAWorkerThread
{
    Q_OBJECT
public:
    // Pictures per batch: appended to the view in a few milliseconds.
    static constexpr int kBatch = 500;

    explicit CALocalImagesWorkerThread(QObject *parent = nullptr);
    ~CALocalImagesWorkerThread() override;

    // GUI thread: queues the folder and wakes the worker; its batches
    // carry `listing`.
    void listFolder(const QString &folder, int listing);

signals:
    // The next pictures of the folder, newest first; `done` with the last
    // batch (which is empty for an empty folder). `category` is the
    // folder's name.
    void newFiles_Signal(int listing, QString category, QStringList paths, bool done);

protected:
    void work() override;

private:
    // False when stopped on the way.
    bool list(const QString &folder, int listing);

    QList<QPair<QString, int>> m_queue; // folder and listing; guarded by m_mutex
};
