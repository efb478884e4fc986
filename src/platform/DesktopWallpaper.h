#pragma once

#include <QImage>
#include <QList>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QVector>
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

// One monitor as the desktop knows it: its output name ("HDMI-1") and its
// place on the desktop, in device pixels.
struct DesktopMonitor
{
    QString name;
    QRect geometry;
    bool primary = false;
};

// The monitors of the running desktop (sway's outputs, else the X server's),
// the primary one first (the first listed when none is marked). Empty when
// they cannot be read.
QVector<DesktopMonitor> desktopMonitors();

// A picture made for one monitor: it covers exactly the monitor's size.
struct MonitorPicture
{
    DesktopMonitor monitor;
    QImage image;
};

// A picture of its own on each monitor, the primary's first. Desktops that
// take a picture per monitor get each one; those that take one for all get
// the pictures side by side in one picture the size of the whole desktop,
// spanned over the monitors (so does `commandOverride`); LXQt's pcmanfm-qt
// takes one picture for all and cannot span, so it shows the primary's on
// every monitor. Otherwise as setDesktopWallpaper().
bool setDesktopWallpapers(
    const QList<MonitorPicture> &pictures, const QString &commandOverride, QString *error);

// Whether Fotoria can set the lock screen's picture of the running desktop
// (GNOME and KDE Plasma); when not, *whyNot says so in a sentence for the user.
bool lockScreenSupported(QString *whyNot);

// Puts the picture on the lock screen, through a copy of its own that the
// next call replaces (the lock screen may read it while the wallpaper's
// bitmap is written again).
bool setLockScreenPicture(const QString &imagePath, QString *error);

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
