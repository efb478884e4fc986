#include "CAPlaylistLeadImageWorkerThread.h"

#include "Thumbnail.h"

#include <QDir>
#include <QFileInfo>

CAPlaylistLeadImageWorkerThread::CAPlaylistLeadImageWorkerThread(QObject *parent)
    : CAWorkerThread(parent)
{
}

CAPlaylistLeadImageWorkerThread::~CAPlaylistLeadImageWorkerThread()
{
    stop();
}

void CAPlaylistLeadImageWorkerThread::listRoot(const QString &playlistFolder)
{
    {
        QMutexLocker locker(&m_mutex);
        m_root = playlistFolder;
        m_pending = true;
    }
    wake();
}

void CAPlaylistLeadImageWorkerThread::work()
{
    for (;;) {
        if (!waitFor([this] { return m_pending; }))
            return;
        QString root;
        {
            QMutexLocker locker(&m_mutex);
            root = m_root;
            m_pending = false;
        }
        if (!list(root))
            return;
    }
}

bool CAPlaylistLeadImageWorkerThread::list(const QString &root)
{
    QFileInfoList playlists;
    const QFileInfoList folders
        = QDir(root).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &folder : folders) {
        if (!folder.baseName().isEmpty())
            playlists.append(folder);
    }
    for (const QFileInfo &folder : playlists) {
        if (!waitForRoom())
            return false;
        emit newCategory_Signal(false, folder.fileName(), folder.absoluteFilePath(), false);
    }
    if (!waitForRoom())
        return false;
    emit newCategory_Signal(false, QString(), QString(), false);

    for (const QFileInfo &folder : playlists) {
        if (isStopped())
            return false;
        const QFileInfoList files
            = QDir(folder.absoluteFilePath()).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Time);
        const QString lead = files.isEmpty() ? QStringLiteral("empty-flag")
                                             : makeThumbnail(files.first().absoluteFilePath());
        if (!waitForRoom())
            return false;
        emit newFile_Signal(folder.fileName(), lead);
    }
    return true;
}
