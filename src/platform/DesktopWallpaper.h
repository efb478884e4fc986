#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <qnamespace.h>

namespace platform {

// Installs the picture file as the desktop wallpaper on every monitor of the
// running desktop. `commandOverride` (the kWallpaperCommand setting, with %f
// for the file) replaces the desktop detection when it is not empty.
// On failure returns false with the reason in *error, and the old wallpaper
// stays. Where a monitor of another shape crops the picture, the part named
// by `keepInView` stays visible (the corner with a calendar on it).
bool setDesktopWallpaper(const QString &imagePath, const QString &commandOverride, QString *error,
    Qt::Alignment keepInView = Qt::AlignCenter);

// The desktops whose wallpaper we know how to set. RootWindow is the plain
// X11 root window, used when no known desktop is running.
enum class DesktopKind {
    RootWindow,
    Gnome, // also Unity and Budgie: they read the GNOME background settings
    Cinnamon,
    Mate,
    Xfce,
    Kde,
    Lxde,
    Lxqt,
    Sway,
    // A Wayland session of no known desktop: the root window is X11 only,
    // so there is nothing we can set.
    UnknownWayland,
};

// Works out the running desktop from XDG_CURRENT_DESKTOP, then the exact
// DESKTOP_SESSION name, KDE_FULL_SESSION and SWAYSOCK; an unknown session is
// UnknownWayland under WAYLAND_DISPLAY or XDG_SESSION_TYPE=wayland.
DesktopKind detectDesktop(const QProcessEnvironment &env);

// A short lower-case name for logs and messages ("gnome", "root window").
QString desktopKindName(DesktopKind kind);

} // namespace platform
