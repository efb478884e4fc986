#include "CrashHook.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr size_t kPathMax = 4096;

// Everything the handler needs is prepared up front in plain buffers, since
// little may be allocated once the process is in an unknown state.
char g_appName[256];
char g_appVersion[64];
char g_reportFolder[kPathMax];
char g_logFile[kPathMax];
CrashCallback g_callback = nullptr;
std::atomic<bool> g_installed{false};
std::atomic<int> g_inCrash{0};
struct sigaction g_previous[sizeof(kSignals) / sizeof(kSignals[0])];
char g_altStack[64 * 1024];

void copyTo(char *target, size_t size, const QString &value)
{
    const QByteArray bytes = QFile::encodeName(value);
    std::snprintf(target, size, "%s", bytes.constData());
}

void writeAll(int fd, const char *data, size_t len)
{
    while (len > 0) {
        const ssize_t n = ::write(fd, data, len);
        if (n <= 0)
            return;
        data += n;
        len -= static_cast<size_t>(n);
    }
}

void writeText(int fd, const char *text)
{
    writeAll(fd, text, std::strlen(text));
}

void writeReport(int sig)
{
    if (g_reportFolder[0] == '\0')
        return;
    ::mkdir(g_reportFolder, 0700);

    const time_t now = ::time(nullptr);
    struct tm parts {};
    ::gmtime_r(&now, &parts);
    char path[kPathMax + 64];
    std::snprintf(path, sizeof(path), "%s/crash-%04d%02d%02d-%02d%02d%02d-%d.txt", g_reportFolder,
                  parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                  parts.tm_min, parts.tm_sec, static_cast<int>(::getpid()));
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;

    char header[512];
    std::snprintf(header, sizeof(header), "%s %s\nsignal: %d (%s)\npid: %d\n\nbacktrace:\n",
                  g_appName, g_appVersion, sig, strsignal(sig), static_cast<int>(::getpid()));
    writeText(fd, header);
    void *frames[64];
    const int count = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, count, fd);

    writeText(fd, "\nlog:\n");
    if (g_logFile[0] != '\0') {
        const int log = ::open(g_logFile, O_RDONLY | O_CLOEXEC);
        if (log >= 0) {
            char buffer[16384];
            ssize_t n;
            while ((n = ::read(log, buffer, sizeof(buffer))) > 0)
                writeAll(fd, buffer, static_cast<size_t>(n));
            ::close(log);
        }
    }
    ::fsync(fd);
    ::close(fd);
}

void onCrash(int sig, siginfo_t *, void *)
{
    // A second fault while reporting the first: just die.
    if (g_inCrash.fetch_add(1) == 0) {
        if (g_callback)
            g_callback(nullptr);
        writeReport(sig);
    }
    // Die of the original signal so the parent sees what happened.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    ::raise(sig);
}

} // namespace

int installCrashHook(const CrashHookConfig &config, QString *errorText)
{
    copyTo(g_appName, sizeof(g_appName), config.appName);
    copyTo(g_appVersion, sizeof(g_appVersion), config.appVersion);
    copyTo(g_reportFolder, sizeof(g_reportFolder), config.reportFolder);
    g_callback = config.callback;

    // A stack overflow leaves no stack to run the handler on.
    stack_t ss {};
    ss.ss_sp = g_altStack;
    ss.ss_size = sizeof(g_altStack);
    ::sigaltstack(&ss, nullptr);

    // Resolve the backtrace machinery now: its first use may allocate.
    void *warm[1];
    ::backtrace(warm, 1);

    struct sigaction sa {};
    sa.sa_sigaction = onCrash;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    int index = 0;
    for (int sig : kSignals) {
        if (::sigaction(sig, &sa, &g_previous[index++]) != 0) {
            if (errorText)
                *errorText = QString::fromLocal8Bit(strerror(errno));
            return errno ? errno : 1;
        }
    }
    g_installed = true;
    return 0;
}

void attachFileToCrashReports(const QString &path)
{
    copyTo(g_logFile, sizeof(g_logFile), path);
}

void setCrashReportFolder(const QString &folder)
{
    copyTo(g_reportFolder, sizeof(g_reportFolder), folder);
}

void uninstallCrashHook()
{
    if (!g_installed.exchange(false))
        return;
    int index = 0;
    for (int sig : kSignals)
        ::sigaction(sig, &g_previous[index++], nullptr);
    g_callback = nullptr;
}

} // namespace platform
