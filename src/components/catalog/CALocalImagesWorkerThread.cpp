#include "CALocalImagesWorkerThread.h"

#include "Thumbnail.h"

#include <platform/CrashHook.h>

#include <QDir>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

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
    // Two at a time, the second on a pool thread: decoding a camera photo is
    // most of the work, and the first tiles should show soon.
    for (int i = 0; i < files.size(); i += 2) {
        if (isStopped())
            return false;
        const bool pair = i + 1 < files.size();
        QFuture<QString> second;
        if (pair)
            second = QtConcurrent::run([path = files.at(i + 1).absoluteFilePath()] {
                platform::installThreadSignalStack();
                return makeThumbnail(path);
            });
        const QString thumbnails[] = { makeThumbnail(files.at(i).absoluteFilePath()),
            pair ? second.result() : QString() };
        for (const QString &thumbnail : thumbnails) {
            if (thumbnail.isEmpty())
                continue;
            if (!waitForRoom())
                return false;
            emit newFile_Signal(name, thumbnail);
        }
    }
    return true;
}
