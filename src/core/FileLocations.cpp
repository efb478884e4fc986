#include "FileLocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

#include <chrono>
#include <filesystem>
#include <limits>

namespace {

struct Paths
{
    QString documents;
    QString base;
    QString photos;
    QString playlists;
    QString favorites;
};

// Written at start-up before any worker exists; later constructions write
// the same values, the lock only keeps a reader from seeing a half copy.
Paths g_paths;
QMutex g_pathsLock;

Paths computePaths()
{
    Paths p;
    p.documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    p.base = p.documents + QStringLiteral("/Fotoria");
    p.photos = p.base + QStringLiteral("/FotoriaPhotos");
    p.playlists = p.documents + QStringLiteral("/Fotoria Playlist");
    p.favorites = p.playlists + QStringLiteral("/Favorites");
    return p;
}

Paths paths()
{
    QMutexLocker locker(&g_pathsLock);
    if (g_paths.documents.isEmpty()) {
        locker.unlock();
        const Paths computed = computePaths();
        locker.relock();
        g_paths = computed;
    }
    return g_paths;
}

} // namespace

FileLocations::FileLocations()
{
    const Paths computed = computePaths();
    QMutexLocker locker(&g_pathsLock);
    g_paths = computed;
}

FileLocations::~FileLocations() = default;

void FileLocations::createDirectories()
{
    ensureFolder(baseFolder());
    ensureFolder(photosFolder());
    ensureFolder(playlistFolder());
    ensureFolder(favoritesFolder());
}

QString FileLocations::bringToFrontFile() const
{
    return baseFolder() + QStringLiteral("/bringtofront.xml");
}

QString FileLocations::documentsFolder() { return paths().documents; }
QString FileLocations::baseFolder() { return paths().base; }
QString FileLocations::photosFolder() { return paths().photos; }
QString FileLocations::playlistFolder() { return paths().playlists; }
QString FileLocations::favoritesFolder() { return paths().favorites; }
// Read at each call: the application data folder depends on the application
// name, which is set only after the folders are made at start-up. Without one
// the file would land in the root folder; a hidden home folder takes it then.
QString FileLocations::cookieFile()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/.Fotoria");
    return folder + QStringLiteral("/cookies.ini");
}
QString FileLocations::logFile() { return baseFolder() + QStringLiteral("/log.txt"); }
QString FileLocations::crashFolder() { return baseFolder() + QStringLiteral("/crashes"); }

void ensureFolder(const QString &path)
{
    if (!QFileInfo(path).isDir())
        QDir().mkpath(path);
}

bool keepPrivate(const QString &path)
{
    constexpr QFile::Permissions kOwner = QFile::ReadOwner | QFile::WriteOwner;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return false;
    }
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
        | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    if (!(QFile::permissions(path) & others))
        return true;
    // The owner's bits appear twice (owner and user) in Qt's permissions.
    return QFile::setPermissions(path, kOwner | QFile::ReadUser | QFile::WriteUser);
}

bool removeTree(const QString &path)
{
    QDir dir(path);
    if (path.isEmpty() || !dir.exists())
        return false;
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::DirsFirst);
    for (const QFileInfo &entry : entries) {
        // A link to a folder is removed as a link: never follow it out of the tree.
        const bool ok = (entry.isDir() && !entry.isSymLink())
                            ? removeTree(entry.absoluteFilePath())
                            : QFile::remove(entry.absoluteFilePath());
        if (!ok)
            return false;
    }
    return dir.rmdir(dir.absolutePath());
}

qint64 modifiedMs(const QString &path)
{
#ifdef Q_OS_WIN
    const std::filesystem::path native(path.toStdWString());
#else
    const std::filesystem::path native(QFile::encodeName(path).toStdString());
#endif
    std::error_code error;
    const auto time = std::filesystem::last_write_time(native, error);
    return error ? std::numeric_limits<qint64>::min()
                 : std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}
