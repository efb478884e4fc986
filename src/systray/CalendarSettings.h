#pragma once

#include <QSize>
#include <QString>
#include <QUrl>
#include <QVariant>

// The calendar's options in the settings store and what follows from them:
// the page the service renders and the size it is rendered at.
//
//   kEnable        bool, default false: draw the calendar onto each wallpaper
//   kPosition      0 top left, 1 top right, 2 bottom left, 3 bottom right,
//                  4 automatic (the calmest corner of each picture)
//   kFontSize      0 small, 1 medium (default), 2 large
//   kStartWeekOn   0 Sunday, 1 Monday
//   kPastMonths    0..2 months before the current one
//   kFutureMonths  0..2 months after the current one
struct CalendarSettings
{
    bool enabled = false;
    int position = 0;
    int fontSize = 1;
    int startWeekOn = 0;
    int pastMonths = 0;
    int futureMonths = 0;

    static CalendarSettings read();

    // One month's box on the page, and the page with a 32 pixel slot around
    // every month stacked top to bottom.
    static QSize monthSize(int fontSize);
    QSize pageSize() const;
    // The service's calendar page for these options.
    QUrl pageUrl(const QString &serviceUrl) const;

    // Writes one option; true when the page depends on it and has to be
    // loaded again.
    static bool store(const QString &key, const QVariant &value);
};
