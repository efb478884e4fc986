#include "CrashTestHook.h"

#include "Logger.h"

#include <core/FileLocations.h>
#include <platform/CrashHook.h>

#include <QByteArray>
#include <QDebug>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray g_situation;

// The log goes to a pipe nobody reads: once it is full, the writing thread
// waits in write() holding the logger's lock, and crashes there.
void crashWithLoggerLockHeld()
{
    const QString fifo = FileLocations::baseFolder() + QStringLiteral("/crash-test.fifo");
    const QByteArray name = QFile::encodeName(fifo);
    ::unlink(name.constData());
    if (::mkfifo(name.constData(), 0600) != 0) {
        qDebug() << "crash test: no pipe for the log, no crash";
        return;
    }
    // The real log is flushed and closed complete here.
    Logger::instance()->openLogFile(fifo);

    static std::atomic<pthread_t> writer{};
    static std::atomic<pid_t> writerId{0};
    QThread *flood = QThread::create([] {
        platform::installThreadSignalStack();
        writer = ::pthread_self();
        writerId = ::gettid();
        const QString line(1000, QLatin1Char('x'));
        // Each line flushed on its own: the write happens in the flush,
        // under the lock but outside the message handler.
        for (;;) {
            qDebug().noquote() << line;
            Logger::instance()->update();
        }
    });
    flood->start();
    // Its only write(2) is the logger's, under the lock: wait until it is
    // stuck there.
    for (int waited = 0; waited < 20000; ++waited) {
        QFile syscall(QStringLiteral("/proc/self/task/%1/syscall").arg(writerId.load()));
        if (writerId != 0 && syscall.open(QIODevice::ReadOnly) && syscall.readAll().startsWith("1 ")) {
            ::pthread_kill(writer, SIGSEGV);
            return;
        }
        ::usleep(1000);
    }
}

volatile bool g_stop = false;

// Small frames, as in a real runaway recursion: the fault comes at the guard
// page with no room left below for the handler.
int overflow(int depth)
{
    volatile char frame[128];
    frame[0] = char(depth);
    if (g_stop)
        return 0;
    return overflow(depth + 1) + frame[0];
}

void crashInsideMalloc()
{
    // Clear the size word of the chunk after this one: free() finds it while
    // it holds the arena lock and aborts there. Too big for the per-thread
    // cache, so the locked path runs.
    char *block = static_cast<char *>(std::malloc(4000));
    std::memset(block + malloc_usable_size(block), 0, sizeof(size_t));
    std::free(block);
}

} // namespace

void CrashTestHook::prepare()
{
    g_situation = qgetenv("FOTORIA_TEST_CRASH");
}

void CrashTestHook::crashSoon()
{
    if (g_situation.isEmpty())
        return;
    QTimer::singleShot(0, [] {
        qDebug() << "crash test:" << g_situation;
        if (g_situation == "logger-lock") {
            crashWithLoggerLockHeld();
        } else if (g_situation == "malloc") {
            crashInsideMalloc();
        } else if (g_situation == "worker-stack-overflow") {
            QThread *worker = QThread::create([] {
                platform::installThreadSignalStack();
                overflow(0);
            });
            worker->start();
        } else {
            qDebug() << "crash test: unknown situation, no crash";
        }
    });
}
