#pragma once

#include <QObject>
#include <QSize>
#include <QString>

class QWidget;
class QWindow;

namespace platform {

// A native window handle as the screensaver machinery passes it (an X11
// window id on Linux, an HWND on Windows).
using NativeWindowId = quintptr;

// Client size of a window that belongs to another process; an invalid size
// when the window does not exist (any more).
QSize nativeClientSize(NativeWindowId window);

// The size in the toolkit's pixels (device pixels / ratio) that covers a
// window of `devicePixels`, such as a host's client size, at that ratio.
QSize logicalSize(const QSize &devicePixels, qreal ratio);

// Makes the widget's own native window a child of the foreign window, placed
// at (0, 0) covering the foreign window's client area at any scale factor.
// The widget is not shown.
// Returns false when the foreign window does not exist.
bool embedIntoNativeWindow(QWidget *widget, NativeWindowId parent);

// The window XScreenSaver hands a hack to draw into (XSCREENSAVER_WINDOW),
// or 0 when there is none.
NativeWindowId xscreensaverWindow();

// A window id as text: decimal, or hexadecimal with "0x". 0 when malformed.
NativeWindowId parseNativeWindowId(const QString &text);

// Call before the application object exists. The screensaver paints with
// the raster engine only; loading the OpenGL stack of the windowing system
// would cost a noticeable part of its start-up.
void avoidOpenGlIntegration();

// Watches a foreign window and emits windowGone() once when it is destroyed
// (or when it never existed), so a hosted preview can end cleanly.
class NativeWindowWatch : public QObject
{
    Q_OBJECT
public:
    explicit NativeWindowWatch(NativeWindowId window, QObject *parent = nullptr);
    ~NativeWindowWatch() override;

    NativeWindowId window() const { return m_window; }

signals:
    void windowGone();

private:
    void check();
    void reportGone();

    NativeWindowId m_window;
    bool m_gone = false;
    struct Private;
    Private *d = nullptr;
};

} // namespace platform
