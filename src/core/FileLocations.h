#pragma once

#include <QString>

// The well-known folders and files, all derived from the user's documents
// folder. Constructing one (re)computes the process-wide paths; any code may
// construct one on the stack and read them.
class FileLocations
{
public:
    FileLocations();
    virtual ~FileLocations();

    // Creates the base, photos, playlist and favorites folders, in this order.
    void createDirectories();
    QString bringToFrontFile() const;

    static QString documentsFolder();
    static QString baseFolder();      // documents + "/Fotoria"
    static QString photosFolder();    // base + "/FotoriaPhotos"
    static QString playlistFolder();  // documents + "/Fotoria Playlist"
    static QString favoritesFolder(); // playlist + "/Favorites"
    static QString cookieFile();      // application data + "/cookies.ini"
    static QString logFile();         // base + "/log.txt"
    static QString crashFolder();     // base + "/crashes"
};

// A file's modification time in milliseconds since the file clock's epoch
// (the same at every start), without QDateTime's slow local-time
// conversions; the smallest qint64 when it cannot be read.
qint64 modifiedMs(const QString &path);

// Creates the folder with its missing parents when it does not exist.
void ensureFolder(const QString &path);

// Makes the file readable and writable by its owner only (0600): created
// empty so when missing (its folder must exist), narrowed when open to
// others. Writers that replace the file keep its mode.
bool keepPrivate(const QString &path);

// Removes the folder and everything in it, sub-folders first. Stops at the
// first entry that cannot be removed and returns false; a folder that does
// not exist yields false.
bool removeTree(const QString &path);
