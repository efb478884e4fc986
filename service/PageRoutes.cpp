// Web pages, photo files and welcome pictures.
#include "Pages.h"
#include "Router.h"

#include <QRegularExpression>

namespace fotoria::service {

namespace {

std::optional<Account> sessionUser(ServiceContext &ctx, const httplib::Request &req)
{
    static const QRegularExpression cookie(QStringLiteral("(?:^|;\\s*)fotoria_session=([0-9a-f]+)"));
    const auto match = cookie.match(qs(req.get_header_value("Cookie")));
    return match.hasMatch() ? ctx.accounts.bySession(match.captured(1)) : std::nullopt;
}

PageContext pageContext(ServiceContext &ctx, const httplib::Request &req, const RequestInfo &info)
{
    return PageContext{info.base, info.httpBase, sessionUser(ctx, req)};
}

int intParam(const httplib::Request &req, const char *name, int fallback, int lo, int hi)
{
    bool ok = false;
    const int v = param(req, name).toInt(&ok);
    return ok ? qBound(lo, v, hi) : fallback;
}

} // namespace

void installPageRoutes(Router &router)
{
    ServiceContext &ctx = router.context();

    router.get("/", [](const httplib::Request &, httplib::Response &res, const RequestInfo &info) {
        res.status = 302;
        res.set_header("Location", ss(info.base + QStringLiteral("/gallery/home")));
    });

    router.get(R"(/gallery/([A-Za-z0-9_-]+)/?)", [&ctx](const httplib::Request &req, httplib::Response &res, const RequestInfo &info) {
        const QString channel = qs(req.matches[1]);
        if (channel != QLatin1String("home") && ctx.catalog.channelName(channel).isEmpty()) {
            sendHtml(res, galleryPage(ctx.catalog, QString(), pageContext(ctx, req, info)), 404);
            return;
        }
        sendHtml(res, galleryPage(ctx.catalog, channel, pageContext(ctx, req, info)));
    });

    router.get(R"(/share/([^/]+))", [&ctx](const httplib::Request &req, httplib::Response &res, const RequestInfo &info) {
        QString id = qs(req.matches[1]);
        if (id.endsWith(QLatin1String(".jpg")))
            id.chop(4);
        const Photo *photo = ctx.catalog.find(id);
        if (!photo) {
            sendHtml(res, galleryPage(ctx.catalog, QString(), pageContext(ctx, req, info)), 404);
            return;
        }
        sendHtml(res, sharePage(*photo, ctx.catalog, pageContext(ctx, req, info)));
    });

    router.get(R"(/account/([^/]+))", [&ctx](const httplib::Request &req, httplib::Response &res, const RequestInfo &info) {
        const PageContext page = pageContext(ctx, req, info);
        if (!page.user || page.user->username != qs(req.matches[1])) {
            res.status = 302;
            res.set_header("Location", ss(info.base + QStringLiteral("/gallery/home")));
            return;
        }
        sendHtml(res, accountPage(*page.user, page));
    });

    router.get("/calendar", [](const httplib::Request &req, httplib::Response &res, const RequestInfo &) {
        CalendarQuery q;
        q.size = intParam(req, "size", 1, -1, 99);
        // A handful of months at most: each one is a full month table.
        q.pastMonths = intParam(req, "past_months", 0, 0, 12);
        q.futureMonths = intParam(req, "future_months", 0, 0, 12);
        q.firstDay = intParam(req, "first_day", 0, 0, 1);
        sendHtml(res, calendarPage(q, QDate::currentDate()));
    });

    router.get("/notifications", [](const httplib::Request &, httplib::Response &res, const RequestInfo &) {
        sendHtml(res, notificationsPage());
    });

    router.get("/howto", [&ctx](const httplib::Request &req, httplib::Response &res, const RequestInfo &info) {
        sendHtml(res, howtoPage(pageContext(ctx, req, info)));
    });

    router.get(R"(/onboarding/onboarding-([0-9]+)\.png)", [&ctx](const httplib::Request &req, httplib::Response &res, const RequestInfo &) {
        const int n = qs(req.matches[1]).toInt();
        const int scale = req.has_param("scale") ? qs(req.get_param_value("scale")).toInt() : 1;
        if (n < 1 || n > 3 || scale < 1 || scale > 2) {
            sendMessage(res, 404, QStringLiteral("Not found."));
            return;
        }
        sendBytes(res, ctx.onboarding.picture(n, scale), "image/png");
    });

    router.get(R"(/photos/([^/]+))", [&ctx](const httplib::Request &req, httplib::Response &res, const RequestInfo &) {
        const Photo *photo = nullptr;
        PhotoSize size = PhotoSize::Full;
        if (!ctx.photos.parseFileName(qs(req.matches[1]), &photo, &size)) {
            sendMessage(res, 404, QStringLiteral("Photo not found."));
            return;
        }
        sendBytes(res, ctx.photos.jpeg(*photo, size), "image/jpeg");
        res.set_header("Cache-Control", "public, max-age=86400");
    });
}

} // namespace fotoria::service
