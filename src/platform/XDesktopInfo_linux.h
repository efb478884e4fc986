#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>

typedef struct _XDisplay Display;

namespace platform::wallpaper {

// One lit monitor as the desktop sees it: its RandR name ("HDMI-1") and its
// place on the root window, in device pixels.
struct XMonitor
{
    QString name;
    QRect geometry;
    bool primary = false;
};

// What a desktop's per-monitor settings are keyed by, read from the X
// display in $DISPLAY: the monitors and the current workspace
// (_NET_CURRENT_DESKTOP, 0 without a window manager).
struct XDesktopInfo
{
    QVector<XMonitor> monitors;
    int workspace = 0;
};

bool readXDesktopInfo(XDesktopInfo *info, QString *error);

// The monitors of an open display: RandR 1.5 monitors (which include those
// made with `xrandr --setmonitor`), else the lit outputs. Empty when the
// server knows neither; callers then treat the whole screen as one.
QVector<XMonitor> readMonitors(Display *display);

} // namespace platform::wallpaper
