#include "CalendarSettings.h"

#include <core/Settings.h>

#include <QUrlQuery>

namespace {
// The service renders at most a handful of months; a hand-edited store
// must not ask for a page taller than any screen.
int months(int value)
{
    return qBound(0, value, 2);
}
} // namespace

CalendarSettings CalendarSettings::read()
{
    CalendarSettings s;
    s.enabled = Settings::getBool(QStringLiteral("kEnable"), false);
    s.position = qBound(0, Settings::getInt(QStringLiteral("kPosition"), 0), 4);
    s.fontSize = Settings::getInt(QStringLiteral("kFontSize"), 1);
    s.startWeekOn = qBound(0, Settings::getInt(QStringLiteral("kStartWeekOn"), 0), 1);
    s.pastMonths = months(Settings::getInt(QStringLiteral("kPastMonths"), 0));
    s.futureMonths = months(Settings::getInt(QStringLiteral("kFutureMonths"), 0));
    return s;
}

QSize CalendarSettings::monthSize(int fontSize)
{
    switch (fontSize) {
    case 1:
        return QSize(347, 349);
    case 2:
        return QSize(576, 577);
    default:
        return QSize(232, 228);
    }
}

QSize CalendarSettings::pageSize() const
{
    const QSize month = monthSize(fontSize);
    return QSize(month.width() + 32, (month.height() + 32) * (pastMonths + futureMonths + 1));
}

QUrl CalendarSettings::pageUrl(const QString &serviceUrl) const
{
    QString base = serviceUrl;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    QUrl url(base + QStringLiteral("/calendar"), QUrl::TolerantMode);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("size"), QString::number(fontSize));
    query.addQueryItem(QStringLiteral("past_months"), QString::number(pastMonths));
    query.addQueryItem(QStringLiteral("future_months"), QString::number(futureMonths));
    query.addQueryItem(QStringLiteral("first_day"), QString::number(startWeekOn));
    url.setQuery(query);
    return url;
}

bool CalendarSettings::store(const QString &key, const QVariant &value)
{
    Settings::setValue(key, value);
    return key == QLatin1String("kFontSize") || key == QLatin1String("kStartWeekOn")
        || key == QLatin1String("kPastMonths") || key == QLatin1String("kFutureMonths");
}
