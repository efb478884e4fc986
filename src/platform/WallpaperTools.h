#pragma once

#include "DesktopWallpaper.h"

#include <QImage>
#include <QString>
#include <QStringList>

// Helpers shared by the wallpaper setters of every system: checking the
// picture, running an outside tool with a time limit, the user's own command.
namespace platform::wallpaper {

// Reads the whole picture file into *bytes and decodes it into *image, so the
// bytes that get installed are the bytes that were checked. Refuses missing,
// empty, broken and oversized pictures with a readable reason.
bool loadPicture(const QString &path, QByteArray *bytes, QImage *image, QByteArray *format, QString *error);

// The picture scaled to cover width x height and cropped to it: centred, or
// towards the sides named by `keep`.
QImage coverImage(const QImage &image, int width, int height, Qt::Alignment keep = Qt::AlignCenter);

// The monitors' pictures, each at its monitor's place less `area`'s
// corner, on a black picture of `area`'s size.
QImage desktopPicture(const QList<MonitorPicture> &pictures, const QRect &area);
// The bounding box of the monitors.
QRect desktopArea(const QList<MonitorPicture> &pictures);

// A GVariant text literal, as gsettings parses its value argument.
QString gvariantString(const QString &text);
// A file:// URI, percent-encoded.
QString fileUri(const QString &path);

// Pictures above this many pixels are refused before decoding.
constexpr qint64 kMaxPicturePixels = 250LL * 1000 * 1000;

// How long an outside tool may run before it counts as hung (milliseconds).
int toolTimeout();
void setToolTimeout(int msecs);

// Runs `program` with `arguments` (never through a shell) and waits for it.
// A missing program, a crash, a time-out or a non-zero exit status is a
// failure; the reason carries the tool's own error output when it wrote one.
// *output receives its standard output when given.
bool runTool(const QString &program, const QStringList &arguments, QString *error, QString *output = nullptr);

// Splits the user's command line like a shell would split words (but runs no
// shell) and puts `file` wherever an argument holds %f.
bool runCommandOverride(const QString &commandLine, const QString &file, QString *error);

} // namespace platform::wallpaper
