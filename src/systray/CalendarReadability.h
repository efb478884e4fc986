#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

// Keeps the calendar readable on any picture: finds the calmest corner for
// it, and puts a translucent plate behind it where the picture would leave
// its text too little contrast.
namespace CalendarReadability {

// WCAG 2 asks for this contrast ratio for normal text.
constexpr qreal kMinimumContrast = 4.5;

// The detail of the picture in `area`: the mean absolute difference of the
// luminance (0..255) of neighbouring pixels.
qreal detail(const QImage &picture, const QRect &area);

// The WCAG 2 contrast ratio of two colours (1 to 21).
qreal contrast(const QColor &a, const QColor &b);

// The calendar's text colour, from its nearly opaque pixels (the month's
// box is translucent, its text is not): light text is its lightest pixel,
// dark text its darkest. White when nothing is opaque.
QColor textColor(const QImage &calendar);

// Below kMinimumContrast between `text` and the picture's mean colour in
// `area`, paints a rounded plate there, black behind light text, white
// behind dark, just opaque enough for the contrast. True when it did.
bool paintPlate(QImage *picture, const QRect &area, const QColor &text, qreal radius);

} // namespace CalendarReadability
