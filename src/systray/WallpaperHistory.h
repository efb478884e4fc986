#pragma once

#include <QString>
#include <QStringList>

// The last pictures that became the wallpaper (the primary monitor's), newest
// last, and where "Previous" and "Next" have walked to among them. Kept in a
// small file so the walk survives a restart; pictures gone from disk are
// stepped over, not forgotten.
class WallpaperHistory
{
public:
    static constexpr int kLimit = 100;

    // "WallpaperHistory.json" in the user's cache folder, beside the bitmap.
    static QString defaultPath();

    // Reads the file; a missing one is an empty history, so is a damaged one
    // (logged).
    explicit WallpaperHistory(const QString &file = defaultPath());

    // The picture the walk is at; empty when there is none.
    QString current() const;
    // Whether an earlier picture is still on disk.
    bool canGoBack() const;
    // Moves to the nearest earlier (or later) picture still on disk and
    // returns it; empty, and the walk stays, when there is none.
    QString back();
    QString forward();
    // A picture became the wallpaper: unless it is the one the walk is at, it
    // becomes the newest entry and the walk goes there.
    void record(const QString &picture);

private:
    // The index of the nearest existing picture from `from` in steps of
    // `step`, or -1.
    int existing(int from, int step) const;
    void load();
    void save() const;

    QString m_file;
    QStringList m_pictures;
    int m_position = -1;
};
