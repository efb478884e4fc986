#include "ScreenSaverHost.h"

#include <QDebug>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <X11/Xlib.h>

#include <atomic>

namespace platform {

namespace {

// Xlib's error handler is process-wide and Qt's xcb plugin installs one of
// its own. Ours only swallows errors of the connections we opened here and
// hands every other error on.
XErrorHandler g_previousHandler = nullptr;
constexpr int kMaxOwnDisplays = 8;
std::atomic<Display *> g_ownDisplays[kMaxOwnDisplays];
std::atomic<int> g_lastError { 0 };

bool isOwnDisplay(Display *display)
{
    for (const auto &slot : g_ownDisplays) {
        if (slot.load() == display)
            return true;
    }
    return false;
}

void registerOwnDisplay(Display *display, bool add)
{
    Display *from = add ? nullptr : display;
    Display *to = add ? display : nullptr;
    for (auto &slot : g_ownDisplays) {
        Display *expected = from;
        if (slot.compare_exchange_strong(expected, to))
            return;
    }
}

int quietErrorHandler(Display *display, XErrorEvent *event)
{
    if (isOwnDisplay(display)) {
        g_lastError = event->error_code;
        return 0;
    }
    return g_previousHandler ? g_previousHandler(display, event) : 0;
}

// One short-lived or long-lived connection of our own, with errors caught.
class OwnConnection
{
public:
    OwnConnection()
        : m_display(XOpenDisplay(nullptr))
    {
        if (!m_display)
            return;
        XErrorHandler previous = XSetErrorHandler(quietErrorHandler);
        if (previous != quietErrorHandler)
            g_previousHandler = previous;
        registerOwnDisplay(m_display, true);
    }
    ~OwnConnection()
    {
        if (!m_display)
            return;
        XCloseDisplay(m_display);
        registerOwnDisplay(m_display, false);
    }
    OwnConnection(const OwnConnection &) = delete;
    OwnConnection &operator=(const OwnConnection &) = delete;

    Display *display() const { return m_display; }

    // Runs the request and waits for the server's answer; false on any error.
    template<typename Request> bool call(Request request)
    {
        g_lastError = 0;
        const Status ok = request();
        XSync(m_display, False);
        return ok != 0 && g_lastError == 0;
    }

private:
    Display *m_display;
};

bool fitsWindowId(NativeWindowId window)
{
    // X resource ids use 29 bits; anything larger cannot name a window.
    return window != 0 && window <= 0x1FFFFFFFu;
}

} // namespace

QSize nativeClientSize(NativeWindowId window)
{
    if (!fitsWindowId(window))
        return QSize();
    OwnConnection connection;
    if (!connection.display())
        return QSize();
    XWindowAttributes attributes {};
    const bool ok = connection.call([&]() {
        return XGetWindowAttributes(connection.display(), static_cast<Window>(window), &attributes);
    });
    if (!ok)
        return QSize();
    return QSize(attributes.width, attributes.height);
}

bool embedIntoNativeWindow(QWidget *widget, NativeWindowId parent)
{
    const QSize size = nativeClientSize(parent);
    if (!widget || !size.isValid())
        return false;
    widget->setAttribute(Qt::WA_NativeWindow);
    widget->winId();
    QWindow *own = widget->windowHandle();
    if (!own)
        return false;
    // The foreign QWindow reports 0x0; it only serves as the native parent.
    QWindow *host = QWindow::fromWinId(static_cast<WId>(parent));
    if (!host)
        return false;
    // The host wrapper is kept for the life of the process: deleting it would
    // take the widget's own QWindow (its child) with it. Held here so that it
    // is never mistaken for a leak once the widget is gone.
    static auto *const hosts = new QList<QWindow *>;
    hosts->append(host);
    own->setParent(host);
    // The foreign window can change size between the two reads; use the latest.
    const QSize now = nativeClientSize(parent);
    widget->setGeometry(
        QRect(QPoint(0, 0), logicalSize(now.isValid() ? now : size, own->devicePixelRatio())));
    return true;
}

void avoidOpenGlIntegration()
{
    // The xcb plugin otherwise loads GLX and the driver on the first window.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

NativeWindowId xscreensaverWindow()
{
    return parseNativeWindowId(qEnvironmentVariable("XSCREENSAVER_WINDOW"));
}

struct NativeWindowWatch::Private
{
    OwnConnection connection;
    QSocketNotifier *notifier = nullptr;
};

NativeWindowWatch::NativeWindowWatch(NativeWindowId window, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , d(new Private)
{
    Display *display = d->connection.display();
    if (!display || !fitsWindowId(window)) {
        QTimer::singleShot(0, this, &NativeWindowWatch::reportGone);
        return;
    }
    // DestroyNotify of the host arrives on our own connection, so no polling.
    const bool ok = d->connection.call([&]() {
        XSelectInput(display, static_cast<Window>(window), StructureNotifyMask);
        return 1;
    });
    XWindowAttributes attributes {};
    const bool exists = ok && d->connection.call([&]() {
        return XGetWindowAttributes(display, static_cast<Window>(window), &attributes);
    });
    if (!exists) {
        QTimer::singleShot(0, this, &NativeWindowWatch::reportGone);
        return;
    }
    d->notifier = new QSocketNotifier(ConnectionNumber(display), QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, &NativeWindowWatch::check);
    // Events may already sit in Xlib's queue after the calls above.
    QTimer::singleShot(0, this, &NativeWindowWatch::check);
}

NativeWindowWatch::~NativeWindowWatch()
{
    delete d;
}

void NativeWindowWatch::check()
{
    Display *display = d->connection.display();
    while (!m_gone && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == DestroyNotify && event.xdestroywindow.window == static_cast<Window>(m_window))
            reportGone();
    }
}

void NativeWindowWatch::reportGone()
{
    if (m_gone)
        return;
    m_gone = true;
    if (d->notifier)
        d->notifier->setEnabled(false);
    emit windowGone();
}

} // namespace platform
