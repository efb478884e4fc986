#include "PhotoActions.h"

#include "BrowserMessages.h"
#include "BrowserPrompts.h"
#include "CAFileGetter.h"

#include <core/Analytics.h>
#include <core/FileLocations.h>
#include <core/ImageStore.h>
#include <core/PhotoPaths.h>
#include <core/ServiceAddress.h>
#include <core/Settings.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace {

const QString kWallpaperPlaylist = QStringLiteral("Wallpaper");
const QString kFavoritesPlaylist = QStringLiteral("Favorites");
const QString kSaveFolderKey = QStringLiteral("kLastSaveFolder");

bool isWebAddress(const QString &url)
{
    const QUrl parsed(url, QUrl::StrictMode);
    return parsed.isValid() && !parsed.host().isEmpty()
        && (parsed.scheme() == QLatin1String("http") || parsed.scheme() == QLatin1String("https"));
}

// As the file getter names the files it fetched.
QString cleanPath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

PhotoActions::PhotoActions(BrowserPrompts *prompts, const PlaylistLibrary &library, QObject *parent)
    : QObject(parent)
    , m_prompts(prompts)
    , m_library(library)
{
    connect(CAFileGetter::instance(), &CAFileGetter::newFile_Signal, this, &PhotoActions::fileFetched_Slot);
    connect(CAFileGetter::instance(), &CAFileGetter::fetchFailed_Signal, this, &PhotoActions::fetchFailed_Slot);
}

QString PhotoActions::downloadPath(const QString &uuid)
{
    return FileLocations::photosFolder() + QLatin1Char('/') + uuid + QStringLiteral(".jpg");
}

