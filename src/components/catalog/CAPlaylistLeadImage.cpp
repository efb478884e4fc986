#include "CAPlaylistLeadImage.h"

#include "CAPlaylistLeadImageWorkerThread.h"

CAPlaylistLeadImage::CAPlaylistLeadImage(QObject *parent)
    : QObject(parent)
    , m_worker(new CAPlaylistLeadImageWorkerThread(this))
{
    connect(m_worker, &CAPlaylistLeadImageWorkerThread::newCategory_Signal, this,
        &CAPlaylistLeadImage::newCategory_Slot, Qt::QueuedConnection);
    connect(m_worker, &CAPlaylistLeadImageWorkerThread::newFile_Signal, this,
        &CAPlaylistLeadImage::newFile_Slot, Qt::QueuedConnection);
}

CAPlaylistLeadImage::~CAPlaylistLeadImage()
{
    stop();
}

void CAPlaylistLeadImage::listRoot(const QString &playlistFolder)
{
    m_worker->listRoot(playlistFolder);
    m_worker->startWorker();
}

void CAPlaylistLeadImage::stop()
{
    m_worker->stop();
}

void CAPlaylistLeadImage::start_Slot()
{
    m_worker->startWorker();
}

void CAPlaylistLeadImage::newCategory_Slot(bool fromCatalog, QString category, QString path, bool select)
{
    emit newCategory_Signal(fromCatalog, category, path, select);
    m_worker->consumed();
}

void CAPlaylistLeadImage::newFile_Slot(QString category, QString url)
{
    emit newFile_Signal(category, url);
    m_worker->consumed();
}
