#include "PlaylistLibrary.h"

#include "FileLocations.h"
#include "ImageStore.h"
#include "PhotoPaths.h"
#include "Settings.h"

#include <platform/FileCommit.h>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <platform/FileRename.h>

namespace {

bool sameContent(const QString &a, const QString &b)
{
    QFile fa(a);
    QFile fb(b);
    if (fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    while (!fa.atEnd()) {
        if (fa.read(1 << 16) != fb.read(1 << 16))
            return false;
    }
    return fb.atEnd();
}

bool sameFile(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// "name.jpg" -> "name (2).jpg", "name (3).jpg", ... the first that is free.
QString freeName(const QString &target)
{
    const QFileInfo info(target);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString stem = info.fileName().left(info.fileName().size() - suffix.size());
    for (int n = 2;; ++n) {
        const QString candidate
            = info.absolutePath() + QLatin1Char('/') + stem + QStringLiteral(" (%1)").arg(n) + suffix;
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

// True when `path` lies inside `folder` once links are resolved.
bool isInside(const QString &path, const QString &folder)
{
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    const QString canonicalPath = QFileInfo(path).canonicalFilePath();
    return !canonicalFolder.isEmpty() && canonicalPath.startsWith(canonicalFolder + QLatin1Char('/'));
}

bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite)
        && file.setFileTime(QDateTime::currentDateTime(), QFileDevice::FileModificationTime);
}

// A rename within one file system. Between file systems the copy goes
// through a QSaveFile in the target's folder, whose commit flushes it to
// disk, and the source is deleted only after that commit succeeded.
bool movePicture(const QString &source, const QString &target, QString *error)
{
    switch (platform::renameWithoutCopy(source, target, error)) {
    case platform::RenameResult::Renamed:
        return true;
    case platform::RenameResult::Failed:
        return false;
    case platform::RenameResult::OtherFileSystem:
        break;
    }
    QFile in(source);
    QSaveFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        *error = in.isOpen() ? out.errorString() : in.errorString();
        return false;
    }
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 16);
        if (chunk.isEmpty() || out.write(chunk) != chunk.size()) {
            *error = chunk.isEmpty() ? in.errorString() : out.errorString();
            out.cancelWriting();
            return false;
        }
    }
    // The commit would replace a file that appeared in the meantime.
    if (QFileInfo::exists(target)) {
        *error = QStringLiteral("the target appeared meanwhile");
        out.cancelWriting();
        return false;
    }
    if (!platform::commitFile(out, error))
        return false;
    if (!QFile::remove(source))
        qWarning() << "Copied to" << target << "but cannot remove" << source;
    return true;
}

} // namespace

PlaylistLibrary::PlaylistLibrary()
    : PlaylistLibrary(ImageStore::instance(), FileLocations::playlistFolder())
{
}

PlaylistLibrary::PlaylistLibrary(ImageStore *store, const QString &playlistFolder)
    : m_store(store)
    , m_folder(playlistFolder)
{
}

QString PlaylistLibrary::cleanName(const QString &entered)
{
    QString name = entered;
    for (const QChar c : { QLatin1Char('.'), QLatin1Char(':'), QLatin1Char('?'), QLatin1Char('!') })
        name.remove(c);
    return name;
}

QString PlaylistLibrary::folderOf(const QString &name) const
{
    return m_folder + QLatin1Char('/') + name;
}

PlaylistLibrary::CreateResult PlaylistLibrary::create(const QString &entered, QString *createdName)
{
    if (entered.isEmpty())
        return CreateResult::Ignored;
    const QString name = cleanName(entered);
    if (createdName)
        *createdName = name;
    // Nothing left names the playlist folder itself, which exists.
    if (name.isEmpty() || QFileInfo::exists(folderOf(name)))
        return CreateResult::Exists;
    if (!ImageStore::acceptName(name))
        return CreateResult::Refused;
    if (!QDir().mkpath(folderOf(name)))
        return CreateResult::Failed;
    m_store->setActive(name, true);
    Settings::setValue(QStringLiteral("kSelectedPlaylist"), name);
    return CreateResult::Created;
}

PlaylistLibrary::RenameResult PlaylistLibrary::rename(const QString &oldName, const QString &newName)
{
    if (newName == oldName)
        return RenameResult::Unchanged;
    // The old name may be any folder there is; the new one must suit every system.
    if (!ImageStore::isSafeName(oldName) || !ImageStore::acceptName(newName))
        return RenameResult::Refused;
    if (playlistNames().contains(newName) || QFileInfo::exists(folderOf(newName)))
        return RenameResult::Exists;
    if (!QDir(m_folder).rename(oldName, newName))
        return RenameResult::Failed;
    m_store->setActive(newName, m_store->isActive(oldName));
    return RenameResult::Renamed;
}

