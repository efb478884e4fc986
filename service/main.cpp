#include "ServiceRunner.h"

#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <pthread.h>

int main(int argc, char *argv[])
{
    // Before any thread exists: only runService's sigwait sees these.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // Pictures with text need a GUI application, never a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    fotoria::service::ServiceOptions options;
    QString error;
    if (!fotoria::service::parseOptions(app.arguments(), &options, &error)) {
        std::fprintf(stderr, "fotoria-service: %s\n"
                             "usage: fotoria-service [--port N] [--tls-port N] [--host 127.0.0.1] "
                             "[--data-dir DIR] [--warm] [--exit-with-parent]\n",
                     qPrintable(error));
        return 2;
    }
    return fotoria::service::runService(options);
}
