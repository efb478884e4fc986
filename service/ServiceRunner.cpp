#include "ServiceRunner.h"

#include "Certificate.h"
#include "Onboarding.h"
#include "Router.h"

#include <QDir>
#include <QSaveFile>

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <thread>

namespace fotoria::service {

namespace {

void setUp(httplib::Server &server, ServiceContext &ctx, bool tls)
{
    // Idle keep-alive connections and held ("hang") requests each take a
    // thread; the default pool of eight would starve a browser page.
    server.new_task_queue = [] { return new httplib::ThreadPool(32); };
    server.set_keep_alive_timeout(5);
    server.set_payload_max_length(64 * 1024 * 1024);
    Router router(ctx, server, tls);
    installControlRoutes(router);
    installRestRoutes(router);
    installPageRoutes(router);
    installFallbackRoutes(router);
}

int bindPort(httplib::Server &server, const QString &host, int port)
{
    if (port == 0)
        return server.bind_to_any_port(ss(host));
    return server.bind_to_port(ss(host), port) ? port : -1;
}

} // namespace

bool parseOptions(const QStringList &arguments, ServiceOptions *options, QString *error)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        auto value = [&](QString *out) {
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("%1 needs a value").arg(a);
                return false;
            }
            *out = arguments.at(++i);
            return true;
        };
        auto portValue = [&](int *out) {
            QString text;
            if (!value(&text))
                return false;
            bool ok = false;
            *out = text.toInt(&ok);
            if (!ok || *out < 0 || *out > 65535) {
                *error = QStringLiteral("%1: not a port: %2").arg(a, text);
                return false;
            }
            return true;
        };
        if (a == QLatin1String("--port")) {
            if (!portValue(&options->port))
                return false;
        } else if (a == QLatin1String("--tls-port")) {
            if (!portValue(&options->tlsPort))
                return false;
        } else if (a == QLatin1String("--host")) {
            if (!value(&options->host))
                return false;
        } else if (a == QLatin1String("--data-dir")) {
            if (!value(&options->dataDir))
                return false;
        } else if (a == QLatin1String("--warm")) {
            options->warmUp = true;
        } else if (a == QLatin1String("--exit-with-parent")) {
            options->exitWithParent = true;
        } else {
            *error = QStringLiteral("unknown argument: %1").arg(a);
            return false;
        }
    }
    if (options->host != QLatin1String("127.0.0.1") && options->host != QLatin1String("localhost")
        && options->host != QLatin1String("::1")) {
        *error = QStringLiteral("the service only listens on the loopback address");
        return false;
    }
    return true;
}

int runService(const ServiceOptions &options)
{
    // Block again: the GUI application's set-up may have reset this thread's mask,
    // and a signal that arrives before sigwait must not end the process mid-answer.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);

    if (options.exitWithParent) {
        // A test killed by its time-out must not leave a server behind that
        // holds its output pipe open. SIGTERM is blocked, so sigwait below sees it.
        const pid_t parent = getppid();
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent || parent == 1)
            return 0;
    }

    ServiceContext ctx(options);
    if (!options.dataDir.isEmpty() && !QDir().mkpath(options.dataDir)) {
        std::fprintf(stderr, "fotoria-service: cannot create %s\n", qPrintable(options.dataDir));
        return 1;
    }

    Certificate certificate;
    QString error;
    if (!certificate.generate(&error)) {
        std::fprintf(stderr, "fotoria-service: %s\n", qPrintable(error));
        return 1;
    }
    ctx.certificatePem = certificate.pem();
    if (!options.dataDir.isEmpty()) {
        QSaveFile pem(options.dataDir + QStringLiteral("/certificate.pem"));
        if (pem.open(QIODevice::WriteOnly)) {
            pem.write(ctx.certificatePem);
            pem.commit();
        }
    }
    ctx.onboarding.prepareText();
    if (options.warmUp)
        ctx.photos.warmUp();

    httplib::Server http;
    httplib::SSLServer https(certificate.x509(), certificate.key());
    if (!https.is_valid()) {
        std::fprintf(stderr, "fotoria-service: TLS set-up failed\n");
        return 1;
    }
    setUp(http, ctx, false);
    setUp(https, ctx, true);

    const int httpPort = bindPort(http, options.host, options.port);
    const int httpsPort = bindPort(https, options.host, options.tlsPort);
    if (httpPort <= 0 || httpsPort <= 0) {
        std::fprintf(stderr, "fotoria-service: cannot listen on %s (ports %d, %d)\n",
                     qPrintable(options.host), options.port, options.tlsPort);
        return 1;
    }
    ctx.httpPort = httpPort;
    ctx.httpsPort = httpsPort;

    std::thread httpThread([&] { http.listen_after_bind(); });
    std::thread httpsThread([&] { https.listen_after_bind(); });

    // Both sockets are listening: connections wait in the backlog until
    // the accept loops run, so "ready" is true from here on.
    std::printf("http_port=%d\nhttps_port=%d\nready\n", httpPort, httpsPort);
    std::fflush(stdout);

    int sig = 0;
    sigwait(&set, &sig);

    ctx.stopping = true;
    http.stop();
    https.stop();
    httpThread.join();
    httpsThread.join();
    return 0;
}

} // namespace fotoria::service