bool PlaylistLibrary::remove(const QString &name)
{
    if (!ImageStore::isSafeName(name))
        return false;
    const QString folder = folderOf(name);
    // A linked folder belongs to someone else: only the link goes.
    if (QFileInfo(folder).isSymLink())
        return QFile::remove(folder);
    return removeTree(folder);
}

void PlaylistLibrary::useOnly(const QString &current)
{
    m_store->deactivateAll();
    if (!current.isEmpty())
        m_store->setActive(current, true);
}

void PlaylistLibrary::setChecked(const QString &name, bool checked)
{
    m_store->setActive(name, checked);
}

QStringList PlaylistLibrary::playlistNames() const
{
    return QDir(m_folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

PlaylistLibrary::AddResult PlaylistLibrary::addPicture(
    const QString &category, const QString &path, bool copy)
{
    qDebug().noquote() << "CABrowser::addImageToUserFiles(), category:" << ImageStore::nameForLog(category)
                       << "path:" << ImageStore::nameForLog(path);
    AddResult result;
    PhotoPaths photo(path);
    const QString fileName = photo.fileName();
    if (!ImageStore::acceptName(category) || !ImageStore::acceptName(fileName)) {
        result.status = AddResult::Refused;
        result.error = QStringLiteral("The picture or playlist name is not usable: %1").arg(path);
        return result;
    }
    const QString folder = folderOf(category);
    result.target = folder + QLatin1Char('/') + fileName;

    QString source;
    bool keepSource = copy;
    if (!photo.isUrl()) {
        source = photo.path();
        if (photo.isFileUrl())
            keepSource = true;
        // Only pictures of other playlists are moved; the user's own files
        // from elsewhere are copied, so deleting a playlist never takes them.
        if (!isInside(source, m_folder))
            keepSource = true;
    }

    if (QFileInfo::exists(result.target)) {
        if (photo.isUrl() || !QFileInfo::exists(source) || sameFile(source, result.target)) {
            result.status = AddResult::AlreadyThere;
            return result;
        }
        if (sameContent(source, result.target)) {
            if (!keepSource)
                QFile::remove(source);
            result.status = AddResult::AlreadyThere;
            return result;
        }
        // A different picture that happens to have the same name: keep both.
        result.target = freeName(result.target);
    }

    if (!photo.isUrl() && !QFileInfo(source).isFile()) {
        result.status = AddResult::Failed;
        result.error = QStringLiteral("No picture file at %1").arg(source);
        return result;
    }

    if (!QFileInfo(folder).isDir()) {
        QDir().mkpath(folder);
        m_store->setActive(category, true);
        result.createdPlaylist = true;
    }

    if (photo.isUrl()) {
        result.fullUrl = photo.fullUrl();
        result.status = result.fullUrl.isEmpty() ? AddResult::NoAddress : AddResult::Download;
        return result;
    }

    QString why;
    const bool ok
        = keepSource ? QFile::copy(source, result.target) : movePicture(source, result.target, &why);
    // A dropped picture leads its playlist, also when it was copied instead.
    if (ok && !copy && !touch(result.target))
        qWarning() << "Cannot set the modification time of" << result.target;
    if (!ok) {
        result.status = AddResult::Failed;
        result.error = QStringLiteral("Cannot %1 %2 to %3")
                           .arg(keepSource ? QStringLiteral("copy") : QStringLiteral("move"), source,
                               result.target + (why.isEmpty() ? QString() : QStringLiteral(": ") + why));
        qWarning().noquote() << result.error;
        return result;
    }
    result.status = AddResult::Added;
    result.thumbnailPath = PhotoPaths(result.target).thumbnailPath();
    return result;
}

FavoritesSet &FavoritesSet::instance()
{
    static FavoritesSet set;
    return set;
}

void FavoritesSet::rebuild(const QString &favoritesFolder)
{
    m_uuids.clear();
    const QStringList names
        = QDir(favoritesFolder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names)
        m_uuids.append(name.left(name.size() - 4));
}

void FavoritesSet::rebuild()
{
    rebuild(FileLocations::favoritesFolder());
}

void FavoritesSet::add(const QString &uuid)
{
    if (!m_uuids.contains(uuid))
        m_uuids.append(uuid);
}
