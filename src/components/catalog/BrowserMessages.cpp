#include "BrowserMessages.h"

namespace BrowserMessages {

const QString kPlaylistNameTitle = QStringLiteral("Playlist name!");
const QString kPlaylistExists = QStringLiteral("There is already a playlist with that name!");
const QString kOopsTitle = QStringLiteral("Oops!");
const QString kCannotFindImage = QStringLiteral("Sorry, we cannot find that image!");
const QString kSuccessTitle = QStringLiteral("Success!");
const QString kPlaylistsTitle = QStringLiteral("Playlists");
const QString kAddPhotos = QStringLiteral("Please add photos to this playlist.");
const QString kPlayTitle = QStringLiteral("Play");
const QString kSelectPlaylistToPlay
    = QStringLiteral("Select at least one playlist with at least one photo to run the Screensaver.");
const QString kRemoveTitle = QStringLiteral("Removing a Playlist.");
const QString kAddPlaylistTitle = QStringLiteral("Add Playlist");
const QString kAddPlaylistLabel = QStringLiteral("Playlist:");
const QString kRenamePlaylistTitle = QStringLiteral("Rename Playlist");
const QString kMoveFeedbackKey = QStringLiteral("cabrowser_move_feedback");
const QString kPlaylistTitle = QStringLiteral("Playlist");
const QString kCopyFolderTitle = QStringLiteral("Copy to Playlist.");
const QString kCopyFolderQuestion = QStringLiteral("Copy these photos to a new Playlist?");
const QString kCannotDownload = QStringLiteral("The photo could not be downloaded.");
const QString kWallpaperSet = QStringLiteral("Wallpaper set");
const QString kWallpaperNotSet = QStringLiteral("The wallpaper could not be set.");
const QString kDeletePhotosTitle = QStringLiteral("Delete Photos");

QString movedTo(const QString &category)
{
    return QStringLiteral("Photo(s) have been moved to ") + category + QStringLiteral(" Playlist");
}

QString addedTo(const QString &category)
{
    return QStringLiteral("Photo(s) have been moved/added to your ") + category + QStringLiteral(" Playlist");
}

QString removeQuestion(const QString &name)
{
    return QStringLiteral("Remove the '") + name + QStringLiteral("' Playlist and all photos in it?");
}

QString renameLabel(const QString &name)
{
    return QStringLiteral("Change Playlist name from: ") + name;
}

QString playlistLabel(const QString &name)
{
    return QStringLiteral("Playlist: ") + name;
}

QString savedTo(const QString &path)
{
    return QStringLiteral("Saved to ") + path;
}

QString unreachable(int seconds)
{
    const QString when = seconds <= 0 ? QStringLiteral("now")
        : seconds < 90                ? QStringLiteral("in %1 s").arg(seconds)
                                      : QStringLiteral("in %1 min").arg((seconds + 30) / 60);
    return QStringLiteral("Cannot reach Fotoria. Trying again %1.").arg(when);
}

QString deletePhotosQuestion(int count, const QString &playlist)
{
    return QStringLiteral("Delete %1 %2 from '%3'?")
        .arg(QString::number(count), count == 1 ? QStringLiteral("photo") : QStringLiteral("photos"), playlist);
}

} // namespace BrowserMessages
