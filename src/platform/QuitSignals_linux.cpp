#include "QuitSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

int g_pipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop picks the byte up.
void onSignal(int sig)
{
    const char byte = static_cast<char>(sig);
    ssize_t ignored = ::write(g_pipe[1], &byte, 1);
    (void)ignored;
}

} // namespace

void quitOnTerminationSignals(QCoreApplication *app)
{
    if (g_pipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);

    auto *notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, []() {
        char byte = 0;
        ssize_t ignored = ::read(g_pipe[0], &byte, 1);
        (void)ignored;
        // exit(), not quit(): Qt 6's quit() first asks every window to
        // close, and a window that hides instead would keep us running.
        QCoreApplication::exit(0);
    });

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

} // namespace platform
