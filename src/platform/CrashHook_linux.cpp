#include "CrashHook.h"

#include <QByteArray>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <execinfo.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr size_t kPathMax = 4096;
constexpr size_t kSignalStackSize = 64 * 1024;

// The handler may run inside malloc or with any lock held: it only uses
// async-signal-safe calls on what was prepared here beforehand.
char g_header[512];
char g_logFile[kPathMax];
char g_markerFile[kPathMax];
std::atomic<int> g_reportFolder{-1}; // an open descriptor of the folder
std::atomic<pid_t> g_reportingThread{0};
std::atomic<bool> g_installed{false};
struct sigaction g_previous[sizeof(kSignals) / sizeof(kSignals[0])];
char g_copyBuffer[16384];

bool copyTo(char *target, size_t size, const QString &value)
{
    const QByteArray bytes = QFile::encodeName(value);
    if (size_t(bytes.size()) >= size) {
        target[0] = '\0';
        qDebug() << "crash hook: path too long, left out:" << value;
        return false;
    }
    std::memcpy(target, bytes.constData(), size_t(bytes.size()) + 1);
    return true;
}

void writeAll(int fd, const char *data, size_t len)
{
    while (len > 0) {
        const ssize_t n = ::write(fd, data, len);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        data += n;
        len -= size_t(n);
    }
}

void writeText(int fd, const char *text)
{
    writeAll(fd, text, std::strlen(text));
}

// Decimal digits at `out`, at least `width` of them; returns the end.
char *putNumber(char *out, unsigned long value, int width = 1)
{
    char digits[24];
    int count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (count < width)
        digits[count++] = '0';
    while (count > 0)
        *out++ = digits[--count];
    *out = '\0';
    return out;
}

char *putText(char *out, const char *text)
{
    while (*text)
        *out++ = *text++;
    *out = '\0';
    return out;
}

const char *signalName(int sig)
{
    switch (sig) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGABRT: return "SIGABRT";
    default: return "?";
    }
}

// "crash-YYYYMMDD-HHMMSS-<pid>.txt" in UTC, without the C library's time
// functions (not safe in a handler).
void reportName(char *out)
{
    const long seconds = long(::time(nullptr));
    long days = seconds / 86400;
    const long inDay = seconds % 86400;
    // Civil date from days since 1970-01-01.
    days += 719468;
    const long era = days / 146097;
    const long dayOfEra = days - era * 146097;
    const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long mp = (5 * dayOfYear + 2) / 153;
    const long day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const long month = mp < 10 ? mp + 3 : mp - 9;
    const long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

    out = putText(out, "crash-");
    out = putNumber(out, year, 4);
    out = putNumber(out, month, 2);
    out = putNumber(out, day, 2);
    out = putText(out, "-");
    out = putNumber(out, inDay / 3600, 2);
    out = putNumber(out, inDay / 60 % 60, 2);
    out = putNumber(out, inDay % 60, 2);
    out = putText(out, "-");
    out = putNumber(out, ::getpid());
    putText(out, ".txt");
}

