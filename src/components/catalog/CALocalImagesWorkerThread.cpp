#include "CALocalImagesWorkerThread.h"

#include <QDir>
#include <QFileInfo>

CALocalImagesWorkerThread::CALocalImagesWorkerThread(QObject *parent)
    : CAWorkerThread(parent)
{
}

CALocalImagesWorkerThread::~CALocalImagesWorkerThread()
{
    stop();
}

void CALocalImagesWorkerThread::listFolder(const QString &folder, int listing)
{
    {
        QMutexLocker locker(&m_mutex);
        m_queue.append({ folder, listing });
    }
    wake();
}

void CALocalImagesWorkerThread::work()
{
    for (;;) {
        if (!waitFor([this] { return !m_queue.isEmpty(); }))
            return;
        QList<QPair<QString, int>> folders;
        {
            QMutexLocker locker(&m_mutex);
            folders.swap(m_queue);
        }
        for (const auto &folder : qAsConst(folders)) {
            if (!list(folder.first, folder.second))
                return;
        }
    }
}

bool CALocalImagesWorkerThread::list(const QString &folder, int listing)
{
    const QString name = QFileInfo(folder).fileName();
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Time);
    int next = 0;
    do {
        if (isStopped() || !waitForRoom())
            return false;
        QStringList batch;
        const int end = qMin(next + kBatch, files.size());
        batch.reserve(end - next);
        for (; next < end; ++next)
            batch.append(files.at(next).absoluteFilePath());
        emit newFiles_Signal(listing, name, batch, next == files.size());
    } while (next < files.size());
    return true;
}
