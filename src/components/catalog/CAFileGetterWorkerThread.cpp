#include "CAFileGetterWorkerThread.h"

#include <core/LogScrub.h>
#include <core/PhotoPaths.h>
#include <io/NetworkManager.h>

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <optional>

CAFileGetterWorkerThread::CAFileGetterWorkerThread(QObject *parent)
    : CAWorkerThread(parent)
{
}

CAFileGetterWorkerThread::~CAFileGetterWorkerThread()
{
    stop();
}

void CAFileGetterWorkerThread::enqueue(const Request &request)
{
    {
        QMutexLocker locker(&m_mutex);
        if (request.url.contains(QLatin1String("-256x144")))
            m_thumbnailQueue.append(request);
        else
            m_pictureQueue.append(request);
    }
    wake();
}

void CAFileGetterWorkerThread::work()
{
    for (;;) {
        std::optional<Request> thumbnail;
        std::optional<Request> picture;
        if (!waitFor([this] { return !m_thumbnailQueue.isEmpty() || !m_pictureQueue.isEmpty(); }))
            return;
        {
            QMutexLocker locker(&m_mutex);
            if (!m_thumbnailQueue.isEmpty())
                thumbnail = m_thumbnailQueue.takeFirst();
            if (!m_pictureQueue.isEmpty())
                picture = m_pictureQueue.takeFirst();
        }
        if (thumbnail)
            fetchFile(thumbnail->url, thumbnail->fileName, thumbnail->setAsWallpaper);
        if (picture) {
            const QString file = fetchFile(picture->url, picture->fileName, picture->setAsWallpaper);
            if (!file.isEmpty()) {
                const PhotoPaths photo(file);
                emit newFile_Signal(photo.playlist(), photo.path());
            }
        }
        if (isStopped())
            return;
        emit closeProgress_Signal();
    }
}

QString CAFileGetterWorkerThread::fetchFile(const QString &url, const QString &fileName, bool setAsWallpaper)
{
    if (!QFileInfo::exists(fileName)) {
        QDir().mkpath(QFileInfo(fileName).absolutePath());
        QString address = url;
        // The service's photo addresses answer over plain HTTP.
        if (address.startsWith(QLatin1String("https")))
            address.replace(0, 5, QStringLiteral("http"));
        bool fetched = network()->downloadToFile(address, fileName);
        if (fetched && !QImageReader(fileName).canRead()) {
            // An error page or garbage served in place of the picture.
            QFile::remove(fileName);
            fetched = false;
        }
        if (!fetched) {
            qDebug().noquote() << Q_FUNC_INFO << "problem getting url:" << LogScrub::text(address);
            emit fetchFailed_Signal(fileName);
            return QString();
        }
        qDebug().noquote() << Q_FUNC_INFO << "url:" << LogScrub::text(address) << "filename:" << fileName;
    }
    if (setAsWallpaper)
        emit wallpaperRequested_Signal(fileName);
    return fileName;
}
