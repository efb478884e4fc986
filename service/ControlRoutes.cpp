// The /__ paths through which tests read the journal and set failures.
// They are never journaled and never fail themselves.
#include "Router.h"

#include <QJsonArray>
#include <QJsonObject>

namespace fotoria::service {

void installControlRoutes(Router &router)
{
    ServiceContext &ctx = router.context();

    router.get("/__journal", [&ctx](const httplib::Request &, httplib::Response &res, const RequestInfo &) {
        sendJson(res, 200, QJsonObject{{QStringLiteral("requests"), ctx.journal.entries()}});
    });
    router.del("/__journal", [&ctx](const httplib::Request &, httplib::Response &res, const RequestInfo &) {
        ctx.journal.clear();
        sendJson(res, 200, QJsonObject{{QStringLiteral("cleared"), true}});
    });

    router.post("/__fail", [&ctx](const httplib::Request &req, httplib::Response &res, const RequestInfo &) {
        const QString path = param(req, "path");
        Failure failure;
        failure.mode = param(req, "mode");
        if (!path.startsWith(QLatin1Char('/')) || path.startsWith(QLatin1String("/__"))) {
            sendMessage(res, 400, QStringLiteral("path must start with / and not be a control path"));
            return;
        }
        if (!FailureSwitches::isKnownMode(failure.mode)) {
            sendMessage(res, 400, QStringLiteral("unknown mode: %1").arg(failure.mode));
            return;
        }
        bool ok = true;
        if (req.has_param("status")) {
            failure.status = param(req, "status").toInt(&ok);
            if (!ok || failure.status < 100 || failure.status > 599) {
                sendMessage(res, 400, QStringLiteral("status must be an HTTP status code"));
                return;
            }
        }
        if (req.has_param("count")) {
            failure.remaining = param(req, "count").toInt(&ok);
            if (!ok || failure.remaining < 1) {
                sendMessage(res, 400, QStringLiteral("count must be a positive number"));
                return;
            }
        }
        if (req.has_param("delay_ms")) {
            failure.delayMs = param(req, "delay_ms").toInt(&ok);
            if (!ok || failure.delayMs < 0 || failure.delayMs > 600000) {
                sendMessage(res, 400, QStringLiteral("delay_ms must be 0 to 600000"));
                return;
            }
        }
        if (req.has_param("size")) {
            failure.size = param(req, "size").toLongLong(&ok);
            if (!ok || failure.size < 16) {
                sendMessage(res, 400, QStringLiteral("size must be at least 16 bytes"));
                return;
            }
        }
        if (req.has_param("hops")) {
            failure.hops = param(req, "hops").toInt(&ok);
            if (!ok || failure.hops < 1 || failure.hops > 100) {
                sendMessage(res, 400, QStringLiteral("hops must be 1 to 100"));
                return;
            }
        }
        failure.chunked = param(req, "chunked") == QLatin1String("1");
        failure.announced = param(req, "announced") == QLatin1String("1");
        failure.location = param(req, "location");
        if (failure.mode == QLatin1String("redirect_to") && failure.location.isEmpty()) {
            sendMessage(res, 400, QStringLiteral("redirect_to needs a location"));
            return;
        }
        failure.message = param(req, "message");
        failure.body = param(req, "body");
        ctx.failures.set(path, failure);
        sendJson(res, 200, QJsonObject{{QStringLiteral("path"), path}, {QStringLiteral("mode"), failure.mode}});
    });
    router.del("/__fail", [&ctx](const httplib::Request &, httplib::Response &res, const RequestInfo &) {
        ctx.failures.clear();
        sendJson(res, 200, QJsonObject{{QStringLiteral("cleared"), true}});
    });

    router.post("/__config", [&ctx](const httplib::Request &req, httplib::Response &res, const RequestInfo &) {
        QJsonObject changed;
        for (const auto &p : req.params) {
            if (!ctx.config.set(qs(p.first), qs(p.second))) {
                sendMessage(res, 400, QStringLiteral("bad setting: %1=%2").arg(qs(p.first), qs(p.second)));
                return;
            }
            changed.insert(qs(p.first), qs(p.second));
        }
        sendJson(res, 200, changed);
    });
    router.del("/__config", [&ctx](const httplib::Request &, httplib::Response &res, const RequestInfo &) {
        ctx.config.reset();
        sendJson(res, 200, QJsonObject{{QStringLiteral("reset"), true}});
    });

    router.get("/__certificate", [&ctx](const httplib::Request &, httplib::Response &res, const RequestInfo &) {
        sendBytes(res, ctx.certificatePem, "application/x-pem-file");
    });
}

} // namespace fotoria::service
