#pragma once

#include "WallpaperOptions.h"

#include <QString>
#include <QStringList>
#include <QVector>

class ImageStore;

// Chooses the next picture of the store's active playlists in the order the
// user picked, and keeps its place in a state file of its own, so the order
// goes on where it stopped after a restart:
//
//   Random        the store's random pick; no state file is touched
//   Shuffle       every picture once per round, in a random order; pictures
//                 added meanwhile join the rest of the round, gone ones drop
//   ByName        playlist by playlist, files as a file manager lists them
//                 (by letter before case, "2" before "10"); wraps around
//   NewestFirst   by modification time, newest first; wraps around
//
// The place is the last picture shown, kept by path (and time), so a changed
// list continues after it rather than at a stale index. The shuffled round
// lives beside the state file (".round") and is written only when it is
// dealt or changes. File times are read once per change of the list.
// One thread at a time.
class PictureOrder
{
public:
    using Order = WallpaperOptions::Order;

    PictureOrder(ImageStore *store, const QString &stateFile);

    // The next picture; empty when no picture is active.
    QString next(Order order);

    // The picture the next call of next() will give, without moving on (the
    // state files keep the place), so the wallpaper can be made ahead.
    // Random draws it now (another than `avoid` where there is another) and
    // next() gives it while it is active. Empty when it cannot be told: a
    // shuffled round about to be dealt anew, or no picture active.
    QString upcoming(Order order, const QString &avoid = QString());

    // The user's cache folder + "/Fotoria/" + application name +
    // "-order.json": the tray client and the screensaver keep their own.
    static QString defaultStateFile();

private:
    struct Entry
    {
        QString path;
        QString playlist;
        QString file;
        qint64 time = 0;
    };

    // Restores and arranges the list for `order`; false when it is empty.
    bool arrangeFor(Order order);
    void restore();
    void arrange(const QStringList &pictures);
    void arrangeRound(const QStringList &pictures);
    void deal();
    Entry entry(const QString &path, bool withTime) const;
    void saveState() const;
    void saveRound() const;

    ImageStore *const m_store;
    const QString m_stateFile;
    Order m_order = Order::Random;
    bool m_stale = true;   // the list must be arranged again
    QStringList m_known;   // the store's list the order was arranged from
    QStringList m_list;    // the round, or the sorted pictures
    QVector<qint64> m_times; // newest first: the time of each of m_list
    int m_next = 0;        // index in m_list of the next picture
    Entry m_last;          // the last picture shown
    QString m_randomAhead; // the random pick upcoming() drew
};
