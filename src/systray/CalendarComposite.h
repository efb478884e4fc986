#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>

// Draws the calendar onto a wallpaper already scaled to cover the screen.
// The wallpaper may be larger than the screen on one side; desktops show
// its centre, so the corners are those of the centred screen-sized part.
// Works on any thread.
namespace CalendarComposite {

// 32 pixels in from the side, and from the top; a bottom calendar touches
// the lower edge (the page has its own margin below the last month).
constexpr int kMargin = 32;

// The position that picks, at each change, the corner of the shown part
// with the least detail.
constexpr int kAutomatic = 4;

// The corner the calendar sits in, for desktops that crop the wallpaper.
Qt::Alignment corner(int position);

// Where the calendar's top-left corner goes. position: 0 top left,
// 1 top right, 2 bottom left, 3 bottom right; the margin is times scale.
QPoint origin(
    const QSize &wallpaper, const QSize &screen, const QSize &calendar, int position, qreal scale = 1);

// A calendar too large for the screen is shrunk to fit; otherwise it is
// drawn at its own size in pixels, whatever the picture's resolution was.
// Its device pixel ratio (the screen's scale) scales the margins. Where the
// picture leaves its text too little contrast, a plate goes behind it.
// Returns the corner used (0..3): `position`, or the one kAutomatic chose.
int paint(QImage *wallpaper, const QSize &screen, const QImage &calendar, int position);

} // namespace CalendarComposite
