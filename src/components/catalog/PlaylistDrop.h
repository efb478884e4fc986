#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

class QMimeData;

// The decisions of the playlist strip's drag and drop, apart from any
// widget: what a drop asks for, and which tile lies under the pointer.
namespace PlaylistDrop {

// The item data role holding a playlist's name or a picture's path.
constexpr int kItemRole = 4000;
// Width of one playlist tile with its spacing, in pixels.
constexpr int kTilePitch = 118;

enum class Kind {
    Refused, // no URL list: the drop is not accepted
    Nothing, // accepted, but it carries no address
    Folder, // the first entry is a folder: ask, then add that folder alone
    Pictures, // add the addresses to a playlist
};

struct Plan
{
    Kind kind = Kind::Refused;
    QString folder; // absolute path, for Kind::Folder
    QList<QUrl> urls; // for Kind::Pictures
    bool pendingUsed = false; // the pending path stood in for an empty first entry
};

// `pendingPath` is the address the main window left for the next drop; it
// replaces a first entry that is no local file.
Plan plan(const QMimeData &data, const QString &pendingPath);

// The tile row under x (widget coordinates) for a strip scrolled to
// `scrollValue`, counted in tiles or, with `scrollPerPixel`, in pixels.
int hoverRow(int scrollValue, int x, bool scrollPerPixel);

// An item's role-4000 string as an address: absolute local paths become
// file URLs, anything else is read as a URL.
QUrl urlFor(const QString &itemText);
// The drag data of a list of role-4000 strings, in order.
QMimeData *mimeDataFor(const QStringList &itemTexts);

} // namespace PlaylistDrop
