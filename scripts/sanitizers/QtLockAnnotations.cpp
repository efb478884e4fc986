// ThreadSanitizer build only. Qt is not instrumented, so the locking done
// inside QMutex, QWaitCondition, QReadWriteLock and QSemaphore is invisible
// and every access those locks protect looks like a race. These wrappers
// take the place of Qt's own functions (the program's definitions come first)
// and tell the sanitizer what each call means: a lock acquires, an unlock
// releases, a wait does both. Nothing here changes what the calls do.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);

namespace {

template<typename F> F real(const char *name)
{
    void *address = dlsym(RTLD_NEXT, name);
    if (!address) {
        std::fprintf(stderr, "QtLockAnnotations: %s not found\n", name);
        std::abort();
    }
    return reinterpret_cast<F>(address);
}

// QDeadlineTimer, passed by value as Qt passes it.
struct Deadline
{
    long long t1;
    unsigned t2;
    int type;
};

} // namespace

#define FOTORIA_REAL(type, name) static const auto original = real<type>(#name)

extern "C" {

// QMutex::lock(), unlock(), tryLock(int)
void _ZN6QMutex4lockEv(void *m)
{
    FOTORIA_REAL(void (*)(void *), _ZN6QMutex4lockEv);
    original(m);
    __tsan_acquire(m);
}

void _ZN6QMutex6unlockEv(void *m)
{
    FOTORIA_REAL(void (*)(void *), _ZN6QMutex6unlockEv);
    __tsan_release(m);
    original(m);
}

bool _ZN6QMutex7tryLockEi(void *m, int timeout)
{
    FOTORIA_REAL(bool (*)(void *, int), _ZN6QMutex7tryLockEi);
    const bool locked = original(m, timeout);
    if (locked)
        __tsan_acquire(m);
    return locked;
}

// QBasicMutex: the contended paths of the inline lock and unlock.
void _ZN11QBasicMutex12lockInternalEv(void *m)
{
    FOTORIA_REAL(void (*)(void *), _ZN11QBasicMutex12lockInternalEv);
    original(m);
    __tsan_acquire(m);
}

bool _ZN11QBasicMutex12lockInternalEi(void *m, int timeout)
{
    FOTORIA_REAL(bool (*)(void *, int), _ZN11QBasicMutex12lockInternalEi);
    const bool locked = original(m, timeout);
    if (locked)
        __tsan_acquire(m);
    return locked;
}

void _ZN11QBasicMutex14unlockInternalEv(void *m)
{
    FOTORIA_REAL(void (*)(void *), _ZN11QBasicMutex14unlockInternalEv);
    __tsan_release(m);
    original(m);
}

// QWaitCondition::wait(QMutex *, QDeadlineTimer) and wait(QMutex *, unsigned long)
bool _ZN14QWaitCondition4waitEP6QMutex14QDeadlineTimer(void *c, void *m, Deadline deadline)
{
    FOTORIA_REAL(bool (*)(void *, void *, Deadline), _ZN14QWaitCondition4waitEP6QMutex14QDeadlineTimer);
    __tsan_release(m);
    const bool woken = original(c, m, deadline);
    __tsan_acquire(m);
    return woken;
}

bool _ZN14QWaitCondition4waitEP6QMutexm(void *c, void *m, unsigned long time)
{
    FOTORIA_REAL(bool (*)(void *, void *, unsigned long), _ZN14QWaitCondition4waitEP6QMutexm);
    __tsan_release(m);
    const bool woken = original(c, m, time);
    __tsan_acquire(m);
    return woken;
}

// QReadWriteLock
void _ZN14QReadWriteLock11lockForReadEv(void *l)
{
    FOTORIA_REAL(void (*)(void *), _ZN14QReadWriteLock11lockForReadEv);
    original(l);
    __tsan_acquire(l);
}

void _ZN14QReadWriteLock12lockForWriteEv(void *l)
{
    FOTORIA_REAL(void (*)(void *), _ZN14QReadWriteLock12lockForWriteEv);
    original(l);
    __tsan_acquire(l);
}

void _ZN14QReadWriteLock6unlockEv(void *l)
{
    FOTORIA_REAL(void (*)(void *), _ZN14QReadWriteLock6unlockEv);
    __tsan_release(l);
    original(l);
}

// QSemaphore::acquire(int), release(int), tryAcquire(int), tryAcquire(int, int)
void _ZN10QSemaphore7acquireEi(void *s, int n)
{
    FOTORIA_REAL(void (*)(void *, int), _ZN10QSemaphore7acquireEi);
    original(s, n);
    __tsan_acquire(s);
}

void _ZN10QSemaphore7releaseEi(void *s, int n)
{
    FOTORIA_REAL(void (*)(void *, int), _ZN10QSemaphore7releaseEi);
    __tsan_release(s);
    original(s, n);
}

bool _ZN10QSemaphore10tryAcquireEi(void *s, int n)
{
    FOTORIA_REAL(bool (*)(void *, int), _ZN10QSemaphore10tryAcquireEi);
    const bool taken = original(s, n);
    if (taken)
        __tsan_acquire(s);
    return taken;
}

bool _ZN10QSemaphore10tryAcquireEii(void *s, int n, int timeout)
{
    FOTORIA_REAL(bool (*)(void *, int, int), _ZN10QSemaphore10tryAcquireEii);
    const bool taken = original(s, n, timeout);
    if (taken)
        __tsan_acquire(s);
    return taken;
}

} // extern "C"
