#include "CalendarComposite.h"

#include "CalendarReadability.h"

#include <QPainter>

namespace CalendarComposite {

Qt::Alignment corner(int position)
{
    const bool right = position == 1 || position == 3;
    const bool bottom = position == 2 || position == 3;
    return (right ? Qt::AlignRight : Qt::AlignLeft) | (bottom ? Qt::AlignBottom : Qt::AlignTop);
}

QPoint origin(const QSize &wallpaper, const QSize &screen, const QSize &calendar, int position, qreal scale)
{
    const int margin = qRound(kMargin * scale);
    const QSize shown = screen.boundedTo(wallpaper);
    const QPoint topLeft((wallpaper.width() - shown.width()) / 2, (wallpaper.height() - shown.height()) / 2);
    const Qt::Alignment at = corner(position);
    const int x = at & Qt::AlignRight ? shown.width() - calendar.width() - margin : margin;
    const int y = at & Qt::AlignBottom ? shown.height() - calendar.height() : margin;
    return topLeft + QPoint(x, y);
}

namespace {

// Ties go to the first corner: top left, as the default position.
int calmestCorner(const QImage &wallpaper, const QSize &screen, const QSize &calendar, qreal scale)
{
    int calmest = 0;
    qreal least = 0;
    for (int at = 0; at < kAutomatic; ++at) {
        const qreal detail = CalendarReadability::detail(
            wallpaper, QRect(origin(wallpaper.size(), screen, calendar, at, scale), calendar));
        if (at == 0 || detail < least) {
            least = detail;
            calmest = at;
        }
    }
    return calmest;
}

} // namespace

int paint(QImage *wallpaper, const QSize &screen, const QImage &calendar, int position)
{
    const int fallback = position == kAutomatic ? 0 : position;
    if (calendar.isNull() || wallpaper->isNull())
        return fallback;
    // The wallpaper is in device pixels, and so is the calendar: its
    // margins grow with it.
    const qreal scale = calendar.devicePixelRatio();
    const int margin = qRound(kMargin * scale);
    QImage pixels = calendar;
    pixels.setDevicePixelRatio(1);
    const QSize shown = screen.boundedTo(wallpaper->size());
    const QSize room(shown.width() - 2 * margin, shown.height() - margin);
    if (room.isEmpty())
        return fallback;
    const QImage fitted = pixels.width() > room.width() || pixels.height() > room.height()
        ? pixels.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        : pixels;
    if (wallpaper->format() != QImage::Format_RGB32)
        *wallpaper = wallpaper->convertToFormat(QImage::Format_RGB32);
    const int at = position == kAutomatic ? calmestCorner(*wallpaper, screen, fitted.size(), scale) : position;
    const QRect area(origin(wallpaper->size(), screen, fitted.size(), at, scale), fitted.size());
    // The page's own rounding is 16 pixels (the month's slot).
    CalendarReadability::paintPlate(wallpaper, area, CalendarReadability::textColor(fitted), 16 * scale);
    QPainter(wallpaper).drawImage(area.topLeft(), fitted);
    return at;
}

} // namespace CalendarComposite
