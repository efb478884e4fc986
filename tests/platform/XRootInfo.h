#pragma once

#include <QString>

// Small read-only looks at an X server, kept apart from the test so that the
// Xlib macros never meet the Qt headers.

// The pixmap named by a property of the root window (0 when unset).
quint64 rootPixmap(const QString &display, const char *property);

// Whether the server still holds the pixmap.
bool pixmapAlive(const QString &display, quint64 pixmap);

// Points a root window property at a pixmap, as a desktop program would.
void setRootPixmap(const QString &display, const char *property, quint64 pixmap);

// How many pixmaps the whole server holds, or -1 without the X-Resource extension.
int serverPixmapCount(const QString &display);

// One pixel of a pixmap as 0xRRGGBB (a 24-bit true-colour server), 0 when unreadable.
unsigned pixmapPixel(const QString &display, quint64 pixmap, int x, int y);
