#include "Router.h"

#include "AnalyticsDecoder.h"
#include "ConnectionWatch.h"

#include <chrono>
#include <thread>

namespace fotoria::service {

namespace {

// A slow answer that still lets the service stop at once.
void waitOrStop(const ServiceContext &ctx, int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!ctx.stopping && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

// The byte at offset of a JSON document of the given size that is all one
// long "message": made up as it is sent, never held whole.
char hugeByte(qint64 offset, qint64 size)
{
    static const QByteArray head("{\"message\": \"");
    if (offset < head.size())
        return head.at(int(offset));
    if (offset == size - 2)
        return '"';
    if (offset == size - 1)
        return '}';
    return 'x';
}

void streamHugeBody(httplib::Response &res, qint64 size, bool chunked, const std::atomic<bool> &stopping)
{
    res.status = 200;
    auto provide = [size, &stopping](size_t offset, httplib::DataSink &sink) {
        if (stopping)
            return false;
        const qint64 left = size - qint64(offset);
        if (left <= 0) {
            sink.done();
            return true;
        }
        std::string block(size_t(qMin<qint64>(left, 64 * 1024)), 'x');
        for (size_t i = 0; i < block.size(); ++i) {
            const qint64 at = qint64(offset + i);
            if (at < 16 || at >= size - 2)
                block[i] = hugeByte(at, size);
        }
        return sink.write(block.data(), block.size());
    };
    if (chunked) {
        res.set_chunked_content_provider("application/json", provide);
    } else {
        res.set_content_provider(size_t(size), "application/json",
                                 [provide](size_t offset, size_t, httplib::DataSink &sink) { return provide(offset, sink); });
    }
}

void dripBody(httplib::Response &res, qint64 size, bool announced, int delayMs, const std::atomic<bool> &stopping)
{
    res.status = 200;
    auto provide = [size, delayMs, &stopping](size_t offset, httplib::DataSink &sink) {
        if (qint64(offset) >= size) {
            sink.done();
            return true;
        }
        if (offset > 0) {
            // Never silent for long enough to trip a per-silence time-out.
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs);
            while (std::chrono::steady_clock::now() < end) {
                if (stopping)
                    return false;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        const char byte = hugeByte(qint64(offset), size);
        return sink.write(&byte, 1);
    };
    if (announced)
        res.set_content_provider(size_t(size), "application/json",
                                 [provide](size_t offset, size_t, httplib::DataSink &sink) { return provide(offset, sink); });
    else
        res.set_chunked_content_provider("application/json", provide);
}

} // namespace

Router::Router(ServiceContext &ctx, httplib::Server &server, bool tls)
    : m_ctx(ctx), m_server(server), m_tls(tls)
{
}

void Router::get(const char *pattern, Handler handler) { m_server.Get(pattern, wrap(std::move(handler))); }
void Router::post(const char *pattern, Handler handler) { m_server.Post(pattern, wrap(std::move(handler))); }
void Router::put(const char *pattern, Handler handler) { m_server.Put(pattern, wrap(std::move(handler))); }
void Router::del(const char *pattern, Handler handler) { m_server.Delete(pattern, wrap(std::move(handler))); }

httplib::Server::Handler Router::wrap(Handler handler)
{
    // Routers are short-lived set-up helpers: the handler keeps only what outlives them.
    ServiceContext &ctx = m_ctx;
    const bool tls = m_tls;
    return [&ctx, tls, handler](const httplib::Request &req, httplib::Response &res) {
        const RequestInfo info = ctx.info(req, tls);
        const QString path = qs(req.path);
        if (!path.startsWith(QLatin1String("/__"))) {
            const bool analytics = path == QLatin1String("/track") || path == QLatin1String("/engage");
            ctx.journal.record(req, tls, analytics ? decodeAnalyticsRequest(req) : QJsonValue(QJsonValue::Null));
            const bool redirected = req.has_param("redirected") && req.get_param_value("redirected") == "1";
            if (const auto failure = ctx.failures.take(path, redirected)) {
                if (failure->mode == QLatin1String("slow"))
                    waitOrStop(ctx, failure->delayMs);
                else if (playFailure(ctx, *failure, req, res, info))
                    return;
            }
        }
        handler(req, res, info);
    };
}

bool Router::playFailure(ServiceContext &ctx, const Failure &failure, const httplib::Request &req, httplib::Response &res,
                         const RequestInfo &info)
{
    const QString &mode = failure.mode;
    if (mode == QLatin1String("redirect_chain")) {
        // Distinct addresses, ?hop=1 .. ?hop=<hops>; the last answers normally.
        const int hop = req.has_param("hop") ? QString::fromStdString(req.get_param_value("hop")).toInt() : 0;
        if (hop >= failure.hops)
            return false;
        res.status = 302;
        res.set_header("Location", ss(info.base + qs(req.path) + QStringLiteral("?hop=%1").arg(hop + 1)));
        res.set_content("", "text/plain");
    } else if (mode == QLatin1String("huge")) {
        streamHugeBody(res, failure.size, failure.chunked, ctx.stopping);
    } else if (mode == QLatin1String("drip")) {
        dripBody(res, failure.size, failure.announced, failure.delayMs, ctx.stopping);
    } else if (mode == QLatin1String("http_error")) {
        sendMessage(res, failure.status > 0 ? failure.status : 500,
                    failure.message.isEmpty() ? QStringLiteral("Something went wrong. Please try again later.")
                                              : failure.message);
    } else if (mode == QLatin1String("empty")) {
        res.status = failure.status > 0 ? failure.status : 200;
        res.set_content("", "application/json");
    } else if (mode == QLatin1String("malformed")) {
        res.status = 200;
        res.set_content("{\"token\": \"abc\"", "application/json");
    } else if (mode == QLatin1String("redirect") || mode == QLatin1String("redirect_loop")) {
        // Absolute, because clients follow the target as given.
        QString target = info.base + qs(req.target);
        if (mode == QLatin1String("redirect"))
            target += target.contains(QLatin1Char('?')) ? QStringLiteral("&redirected=1")
                                                        : QStringLiteral("?redirected=1");
        res.status = failure.status >= 300 && failure.status < 400 ? failure.status : 302;
        res.set_header("Location", ss(target));
        res.set_content("", "text/plain");
    } else if (mode == QLatin1String("redirect_to")) {
        // Any address, other schemes included, to try what clients follow.
        res.status = failure.status >= 300 && failure.status < 400 ? failure.status : 302;
        res.set_header("Location", ss(failure.location));
        res.set_content("", "text/plain");
    } else if (mode == QLatin1String("hang")) {
        holdUntilClosed(req, ctx.stopping);
        res.status = 503;
    } else { // status
        res.status = failure.status > 0 ? failure.status : 200;
        const std::string body = ss(failure.body);
        const bool json = failure.body.trimmed().startsWith(QLatin1Char('{'))
                          || failure.body.trimmed().startsWith(QLatin1Char('['));
        const bool html = failure.body.trimmed().startsWith(QLatin1Char('<'));
        res.set_content(body, json ? "application/json" : html ? "text/html; charset=utf-8" : "text/plain; charset=utf-8");
    }
    return true;
}

void installFallbackRoutes(Router &router)
{
    const Handler notFound = [](const httplib::Request &req, httplib::Response &res, const RequestInfo &) {
        if (req.path.rfind("/api/", 0) == 0 || req.method != "GET")
            sendMessage(res, 404, QStringLiteral("Not found."));
        else
            sendHtml(res, QStringLiteral("<!DOCTYPE html><html><head><title>Not found</title></head>"
                                         "<body><h1>Not found</h1><p>This page does not exist.</p></body></html>"),
                     404);
    };
    router.get(".*", notFound);
    router.post(".*", notFound);
    router.put(".*", notFound);
    router.del(".*", notFound);
}

} // namespace fotoria::service
