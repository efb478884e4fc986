#include "CAFileGetter.h"

#include "CAFileGetterWorkerThread.h"

#include <core/FileLocations.h>
#include <core/LogScrub.h>
#include <core/ImageStore.h>

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QPointer>
#include <QScopeGuard>
#include <QUrl>

namespace {

// True when `path`, cleaned, is <folder>/<playlist>/<file> with usable names.
bool isPlaylistFile(const QString &path, const QString &folder)
{
    const QString root = QDir::cleanPath(folder) + QLatin1Char('/');
    if (!path.startsWith(root))
        return false;
    const QStringList parts = path.mid(root.size()).split(QLatin1Char('/'));
    return parts.size() == 2 && ImageStore::isSafeName(parts.at(0)) && ImageStore::isSafeName(parts.at(1));
}

} // namespace

CAFileGetter *CAFileGetter::instance()
{
    // Cleared if the application takes the getter with it.
    static QPointer<CAFileGetter> getter;
    static QMutex creation;
    QMutexLocker locker(&creation);
    if (!getter) {
        getter = new CAFileGetter(QCoreApplication::instance());
        if (QCoreApplication::instance()) {
            QObject::connect(
                QCoreApplication::instance(), &QCoreApplication::aboutToQuit, getter, &CAFileGetter::stop);
        }
    }
    return getter;
}

CAFileGetter::CAFileGetter(QObject *parent)
    : QObject(parent)
    , m_worker(new CAFileGetterWorkerThread(this))
{
    connect(m_worker, &CAFileGetterWorkerThread::newFile_Signal, this, &CAFileGetter::newFile_Slot,
        Qt::QueuedConnection);
    connect(m_worker, &CAFileGetterWorkerThread::closeProgress_Signal, this,
        &CAFileGetter::closeProgress_Slot, Qt::QueuedConnection);
    connect(m_worker, &CAFileGetterWorkerThread::wallpaperRequested_Signal, this,
        &CAFileGetter::wallpaperRequested_Slot, Qt::QueuedConnection);
    connect(m_worker, &CAFileGetterWorkerThread::fetchFailed_Signal, this, &CAFileGetter::fetchFailed_Signal,
        Qt::QueuedConnection);
}

CAFileGetter::~CAFileGetter()
{
    stop();
}

bool CAFileGetter::isAcceptedUrl(const QString &url)
{
    const QUrl address(url, QUrl::StrictMode);
    const QString scheme = address.scheme();
    return address.isValid() && !address.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

bool CAFileGetter::isAcceptedFileName(const QString &fileName)
{
    if (fileName.isEmpty() || fileName.contains(QChar(0)))
        return false;
    const QString path = QDir::cleanPath(QFileInfo(fileName).absoluteFilePath());
    // A download the user saves elsewhere is fetched into the photos folder
    // first and copied from there.
    return isPlaylistFile(path, FileLocations::playlistFolder())
        || isPlaylistFile(path, FileLocations::baseFolder() + QStringLiteral("/PlaylistCache"))
        || QFileInfo(path).absolutePath() == QDir::cleanPath(FileLocations::photosFolder());
}

void CAFileGetter::fetch(
    const QString &category, const QString &url, const QString &fileName, bool setAsWallpaper)
{
    // Told after the caller's own bookkeeping, as a fetch that failed is.
    auto refuse = qScopeGuard([this, fileName] {
        QMetaObject::invokeMethod(
            this, [this, fileName] { emit fetchFailed_Signal(fileName); }, Qt::QueuedConnection);
    });
    if (!isAcceptedUrl(url)) {
        qDebug().noquote() << "CAFileGetter: refused address" << LogScrub::text(url);
        return;
    }
    if (!isAcceptedFileName(fileName)) {
        qDebug().noquote() << "CAFileGetter: refused file name outside the playlists:" << fileName;
        return;
    }
    if (m_worker->isStopped()) {
        qDebug().noquote() << "CAFileGetter: stopped, not fetching" << LogScrub::text(url);
        return;
    }
    refuse.dismiss();
    m_worker->enqueue(
        { category, url, QDir::cleanPath(QFileInfo(fileName).absoluteFilePath()), setAsWallpaper });
    m_worker->startWorker();
}

void CAFileGetter::stop()
{
    m_worker->stop();
}

void CAFileGetter::start_Slot()
{
    m_worker->startWorker();
}

void CAFileGetter::newFile_Slot(QString category, QString url)
{
    emit newFile_Signal(category, url);
}

void CAFileGetter::closeProgress_Slot()
{
    emit closeProgress_Signal();
}

void CAFileGetter::wallpaperRequested_Slot(QString path)
{
    emit wallpaperRequested_Signal(path);
}
