#include "Pages.h"

namespace fotoria::service {

QString galleryPage(const PhotoCatalog &, const QString &, const PageContext &) { return QStringLiteral("<html><body>gallery</body></html>"); }
QString sharePage(const Photo &, const PhotoCatalog &, const PageContext &) { return QStringLiteral("<html><body>share</body></html>"); }
QString notificationsPage() { return QStringLiteral("<html><body><h1>Notice</h1><p>Welcome to Fotoria.</p></body></html>"); }
QString howtoPage(const PageContext &) { return QStringLiteral("<html><body>howto</body></html>"); }
QString accountPage(const Account &, const PageContext &) { return QStringLiteral("<html><body>account</body></html>"); }
QSize calendarMonthSize(int size)
{
    if (size == 1)
        return QSize(347, 349);
    if (size == 2)
        return QSize(576, 577);
    return QSize(232, 228);
}
QString calendarPage(const CalendarQuery &, const QDate &) { return QStringLiteral("<html><body>calendar</body></html>"); }

} // namespace fotoria::service
