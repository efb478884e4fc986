// The calendar that the desktop client paints onto wallpapers: months
// stacked top to bottom, each in a box of the size the client reserves
// for it, on a transparent page.
#include "HttpUtil.h"
#include "Pages.h"

#include <QLocale>

namespace fotoria::service {

QSize calendarMonthSize(int size)
{
    switch (size) {
    case 1:
        return QSize(347, 349);
    case 2:
        return QSize(576, 577);
    default:
        return QSize(232, 228);
    }
}

namespace {

QString monthTable(const QDate &first, const QDate &today, int firstDay, const QSize &box, int fontPx)
{
    static const char *const kDays[7] = {"S", "M", "T", "W", "T", "F", "S"}; // from Sunday
    const QLocale english(QLocale::English);
    // Each month sits in a slot 32 pixels larger than itself, as the client sizes it.
    QString html = QStringLiteral("<div class=\"slot\"><section class=\"month\" data-month=\"%1\" style=\"width:%2px;height:%3px;font-size:%4px\">")
                       .arg(first.toString(QStringLiteral("yyyy-MM")))
                       .arg(box.width())
                       .arg(box.height())
                       .arg(fontPx);
    html += QStringLiteral("<header>%1 <span>%2</span></header><table><tr>")
                .arg(english.monthName(first.month()))
                .arg(first.year());
    for (int i = 0; i < 7; ++i)
        html += QStringLiteral("<th>%1</th>").arg(QLatin1String(kDays[(i + firstDay) % 7]));
    html += QStringLiteral("</tr>");

    // Qt: Monday 1 .. Sunday 7; column of a weekday when the week starts on firstDay.
    const int lead = (first.dayOfWeek() % 7 - firstDay + 7) % 7;
    QDate day = first.addDays(-lead);
    for (int week = 0; week < 6; ++week) {
        html += QStringLiteral("<tr>");
        for (int i = 0; i < 7; ++i, day = day.addDays(1)) {
            QString cls;
            if (day.month() != first.month())
                cls = QStringLiteral("other");
            else if (day == today)
                cls = QStringLiteral("today");
            else if (day.dayOfWeek() >= 6)
                cls = QStringLiteral("weekend");
            html += cls.isEmpty() ? QStringLiteral("<td>%1</td>").arg(day.day())
                                  : QStringLiteral("<td class=\"%1\">%2</td>").arg(cls).arg(day.day());
        }
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table></section></div>");
    return html;
}

} // namespace

QString calendarPage(const CalendarQuery &query, const QDate &today)
{
    const QSize box = calendarMonthSize(query.size);
    const int fontPx = box.width() / 16;
    const int months = query.pastMonths + query.futureMonths + 1;
    const QDate current(today.year(), today.month(), 1);

    QString body;
    for (int m = -query.pastMonths; m <= query.futureMonths; ++m)
        body += monthTable(current.addMonths(m), today, query.firstDay, box, fontPx);

    const QString style = QStringLiteral(
        "html,body{margin:0;padding:0;background:transparent;overflow:hidden}"
        "body{width:%1px;font-family:\"Helvetica Neue\",Helvetica,Arial,\"DejaVu Sans\",sans-serif}"
        ".slot{padding:16px;box-sizing:content-box}"
        ".month{padding:%2px;border-radius:%3px;background:rgba(12,14,20,.55);color:#fff;"
        "box-sizing:border-box;overflow:hidden}"
        ".month header{font-weight:700;font-size:1.35em;height:1.5em;line-height:1.3em;letter-spacing:.02em}"
        ".month header span{font-weight:300;color:rgba(255,255,255,.7)}"
        ".month table{height:calc(100% - 2.1em);width:100%;border-collapse:collapse;table-layout:fixed;text-align:center}"
        ".month th{font-size:.8em;font-weight:600;color:rgba(255,255,255,.6);padding-bottom:.2em}"
        ".month td{color:rgba(255,255,255,.92)}"
        ".month td.weekend{color:#ffc7a8}"
        ".month td.other{color:rgba(255,255,255,.25)}"
        ".month td.today{color:#111318;font-weight:700;background:radial-gradient(circle,#ffb347 0,#ffb347 52%,transparent 54%)}")
                              .arg(box.width() + 32)
                              .arg(box.width() / 20)
                              .arg(box.width() / 24);
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Calendar</title>"
                          "<style>%1</style></head><body data-months=\"%2\">%3</body></html>\n")
        .arg(style, QString::number(months), body);
}

} // namespace fotoria::service
