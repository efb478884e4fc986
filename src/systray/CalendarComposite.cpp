#include "CalendarComposite.h"

#include <QPainter>

namespace CalendarComposite {

Qt::Alignment corner(int position)
{
    const bool right = position == 1 || position == 3;
    const bool bottom = position == 2 || position == 3;
    return (right ? Qt::AlignRight : Qt::AlignLeft) | (bottom ? Qt::AlignBottom : Qt::AlignTop);
}

QPoint origin(const QSize &wallpaper, const QSize &screen, const QSize &calendar, int position)
{
    const QSize shown = screen.boundedTo(wallpaper);
    const QPoint topLeft((wallpaper.width() - shown.width()) / 2, (wallpaper.height() - shown.height()) / 2);
    const Qt::Alignment at = corner(position);
    const int x = at & Qt::AlignRight ? shown.width() - calendar.width() - kMargin : kMargin;
    const int y = at & Qt::AlignBottom ? shown.height() - calendar.height() : kMargin;
    return topLeft + QPoint(x, y);
}

void paint(QImage *wallpaper, const QSize &screen, const QImage &calendar, int position)
{
    if (calendar.isNull() || wallpaper->isNull())
        return;
    const QSize shown = screen.boundedTo(wallpaper->size());
    const QSize room(shown.width() - 2 * kMargin, shown.height() - kMargin);
    if (room.isEmpty())
        return;
    const QImage fitted = calendar.width() > room.width() || calendar.height() > room.height()
        ? calendar.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        : calendar;
    if (wallpaper->format() != QImage::Format_RGB32)
        *wallpaper = wallpaper->convertToFormat(QImage::Format_RGB32);
    QPainter painter(wallpaper);
    painter.drawImage(origin(wallpaper->size(), screen, fitted.size(), position), fitted);
}

} // namespace CalendarComposite
