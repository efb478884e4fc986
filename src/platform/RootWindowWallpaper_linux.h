#pragma once

#include "DesktopWallpaper.h"

#include <QImage>
#include <QString>

namespace platform::wallpaper {

// Paints the picture as the background of the X11 root window of the display
// in $DISPLAY, scaled and cropped to cover each monitor on its own (the
// whole root when the monitors are unknown). The pixmap outlives our short connection and is announced
// through _XROOTPMAP_ID and ESETROOT_PMAP_ID, so transparent terminals and the next setter find it; the
// previous setter's pixmap is freed.
bool setRootWindowWallpaper(const QImage &image, Qt::Alignment keepInView, QString *error);

// As above with a picture of its own at each monitor's place.
bool setRootWindowWallpapers(const QList<MonitorPicture> &pictures, QString *error);

} // namespace platform::wallpaper