void leaveMarker()
{
    if (g_markerFile[0] == '\0')
        return;
    const int fd = ::open(g_markerFile, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

void writeReport(int sig)
{
    const int folder = g_reportFolder.load();
    if (folder < 0)
        return;
    char name[96];
    reportName(name);
    const int fd = ::openat(folder, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;

    char line[128];
    writeText(fd, g_header);
    char *end = putText(line, "signal: ");
    end = putNumber(end, unsigned(sig));
    end = putText(end, " (");
    end = putText(end, signalName(sig));
    end = putText(end, ")\npid: ");
    end = putNumber(end, ::getpid());
    putText(end, "\n\nbacktrace:\n");
    writeText(fd, line);
    void *frames[64];
    const int count = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, count, fd);

    // Lines the logger still buffers are not in the file; the rest is.
    writeText(fd, "\nlog:\n");
    if (g_logFile[0] != '\0') {
        const int log = ::open(g_logFile, O_RDONLY | O_CLOEXEC);
        if (log >= 0) {
            ssize_t n;
            while ((n = ::read(log, g_copyBuffer, sizeof(g_copyBuffer))) > 0 || (n < 0 && errno == EINTR)) {
                if (n > 0)
                    writeAll(fd, g_copyBuffer, size_t(n));
            }
            ::close(log);
        }
    }
    ::fsync(fd);
    ::close(fd);
}

// Dies of the signal, so the parent sees what happened.
[[noreturn]] void dieOf(int sig)
{
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    ::raise(sig);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, sig);
    ::pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    ::_exit(128 + sig);
}

void onCrash(int sig, siginfo_t *, void *)
{
    const pid_t self = ::gettid();
    pid_t reporting = 0;
    if (g_reportingThread.compare_exchange_strong(reporting, self)) {
        // The marker first: it is what the next start needs most.
        leaveMarker();
        writeReport(sig);
    } else if (reporting != self) {
        // Another thread reports and then ends the process; should it never
        // get there, this one ends it.
        struct timespec rest {30, 0};
        while (::nanosleep(&rest, &rest) != 0 && errno == EINTR) {
        }
    }
    // A fault while reporting on this very thread ends here at once.
    dieOf(sig);
}

class ThreadSignalStack
{
public:
    ThreadSignalStack()
    {
        stack_t current {};
        if (::sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE))
            return; // the thread has one already
        const size_t page = size_t(::sysconf(_SC_PAGESIZE));
        const long minimum = ::sysconf(_SC_SIGSTKSZ);
        size_t size = kSignalStackSize;
        if (minimum > 0 && size < size_t(minimum))
            size = size_t(minimum);
        size = (size + page - 1) / page * page;
        void *memory = ::mmap(nullptr, size + page, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
        if (memory == MAP_FAILED)
            return;
        // A guard page below: a handler that outgrows the stack faults
        // instead of writing over whatever lies there.
        ::mprotect(memory, page, PROT_NONE);
        stack_t stack {};
        stack.ss_sp = static_cast<char *>(memory) + page;
        stack.ss_size = size;
        if (::sigaltstack(&stack, nullptr) != 0) {
            ::munmap(memory, size + page);
            return;
        }
        m_memory = memory;
        m_length = size + page;
    }

    ~ThreadSignalStack()
    {
        if (!m_memory)
            return;
        // Off before the memory goes: a late signal must not land on it.
        stack_t off {};
        off.ss_flags = SS_DISABLE;
        ::sigaltstack(&off, nullptr);
        ::munmap(m_memory, m_length);
    }

    ThreadSignalStack(const ThreadSignalStack &) = delete;
    ThreadSignalStack &operator=(const ThreadSignalStack &) = delete;

private:
    void *m_memory = nullptr;
    size_t m_length = 0;
};

} // namespace

int installCrashHook(const CrashHookConfig &config, QString *errorText)
{
    const QByteArray header = QFile::encodeName(config.appName + QLatin1Char(' ') + config.appVersion).left(int(sizeof(g_header)) - 2) + '\n';
    std::memcpy(g_header, header.constData(), size_t(header.size()) + 1);
    setCrashReportFolder(config.reportFolder);

    // A stack overflow leaves no stack to run the handler on.
    installThreadSignalStack();

    // Load the unwinder now: its first use may allocate.
    void *warm[1];
    ::backtrace(warm, 1);

    struct sigaction sa {};
    sa.sa_sigaction = onCrash;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    int index = 0;
    for (int sig : kSignals) {
        if (::sigaction(sig, &sa, &g_previous[index++]) != 0) {
            const int error = errno;
            if (errorText)
                *errorText = QString::fromLocal8Bit(strerror(error));
            return error ? error : 1;
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
    int fd = -1;
    if (!folder.isEmpty()) {
        // Reports hold the log: for the user's eyes only.
        QDir().mkpath(QFileInfo(folder).path());
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
        fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            qDebug() << "crash hook: no reports, cannot open" << folder << ":" << strerror(errno);
    }
    const int old = g_reportFolder.exchange(fd);
    if (old >= 0)
        ::close(old);
}

void setCrashMarkerFile(const QString &path)
{
    copyTo(g_markerFile, sizeof(g_markerFile), path);
}

void uninstallCrashHook()
{
    if (!g_installed.exchange(false))
        return;
    int index = 0;
    for (int sig : kSignals)
        ::sigaction(sig, &g_previous[index++], nullptr);
}

void installThreadSignalStack()
{
    thread_local ThreadSignalStack stack;
    (void)stack;
}

} // namespace platform
