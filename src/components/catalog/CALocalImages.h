#pragma once

#include <QObject>
#include <QString>

class CALocalImagesWorkerThread;

// Lists the pictures of playlist folders and makes their thumbnails on a
// worker thread of its own, one per process.
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

    // Queues the folder; its pictures arrive as newFile_Signal. Starts the
    // worker on first use.
    void listFolder(const QString &folder);
    // Ends the worker for good and joins it; harmless twice.
    void stop();

signals:
    // "empty-flag" for an empty folder, else each picture's thumbnail path,
    // newest first; `category` is the folder's name.
    void newFile_Signal(QString category, QString url);

public slots:
    void start_Slot();
    void newFile_Slot(QString category, QString url);

private:
    CALocalImagesWorkerThread *m_worker;
};
