#include "CalendarComposite.h"

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

void paint(QImage *wallpaper, const QSize &screen, const QImage &calendar, int position)
{
    if (calendar.isNull() || wallpaper->isNull())
        return;
    // The wallpaper is in device pixels, and so is the calendar: its
    // margins grow with it.
    const qreal scale = calendar.devicePixelRatio();
    const int margin = qRound(kMargin * scale);
    QImage pixels = calendar;
    pixels.setDevicePixelRatio(1);
    const QSize shown = screen.boundedTo(wallpaper->size());
    const QSize room(shown.width() - 2 * margin, shown.height() - margin);
    if (room.isEmpty())
        return;
    const QImage fitted = pixels.width() > room.width() || pixels.height() > room.height()
        ? pixels.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        : pixels;
    if (wallpaper->format() != QImage::Format_RGB32)
        *wallpaper = wallpaper->convertToFormat(QImage::Format_RGB32);
    QPainter painter(wallpaper);
    painter.drawImage(origin(wallpaper->size(), screen, fitted.size(), position, scale), fitted);
}

} // namespace CalendarComposite
