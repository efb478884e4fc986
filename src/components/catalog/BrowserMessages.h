#pragma once

#include <QString>

// The texts the main window shows, in one place so that the actions and the
// tests use the same words.
namespace BrowserMessages {

extern const QString kPlaylistNameTitle; // "Playlist name!"
extern const QString kPlaylistExists; // "There is already a playlist with that name!"
extern const QString kOopsTitle; // "Oops!"
extern const QString kCannotFindImage; // "Sorry, we cannot find that image!"
extern const QString kSuccessTitle; // "Success!"
extern const QString kPlaylistsTitle; // "Playlists"
extern const QString kAddPhotos; // "Please add photos to this playlist."
extern const QString kPlayTitle; // "Play"
extern const QString kSelectPlaylistToPlay;
extern const QString kRemoveTitle; // "Removing a Playlist."
extern const QString kAddPlaylistTitle; // "Add Playlist"
extern const QString kAddPlaylistLabel; // "Playlist:"
extern const QString kRenamePlaylistTitle; // "Rename Playlist"
extern const QString kMoveFeedbackKey; // "cabrowser_move_feedback"
extern const QString kPlaylistTitle; // "Playlist"
extern const QString kCopyFolderTitle; // "Copy to Playlist."
extern const QString kCopyFolderQuestion; // "Copy these photos to a new Playlist?"
extern const QString kCannotDownload; // "The photo could not be downloaded."
extern const QString kWallpaperSet; // "Wallpaper set"
extern const QString kWallpaperNotSet; // "The wallpaper could not be set."
extern const QString kDeletePhotosTitle; // "Delete Photos"

// "Photo(s) have been moved to <category> Playlist"
QString movedTo(const QString &category);
// "Photo(s) have been moved/added to your <category> Playlist"
QString addedTo(const QString &category);
// "Remove the '<name>' Playlist and all photos in it?"
QString removeQuestion(const QString &name);
// "Change Playlist name from: <name>"
QString renameLabel(const QString &name);
// "Playlist: <name>"
QString playlistLabel(const QString &name);
// "Saved to <path>"
QString savedTo(const QString &path);
// "Cannot reach Fotoria. Trying again in 30 s." (in `seconds`; now at 0)
QString unreachable(int seconds);
// "Delete 3 photos from '<playlist>'?" ("1 photo" for one)
QString deletePhotosQuestion(int count, const QString &playlist);

} // namespace BrowserMessages
