#pragma once

#include <QString>

namespace platform {

// Installs the picture file as the desktop wallpaper on every monitor of the
// running desktop. `commandOverride` (the kWallpaperCommand setting, with %f
// for the file) replaces the desktop detection when it is not empty.
// On failure returns false with the reason in *error, and the old wallpaper
// stays.
bool setDesktopWallpaper(const QString &imagePath, const QString &commandOverride, QString *error);

} // namespace platform