QString PhotoActions::proposedSavePath(const QString &title, const QString &uuid)
{
    // The dialog opens a folder that is not there in the working folder.
    QString folder = Settings::getString(kSaveFolderKey);
    if (!QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString named = title.trimmed() + QStringLiteral(".jpg");
    const bool useTitle = !title.trimmed().isEmpty() && ImageStore::acceptName(named);
    return QDir(folder).filePath(useTitle ? named : uuid + QStringLiteral(".jpg"));
}

void PhotoActions::rememberSaveFolder(const QString &chosen)
{
    Settings::setValue(kSaveFolderKey, QFileInfo(chosen).absolutePath());
}

bool PhotoActions::pageAction(const QString &channel, const QString &uuid, const QString &url,
    const QString &action, const QString &title)
{
    qDebug().noquote() << "CABrowser::photoClicked(), action:" << ImageStore::nameForLog(action)
                       << "uuid:" << ImageStore::nameForLog(uuid);
    // Everything here comes from a web page: a name that could leave its
    // folder, or an address that is not a web address, writes nothing.
    if (!ImageStore::acceptName(uuid) || uuid.contains(QLatin1String(".."))
        || (!channel.isEmpty() && !ImageStore::acceptName(channel))) {
        qWarning().noquote() << "CABrowser: refused a photo name from the page:"
                             << ImageStore::nameForLog(uuid) << ImageStore::nameForLog(channel);
        return false;
    }
    const bool needsAddress = action != QLatin1String("share") && action != QLatin1String("fav1-remove");
    if (needsAddress && !isWebAddress(url)) {
        qWarning().noquote() << "CABrowser: refused a photo address from the page for" << uuid;
        return false;
    }

    if (action == QLatin1String("wallpaper")) {
        if (!fetchInto(kWallpaperPlaylist, uuid, url, true))
            return false;
        Analytics::wallpaper(channel, uuid, true);
    } else if (action == QLatin1String("fav1")) {
        if (!fetchInto(kFavoritesPlaylist, uuid, url, false))
            return false;
        FavoritesSet::instance().add(uuid);
        Analytics::favorite(channel, uuid);
    } else if (action == QLatin1String("fav1-remove")) {
        removeFavorite(uuid);
    } else if (action == QLatin1String("download")) {
        download(channel, uuid, url, title);
    } else if (action == QLatin1String("playlist")) {
        addToChosenPlaylist(PhotoPaths(url).path(), true);
        Analytics::playlist(channel, uuid);
    } else if (action == QLatin1String("share")) {
        QUrl share(ServiceAddress::serviceUrl(), QUrl::TolerantMode);
        share.setPath(QStringLiteral("/share/") + uuid);
        emit openUrl_Signal(share);
        Analytics::share(channel, uuid, true);
    } else {
        return false;
    }
    return true;
}

bool PhotoActions::fetchInto(
    const QString &playlist, const QString &uuid, const QString &url, bool setAsWallpaper)
{
    const QString folder = m_library.folderOf(playlist);
    ImageStore *store = ImageStore::instance();
    if (!QFileInfo(folder).isDir() || !store->isActive(playlist)) {
        ensureFolder(folder);
        store->setActive(playlist, true);
        emit playlistCreated_Signal(playlist);
    }
    const QString target = cleanPath(folder + QLatin1Char('/') + uuid + QStringLiteral(".jpg"));
    if (setAsWallpaper) {
        m_pendingWallpapers.insert(target);
        emit workStarted_Signal(target);
    }
    CAFileGetter::instance()->fetch(
        QStringLiteral("notused"), PhotoPaths(url).path(), target, setAsWallpaper);
    return true;
}

void PhotoActions::download(
    const QString &channel, const QString &uuid, const QString &url, const QString &title)
{
    const QString chosen = m_prompts->askSaveFile(proposedSavePath(title, uuid));
    if (chosen.isEmpty())
        return;
    rememberSaveFolder(chosen);
    Analytics::download(channel, uuid);
    // A copy the client already holds, else fetched into the downloads folder.
    const QString local = cleanPath(downloadPath(uuid));
    emit workStarted_Signal(local);
    for (const QString &playlist : m_library.playlistNames()) {
        const QString candidate
            = m_library.folderOf(playlist) + QLatin1Char('/') + uuid + QStringLiteral(".jpg");
        if (QFileInfo(candidate).isFile()) {
            copyToChosen(candidate, chosen, local);
            return;
        }
    }
    if (QFileInfo(local).isFile()) {
        copyToChosen(local, chosen, local);
        return;
    }
    m_pendingSaves.insert(local, chosen);
    CAFileGetter::instance()->fetch(QStringLiteral("notused"), PhotoPaths(url).path(), local, false);
}

void PhotoActions::fileFetched_Slot(const QString &category, const QString &path)
{
    Q_UNUSED(category)
    const QString key = cleanPath(path);
    m_pendingWallpapers.remove(key); // the wallpaper manager tells the rest
    const QString chosen = m_pendingSaves.take(key);
    if (!chosen.isEmpty())
        copyToChosen(path, chosen, key);
}

void PhotoActions::fetchFailed_Slot(const QString &path)
{
    const QString key = cleanPath(path);
    const QString chosen = m_pendingSaves.take(key);
    if (chosen.isEmpty() && !m_pendingWallpapers.remove(key))
        return;
    emit workFinished_Signal(key, QString());
    m_prompts->inform(BrowserMessages::kOopsTitle, BrowserMessages::kCannotDownload);
}

void PhotoActions::copyToChosen(const QString &from, const QString &to, const QString &key)
{
    if (QFileInfo(from).canonicalFilePath() == QFileInfo(to).canonicalFilePath()) {
        emit workFinished_Signal(key, BrowserMessages::savedTo(to));
        return;
    }
    // The save dialog has asked before replacing a file.
    const QString aside = to + QStringLiteral(".part");
    QFile::remove(aside);
    if (!QFile::copy(from, aside) || (QFileInfo::exists(to) && !QFile::remove(to))
        || !QFile::rename(aside, to)) {
        QFile::remove(aside);
        qWarning().noquote() << "CABrowser: cannot save the photo as" << to;
        emit workFinished_Signal(key, QString());
        m_prompts->inform(
            BrowserMessages::kOopsTitle, QStringLiteral("The photo could not be saved as %1.").arg(to));
        return;
    }
    emit workFinished_Signal(key, BrowserMessages::savedTo(to));
}

void PhotoActions::removeFavorite(const QString &uuid)
{
    const QString path
        = m_library.folderOf(kFavoritesPlaylist) + QLatin1Char('/') + uuid + QStringLiteral(".jpg");
    deletePhoto(path);
    FavoritesSet::instance().rebuild();
    emit favoritesChanged_Signal();
}

bool PhotoActions::deletePhoto(const QString &path)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString root = QDir::cleanPath(QFileInfo(m_library.folderOf(QStringLiteral("x"))).absolutePath());
    // Only pictures directly inside a playlist folder are deleted from here.
    if (QFileInfo(QFileInfo(clean).absolutePath()).absolutePath() != root) {
        qWarning().noquote() << "CABrowser: not a playlist picture:" << path;
        return false;
    }
    QFile::remove(PhotoPaths(clean).thumbnailPath());
    return QFile::remove(clean) || !QFileInfo::exists(clean);
}

