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
    connect(m_worker, &CALocalImagesWorkerThread::newFiles_Signal, this, &CALocalImages::newFiles_Slot,
        Qt::QueuedConnection);
}

CALocalImages::~CALocalImages()
{
    stop();
}

int CALocalImages::listFolder(const QString &folder)
{
    m_worker->listFolder(folder, ++m_listings);
    m_worker->startWorker();
    return m_listings;
}

void CALocalImages::stop()
{
    m_worker->stop();
}

void CALocalImages::start_Slot()
{
    m_worker->startWorker();
}

void CALocalImages::newFiles_Slot(int listing, QString category, QStringList paths, bool done)
{
    emit newFiles_Signal(listing, category, paths, done);
    m_worker->consumed();
}
