#pragma once

#include <QImage>
#include <QString>

namespace platform::wallpaper {

// Paints the picture as the background of the X11 root window of the display
// in $DISPLAY, covering the whole root (scaled and cropped when the sizes
// differ). The pixmap outlives our short connection and is announced through
// _XROOTPMAP_ID and ESETROOT_PMAP_ID, so transparent terminals and the next
// setter find it; the previous setter's pixmap is freed.
bool setRootWindowWallpaper(const QImage &image, QString *error);

// The picture scaled to cover width x height and cropped to it, centred.
QImage coverImage(const QImage &image, int width, int height);

} // namespace platform::wallpaper
