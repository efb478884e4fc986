#pragma once

#include "CAWorkerThread.h"

#include <QString>

// Each time it is handed the playlist folder: reports every playlist (then
// an end-of-list entry with empty strings) and then each playlist's lead
// picture, the thumbnail of its newest file. Requests that arrive during a
// pass are merged into one more pass. Sleeps on its condition in between.
//
// Threads: listRoot() and stop() on the GUI thread; the listing, the
// thumbnails and the signals on the worker thread (queued to the facade).
class CAPlaylistLeadImageWorkerThread : public CAWorkerThread
{
    Q_OBJECT
public:
    explicit CAPlaylistLeadImageWorkerThread(QObject *parent = nullptr);
    ~CAPlaylistLeadImageWorkerThread() override;

    // GUI thread: the folder to list at the next pass; wakes the worker.
    void listRoot(const QString &playlistFolder);

signals:
    void newCategory_Signal(bool fromCatalog, QString category, QString path, bool select);
    // The playlist's lead thumbnail, or "empty-flag".
    void newFile_Signal(QString category, QString url);

protected:
    void work() override;

private:
    // False when stopped on the way.
    bool list(const QString &root);

    QString m_root; // guarded by m_mutex
    bool m_pending = false; // guarded by m_mutex
};