void PhotoActions::addToChosenPlaylist(const QString &path, bool copy, const QString &exclude)
{
    QStringList names = m_library.playlistNames();
    names.removeAll(exclude);
    const QString chosen = m_prompts->choosePlaylist(names);
    if (!chosen.isEmpty())
        addImageToUserFiles(chosen, path, copy, false, true);
}

void PhotoActions::addImageToUserFiles(
    const QString &category, const QString &path, bool copy, bool setAsWallpaper, bool showFeedback)
{
    const PhotoPaths photo(path);
    if (!photo.isUrl() && !QFileInfo(photo.path()).isFile()) {
        m_prompts->inform(BrowserMessages::kOopsTitle, BrowserMessages::kCannotFindImage);
        return;
    }
    const PlaylistLibrary::AddResult result = m_library.addPicture(category, path, copy);
    if (result.createdPlaylist)
        emit playlistCreated_Signal(category);

    switch (result.status) {
    case PlaylistLibrary::AddResult::AlreadyThere:
        if (setAsWallpaper)
            emit wallpaperRequested_Signal(result.target);
        break;
    case PlaylistLibrary::AddResult::Download:
        CAFileGetter::instance()->fetch(
            QStringLiteral("notused"), result.fullUrl, result.target, setAsWallpaper);
        emit photoAdded_Signal(category, result.target);
        if (showFeedback)
            m_prompts->feedback(BrowserMessages::kSuccessTitle, BrowserMessages::movedTo(category),
                BrowserMessages::kMoveFeedbackKey);
        break;
    case PlaylistLibrary::AddResult::Added:
        emit photoAdded_Signal(category, result.target);
        if (setAsWallpaper)
            emit wallpaperRequested_Signal(result.target);
        if (showFeedback && copy)
            m_prompts->feedback(BrowserMessages::kPlaylistTitle, BrowserMessages::addedTo(category),
                BrowserMessages::kMoveFeedbackKey);
        else if (showFeedback)
            m_prompts->feedback(BrowserMessages::kSuccessTitle, BrowserMessages::movedTo(category),
                BrowserMessages::kMoveFeedbackKey);
        break;
    case PlaylistLibrary::AddResult::NoAddress:
        m_prompts->inform(BrowserMessages::kOopsTitle, BrowserMessages::kCannotFindImage);
        break;
    case PlaylistLibrary::AddResult::Refused:
        qWarning().noquote() << "CABrowser:" << result.error;
        break;
    case PlaylistLibrary::AddResult::Failed:
        qWarning().noquote() << "CABrowser:" << result.error;
        m_prompts->inform(BrowserMessages::kOopsTitle, result.error);
        break;
    }
}
