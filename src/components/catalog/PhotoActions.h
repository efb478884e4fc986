#pragma once

#include <core/PlaylistLibrary.h>

#include <QHash>
#include <QObject>
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
    // "fav1", "fav1-remove". Returns false for a refused or unknown call.
    bool pageAction(const QString &channel, const QString &uuid, const QString &url, const QString &action);

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

public slots:
    // A file the file getter stored: finishes a download the user asked for.
    void fileFetched_Slot(const QString &category, const QString &path);

private:
    bool fetchInto(const QString &playlist, const QString &uuid, const QString &url, bool setAsWallpaper);
    void download(const QString &channel, const QString &uuid, const QString &url, const QString &title);
    void removeFavorite(const QString &uuid);
    void copyToChosen(const QString &from, const QString &to);

    BrowserPrompts *m_prompts;
    PlaylistLibrary m_library;
    // Downloaded file -> where the user wants a copy.
    QHash<QString, QString> m_pendingSaves;
};
