#pragma once

#include <QObject>
#include <QString>

class CAPlaylistLeadImageWorkerThread;

// Finds each playlist and its lead picture (the newest) on a worker thread.
// The main window owns these and hands them the playlist folder.
//
// Threads: everything here is called and emitted on the GUI thread; the
// worker's signals arrive queued at the slots of the same name.
class CAPlaylistLeadImage : public QObject
{
    Q_OBJECT
public:
    explicit CAPlaylistLeadImage(QObject *parent);
    ~CAPlaylistLeadImage() override; // stops the worker

    // Lists `playlistFolder` at the worker's next pass; starts the worker on
    // first use.
    void listRoot(const QString &playlistFolder);
    // Ends the worker for good and joins it; harmless twice.
    void stop();

signals:
    // One per playlist folder, then one with empty strings: the end of the list.
    void newCategory_Signal(bool fromCatalog, QString category, QString path, bool select);
    // Each playlist's lead thumbnail, or "empty-flag".
    void newFile_Signal(QString category, QString url);

public slots:
    void start_Slot();
    void newCategory_Slot(bool fromCatalog, QString category, QString path, bool select);
    void newFile_Slot(QString category, QString url);

private:
    CAPlaylistLeadImageWorkerThread *m_worker;
};
