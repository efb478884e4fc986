#include "CALocalImages.h"

#include "CALocalImagesWorkerThread.h"

#include <QCoreApplication>
#include <QMutex>
#include <QPointer>

CALocalImages *CALocalImages::instance()
{
    // Cleared if the application takes the lister with it.
    static QPointer<CALocalImages> lister;
    static QMutex creation;
    QMutexLocker locker(&creation);
    if (!lister) {
        lister = new CALocalImages(QCoreApplication::instance());
        if (QCoreApplication::instance()) {
            QObject::connect(
                QCoreApplication::instance(), &QCoreApplication::aboutToQuit, lister, &CALocalImages::stop);
        }
    }
    return lister;
}

CALocalImages::CALocalImages(QObject *parent)
    : QObject(parent)
    , m_worker(new CALocalImagesWorkerThread(this))
{
    connect(m_worker, &CALocalImagesWorkerThread::newFile_Signal, this, &CALocalImages::newFile_Slot,
        Qt::QueuedConnection);
}

CALocalImages::~CALocalImages()
{
    stop();
}

void CALocalImages::listFolder(const QString &folder)
{
    m_worker->listFolder(folder);
    m_worker->startWorker();
}

void CALocalImages::stop()
{
    m_worker->stop();
}

void CALocalImages::start_Slot()
{
    m_worker->startWorker();
}

void CALocalImages::newFile_Slot(QString category, QString url)
{
    emit newFile_Signal(category, url);
    m_worker->consumed();
}
