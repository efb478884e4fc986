#include "ScreenSaverHost.h"

#include <QTimer>
#include <QWidget>

#include <windows.h>

namespace platform {

namespace {

HWND toHwnd(NativeWindowId window)
{
    return reinterpret_cast<HWND>(window);
}

} // namespace

QSize nativeClientSize(NativeWindowId window)
{
    if (window == 0 || !IsWindow(toHwnd(window)))
        return QSize();
    RECT rect {};
    if (!GetClientRect(toHwnd(window), &rect))
        return QSize();
    return QSize(rect.right - rect.left, rect.bottom - rect.top);
}

bool embedIntoNativeWindow(QWidget *widget, NativeWindowId parent)
{
    const QSize size = nativeClientSize(parent);
    if (!widget || !size.isValid())
        return false;
    widget->setAttribute(Qt::WA_NativeWindow);
    HWND own = reinterpret_cast<HWND>(widget->winId());
    // A child window of the preview pane rather than a top-level popup.
    LONG_PTR style = GetWindowLongPtrW(own, GWL_STYLE);
    style = (style & ~static_cast<LONG_PTR>(WS_POPUP)) | WS_CHILD;
    SetWindowLongPtrW(own, GWL_STYLE, style);
    if (!SetParent(own, toHwnd(parent)))
        return false;
    const QSize now = nativeClientSize(parent);
    widget->setGeometry(
        QRect(QPoint(0, 0), logicalSize(now.isValid() ? now : size, widget->devicePixelRatioF())));
    return true;
}

void avoidOpenGlIntegration()
{
    // Windows loads OpenGL only when a window asks for it.
}

NativeWindowId xscreensaverWindow()
{
    return 0;
}

struct NativeWindowWatch::Private
{
    QTimer timer;
};

NativeWindowWatch::NativeWindowWatch(NativeWindowId window, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , d(new Private)
{
    // Windows offers no cross-process destroy notification without a hook;
    // a cheap poll of IsWindow is enough for a preview pane.
    d->timer.setInterval(250);
    connect(&d->timer, &QTimer::timeout, this, &NativeWindowWatch::check);
    d->timer.start();
    QTimer::singleShot(0, this, &NativeWindowWatch::check);
}

NativeWindowWatch::~NativeWindowWatch()
{
    delete d;
}

void NativeWindowWatch::check()
{
    if (m_window == 0 || !IsWindow(toHwnd(m_window)))
        reportGone();
}

void NativeWindowWatch::reportGone()
{
    if (m_gone)
        return;
    m_gone = true;
    d->timer.stop();
    emit windowGone();
}

} // namespace platform
