#include "CALocalImagesWorkerThread.h"

#include "Thumbnail.h"

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

void CALocalImagesWorkerThread::listFolder(const QString &folder)
{
    {
        QMutexLocker locker(&m_mutex);
        m_queue.append(folder);
    }
    wake();
}

void CALocalImagesWorkerThread::work()
{
    for (;;) {
        if (!waitFor([this] { return !m_queue.isEmpty(); }))
            return;
        QStringList folders;
        {
            QMutexLocker locker(&m_mutex);
            folders.swap(m_queue);
        }
        for (const QString &folder : folders) {
            if (!list(folder))
                return;
        }
    }
}

bool CALocalImagesWorkerThread::list(const QString &folder)
{
    const QString name = QFileInfo(folder).fileName();
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Time);
    if (files.isEmpty()) {
        if (!waitForRoom())
            return false;
        emit newFile_Signal(name, QStringLiteral("empty-flag"));
        return true;
    }
    for (const QFileInfo &file : files) {
        if (isStopped())
            return false;
        const QString thumbnail = makeThumbnail(file.absoluteFilePath());
        if (thumbnail.isEmpty())
            continue;
        if (!waitForRoom())
            return false;
        emit newFile_Signal(name, thumbnail);
    }
    return true;
}
