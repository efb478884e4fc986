#pragma once

#include <QString>
#include <QStringList>

class ImageStore;

// The playlist operations on disk and in the index, without any window: the
// main window asks, shows the messages the results call for, and refreshes
// its lists. A playlist is a folder directly inside the playlist folder; no
// name given here can reach outside it.
class PlaylistLibrary
{
public:
    // Over the user's playlist folder and the process-wide store.
    PlaylistLibrary();
    PlaylistLibrary(ImageStore *store, const QString &playlistFolder);

    // The entered name without ".", ":", "?" and "!".
    static QString cleanName(const QString &entered);

    enum class CreateResult {
        Created,
        Ignored, // nothing entered
        Exists, // "There is already a playlist with that name!"
        Refused, // a path separator in the name
        Failed, // the folder could not be made
    };
    // Creates the folder, makes it active and the selected playlist
    // ("kSelectedPlaylist"). *name receives the cleaned name.
    CreateResult create(const QString &entered, QString *name = nullptr);

    enum class RenameResult { Renamed, Unchanged, Exists, Refused, Failed };
    // Renames the folder; the new entry takes the old one's flag, and the old
    // entry stays in the index.
    RenameResult rename(const QString &oldName, const QString &newName);

    // Removes the folder and its pictures; the index keeps the entry. A
    // playlist folder that is a symbolic link loses the link only.
    bool remove(const QString &name);

    // Only `current` stays active (none when it is empty).
    void useOnly(const QString &current);
    void setChecked(const QString &name, bool checked);

    // The playlist folders, by name ignoring case.
    QStringList playlistNames() const;
    QString folderOf(const QString &name) const;

    struct AddResult
    {
        enum Status {
            Added, // copied or moved into the playlist
            AlreadyThere, // the playlist already has this picture
            Download, // fetch fullUrl into target
            NoAddress, // "Sorry, we cannot find that image!"
            Refused, // a name that would leave the playlist folder
            Failed, // the copy or move failed; the source is untouched
        };
        Status status = Failed;
        QString target; // the playlist file
        QString fullUrl; // for Download
        QString thumbnailPath; // the target's thumbnail, for Added
        bool createdPlaylist = false;
        QString error;
    };
    // Puts a picture into the playlist `category`. `path` is a service
    // address, a "file://" URL (always copied) or a local path: a picture of
    // another playlist is copied or moved as `copy` says, a file from
    // outside the playlist folder is always copied. A moved picture becomes the newest of its
    // playlist. A different picture of the same file name is kept beside
    // the existing one under a free name; a source is only ever deleted when
    // the playlist already holds the same content.
    AddResult addPicture(const QString &category, const QString &path, bool copy);

private:
    ImageStore *m_store;
    QString m_folder;
};

// The uuids of the pictures in the Favorites playlist, which the main window
// marks as favourites.
class FavoritesSet
{
public:
    static FavoritesSet &instance();

    // Lists the folder again (files by name ignoring case; each file name
    // without its last four characters, the ".jpg").
    void rebuild(const QString &favoritesFolder);
    void rebuild();
    void add(const QString &uuid);
    bool contains(const QString &uuid) const { return m_uuids.contains(uuid); }
    QStringList uuids() const { return m_uuids; }

private:
    QStringList m_uuids;
};
