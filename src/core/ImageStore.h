#pragma once

#include <QMap>
#include <QMutex>
#include <QString>
#include <QStringList>

// The index of playlists ("active.xml", INI format, one "imagestore" array of
// {path, active}) and the pictures of the active playlists, from which the
// wallpaper rotation and the screensaver pick at random.
//
// The pictures list is rebuilt after every change of playlists (and by
// reload()); files added to a folder later are not seen until then. Every
// save replaces the whole index file atomically, so a reader in another
// process always sees either the old or the new complete file. All public
// functions are safe to call from any thread.
class ImageStore
{
public:
    // A playlist contributes at most this many files, first by name.
    static constexpr int kMaxPicturesPerPlaylist = 1002;

    // The store over the user's folders (base folder + "/active.xml" and the
    // playlist folder), created on first use and never destroyed.
    static ImageStore *instance();

    // A store over the given index file and playlist folder (tests, tools).
    ImageStore(const QString &indexFile, const QString &playlistFolder);

    // playlists[name] = active, save, rebuild. Names that could leave the
    // playlist folder (separators, "..", empty) are ignored.
    void setActive(const QString &name, bool active);
    // Every flag becomes false and is saved; the pictures stay as they are
    // until the next change.
    void deactivateAll();
    bool isActive(const QString &name) const;
    int activeCount() const;
    int pictureCount() const;
    // Absolute path of a picture of an active playlist chosen at random;
    // empty when there is none.
    QString randomPicture() const;

    // Reads the index file again and rebuilds (the screensaver's refresh).
    void reload();
    // Lists the folders of the active playlists again.
    void rebuild();

    // Every known playlist name with its flag, in index order.
    QMap<QString, bool> playlists() const;
    QStringList pictures() const;
    QString indexFile() const { return m_indexFile; }
    QString playlistFolder() const { return m_playlistFolder; }

    // True when `name` can name a folder directly inside the playlist folder.
    // Names already on disk or in the index need no more.
    static bool isSafeName(const QString &name);
    // For names that come in (from a page, the service or the user): true
    // when `name` can name a file or folder on Linux and on Windows alike:
    // 1 to 255 bytes of UTF-8, no separator, control character or character
    // Windows refuses (<>:"|?*), no trailing dot or space, not a device name
    // such as CON or com1.txt. A refused name gets a log line.
    static bool acceptName(const QString &name);
    // The name quoted for the log, control characters escaped: a name
    // never forges a line of its own.
    static QString nameForLog(const QString &name);

private:
    void loadLocked();
    bool saveLocked();
    void rebuildLocked();

    const QString m_indexFile;
    const QString m_playlistFolder;
    mutable QMutex m_lock;
    QMap<QString, bool> m_playlists;
    QStringList m_pictures;
};
