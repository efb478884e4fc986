#pragma once

#include "Accounts.h"
#include "PhotoCatalog.h"

#include <QDate>
#include <QSize>
#include <QString>

#include <optional>

namespace fotoria::service {

// The HTML pages of the service. Everything inline: one request per page.
struct PageContext {
    QString base;     // where the page was asked for
    QString httpBase; // where the pictures are
    std::optional<Account> user;
};

QString galleryPage(const PhotoCatalog &catalog, const QString &channel, const PageContext &page);
QString sharePage(const Photo &photo, const PhotoCatalog &catalog, const PageContext &page);
QString notificationsPage();
QString howtoPage(const PageContext &page);
QString accountPage(const Account &account, const PageContext &page);

struct CalendarQuery {
    int size = 1;
    int pastMonths = 0;
    int futureMonths = 0;
    int firstDay = 0; // 0 Sunday, 1 Monday
};
// Width and height of one month at a text size (0 small, 1 medium, 2 large;
// anything else reads as small).
QSize calendarMonthSize(int size);
QString calendarPage(const CalendarQuery &query, const QDate &today);

} // namespace fotoria::service
