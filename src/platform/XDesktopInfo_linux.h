#pragma once

#include <QString>
#include <QStringList>

namespace platform::wallpaper {

// What a desktop's per-monitor settings are keyed by, read from the X
// display in $DISPLAY: the RandR names of the lit outputs ("HDMI-1") and
// the current workspace (_NET_CURRENT_DESKTOP, 0 without a window manager).
struct XDesktopInfo
{
    QStringList monitors;
    int workspace = 0;
};

bool readXDesktopInfo(XDesktopInfo *info, QString *error);

} // namespace platform::wallpaper
