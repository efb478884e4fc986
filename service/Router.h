#pragma once

#include "ServiceContext.h"

#include <functional>

namespace fotoria::service {

using Handler = std::function<void(const httplib::Request &, httplib::Response &, const RequestInfo &)>;

// Registers handlers on one server (plain or TLS) so that every request
// outside the /__ control paths is journaled and may play a failure first.
class Router
{
public:
    Router(ServiceContext &ctx, httplib::Server &server, bool tls);

    void get(const char *pattern, Handler handler);
    void post(const char *pattern, Handler handler);
    void put(const char *pattern, Handler handler);
    void del(const char *pattern, Handler handler);

    ServiceContext &context() { return m_ctx; }

private:
    httplib::Server::Handler wrap(Handler handler);
    // False when the request is to be answered normally after all.
    static bool playFailure(ServiceContext &ctx, const Failure &failure, const httplib::Request &req, httplib::Response &res,
                     const RequestInfo &info);

    ServiceContext &m_ctx;
    httplib::Server &m_server;
    bool m_tls;
};

void installControlRoutes(Router &router);
void installRestRoutes(Router &router);
void installPageRoutes(Router &router);
// Last: answers 404 for everything else (and still journals it).
void installFallbackRoutes(Router &router);

} // namespace fotoria::service
