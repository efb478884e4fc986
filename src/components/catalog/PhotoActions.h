#pragma once

#include <core/PlaylistLibrary.h>

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

class BrowserPrompts;

// What the user does with one photo: the gallery page's buttons (through
// the script bridge) and the photo tiles of the playlist view. Files are
// only ever written inside a playlist folder, the downloads folder or where
// the user chose; names handed over by a page are checked first.
class PhotoActions : public QObject
{
    Q_OBJECT
public:
    PhotoActions(BrowserPrompts *prompts, const PlaylistLibrary &library, QObject *parent = nullptr);

    // From the gallery page: "wallpaper", "download", "playlist", "share",
    // "fav1", "fav1-remove". `title` names the file a download proposes.
    // Returns false for a refused or unknown call.
    bool pageAction(const QString &channel, const QString &uuid, const QString &url, const QString &action,
        const QString &title = QString());

    // Puts a picture (service address, "file://" URL or local path) into a
    // playlist, copying or moving a local file; a service address is fetched.
    void addImageToUserFiles(
        const QString &category, const QString &path, bool copy, bool setAsWallpaper, bool showFeedback);

    // Asks for a playlist (all but `exclude`) and adds the picture to it.
    void addToChosenPlaylist(const QString &path, bool copy, const QString &exclude = QString());

    // Removes a playlist picture and its thumbnail.
    bool deletePhoto(const QString &path);

    // The playlist names offered by the add-to-playlist question.
    QStringList playlistNames() const { return m_library.playlistNames(); }

    // The file the picture of `uuid` has in the downloads folder.
    static QString downloadPath(const QString &uuid);

    // What the save dialog proposes for a photo: the folder of the last
    // save (the Pictures folder before the first), named after `title`
    // when the file system takes it, else after `uuid`.
    static QString proposedSavePath(const QString &title, const QString &uuid);
    // Remembers the folder of `chosen` for the next save.
    static void rememberSaveFolder(const QString &chosen);

signals:
    void wallpaperRequested_Signal(QString path);
    // A picture is now in the playlist (or will be once fetched).
    void photoAdded_Signal(QString category, QString path);
    void playlistCreated_Signal(QString category);
    // The favourites changed: lead pictures and marks need a refresh.
    void favoritesChanged_Signal();
    void openUrl_Signal(QUrl url);
    // Slow work under way on the file `key`, and its end with a short note
    // (empty after a failure, which was told already).
    void workStarted_Signal(QString key);
    void workFinished_Signal(QString key, QString note);

public slots:
    // A file the file getter stored: finishes a download the user asked for.
    void fileFetched_Slot(const QString &category, const QString &path);
    // A file the file getter could not fetch: a wanted copy or wallpaper fails.
    void fetchFailed_Slot(const QString &path);

private:
    bool fetchInto(const QString &playlist, const QString &uuid, const QString &url, bool setAsWallpaper);
    void download(const QString &channel, const QString &uuid, const QString &url, const QString &title);
    void removeFavorite(const QString &uuid);
    // `key`: the work this copy ends.
    void copyToChosen(const QString &from, const QString &to, const QString &key);

    BrowserPrompts *m_prompts;
    PlaylistLibrary m_library;
    // Downloaded file -> where the user wants a copy.
    QHash<QString, QString> m_pendingSaves;
    // Pictures being fetched to become the wallpaper.
    QSet<QString> m_pendingWallpapers;
};
