#include "CATagGetter.h"

#include "CATagGetterWorkerThread.h"

#include <QTimer>

CATagGetter::CATagGetter(QObject *parent)
    : QObject(parent)
    , m_worker(new CATagGetterWorkerThread(this))
{
    connect(m_worker, &CATagGetterWorkerThread::newCategory_Signal, this, &CATagGetter::newCategory_Slot,
        Qt::QueuedConnection);
    connect(m_worker, &CATagGetterWorkerThread::newFile_Signal, this, &CATagGetter::newFile_Slot,
        Qt::QueuedConnection);
}

CATagGetter::~CATagGetter()
{
    stop();
}

void CATagGetter::startSoon()
{
    QTimer::singleShot(1000, this, &CATagGetter::start_Slot);
}

void CATagGetter::stop()
{
    m_worker->stop();
}

void CATagGetter::start_Slot()
{
    m_worker->requestTags();
    m_worker->startWorker();
}

void CATagGetter::newFile_Slot(QString category, QString url)
{
    emit newFile_Signal(category, url);
}

void CATagGetter::newCategory_Slot(bool fromCatalog, QString path, QString category, bool select)
{
    emit newCategory_Signal(fromCatalog, path, category, select);
    m_worker->consumed();
}
