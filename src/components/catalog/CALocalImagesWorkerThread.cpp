#include "CALocalImagesWorkerThread.h"

#include <core/FileLocations.h>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

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
        for (const auto &folder : std::as_const(folders)) {
            if (!list(folder.first, folder.second))
                return;
        }
    }
}

bool CALocalImagesWorkerThread::list(const QString &folder, int listing)
{
    const QString name = QFileInfo(folder).fileName();
    // Each time read once: QDir's own sort by time converts local times in
    // every comparison, seconds for a folder of 20,000.
    std::vector<std::pair<qint64, QString>> entries;
    QDirIterator it(QDir(folder).absolutePath(), QDir::Files | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QString path = it.next();
        entries.emplace_back(modifiedMs(path), path);
        if (entries.size() % 1000 == 0 && isStopped())
            return false;
    }
    std::sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second; // newest first, then by name
    });
    QStringList files;
    files.reserve(int(entries.size()));
    for (auto &entry : entries)
        files.append(entry.second);
    int next = 0;
    do {
        if (isStopped() || !waitForRoom())
            return false;
        QStringList batch;
        const int end = qMin(next + kBatch, files.size());
        batch.reserve(end - next);
        for (; next < end; ++next)
            batch.append(files.at(next));
        emit newFiles_Signal(listing, name, batch, next == files.size());
    } while (next < files.size());
    return true;
}
