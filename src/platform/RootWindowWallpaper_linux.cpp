#include "RootWindowWallpaper_linux.h"

#include "WallpaperTools.h"
#include "XDesktopInfo_linux.h"

#include <QByteArray>
#include <QPainter>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>

#include <cstring>
#include <functional>
#include <vector>

namespace platform::wallpaper {

namespace {

// Xlib reports errors through one process-wide handler; the caller of
// setRootWindowWallpaper holds a lock, so a plain variable is enough.
int g_firstError = 0;

int recordError(Display *, XErrorEvent *event)
{
    if (g_firstError == 0)
        g_firstError = event->error_code;
    return 0;
}

// Without our own handler Xlib's default one ends the whole process.
class ErrorTrap
{
public:
    ErrorTrap()
        : m_previous(XSetErrorHandler(recordError))
    {
        g_firstError = 0;
    }
    ~ErrorTrap() { XSetErrorHandler(m_previous); }
    ErrorTrap(const ErrorTrap &) = delete;
    ErrorTrap &operator=(const ErrorTrap &) = delete;

    // Waits for the server to handle everything sent so far.
    int sync(Display *display)
    {
        XSync(display, False);
        const int error = g_firstError;
        g_firstError = 0;
        return error;
    }

private:
    XErrorHandler m_previous;
};

QString errorText(Display *display, int code)
{
    char text[256] = {};
    XGetErrorText(display, code, text, sizeof(text) - 1);
    return QString::fromLocal8Bit(text);
}

Pixmap pixmapProperty(Display *display, Window root, Atom atom)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    Pixmap pixmap = None;
    if (XGetWindowProperty(display, root, atom, 0, 1, False, XA_PIXMAP, &type, &format, &count, &after, &data)
            == Success
        && type == XA_PIXMAP && format == 32 && count == 1 && data) {
        // Xlib hands 32-bit properties back as longs.
        pixmap = static_cast<Pixmap>(*reinterpret_cast<unsigned long *>(data));
    }
    if (data)
        XFree(data);
    return pixmap;
}

int lowestBit(unsigned long mask)
{
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

int bitCount(unsigned long mask)
{
    int bits = 0;
    for (; mask; mask >>= 1)
        bits += int(mask & 1);
    return bits;
}

unsigned long channel(int value, unsigned long mask)
{
    const int bits = bitCount(mask);
    const unsigned long scaled
        = bits >= 8 ? (unsigned long)value << (bits - 8) : (unsigned long)value >> (8 - bits);
    return (scaled << lowestBit(mask)) & mask;
}

// Fills the X image from an RGB32 picture. The common 24-bit layout is a
// straight copy; other true-colour layouts go pixel by pixel.
void fillImage(XImage *target, const QImage &picture)
{
    const bool hostLsb = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    const bool sameLayout = target->bits_per_pixel == 32 && target->red_mask == 0xff0000
        && target->green_mask == 0xff00 && target->blue_mask == 0xff
        && (target->byte_order == LSBFirst) == hostLsb;
    for (int y = 0; y < picture.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        if (sameLayout) {
            std::memcpy(
                target->data + qsizetype(y) * target->bytes_per_line, line, size_t(picture.width()) * 4);
            continue;
        }
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb rgb = line[x];
            XPutPixel(target, x, y,
                channel(qRed(rgb), target->red_mask) | channel(qGreen(rgb), target->green_mask)
                    | channel(qBlue(rgb), target->blue_mask));
        }
    }
}

// A client that still owns a window is a live program (some desktops
// announce their own background through both properties), not a setter's
// left-over; when we cannot tell, it is left alone.
bool ownsWindows(Display *display, XID resource)
{
    int eventBase = 0;
    int errorBase = 0;
    if (!XResQueryExtension(display, &eventBase, &errorBase))
        return true;
    int count = 0;
    XResType *types = nullptr;
    if (!XResQueryClientResources(display, resource, &count, &types))
        return true;
    const Atom window = XInternAtom(display, "WINDOW", False);
    bool found = false;
    for (int i = 0; i < count; ++i)
        found = found || (types[i].resource_type == window && types[i].count > 0);
    if (types)
        XFree(types);
    return found;
}

// Each monitor gets the picture covering its own size; the parts of the
// root no monitor shows stay black.
QImage rootPicture(
    const QImage &image, int width, int height, const QVector<XMonitor> &monitors, Qt::Alignment keep)
{
    if (monitors.isEmpty())
        return coverImage(image, width, height, keep).convertToFormat(QImage::Format_RGB32);
    QImage root(width, height, QImage::Format_RGB32);
    root.fill(Qt::black);
    QPainter painter(&root);
    for (const XMonitor &monitor : monitors) {
        const QRect area = monitor.geometry;
        painter.drawImage(area.topLeft(), coverImage(image, area.width(), area.height(), keep));
    }
    return root;
}

// Makes the root window's picture for its size and monitors.
using RootComposer = std::function<QImage(int width, int height, const QVector<XMonitor> &monitors)>;

bool installRootPicture(const RootComposer &compose, QString *error)
{
    const QByteArray displayName = qgetenv("DISPLAY");
    if (displayName.isEmpty()) {
        *error = QStringLiteral("no known desktop is running and there is no X display (DISPLAY is not set)");
        return false;
    }
    // A connection of our own: what it creates can be kept after it closes,
    // which the toolkit's shared connection cannot offer.
    Display *display = XOpenDisplay(displayName.constData());
    if (!display) {
        *error = QStringLiteral("cannot open the X display %1").arg(QString::fromLocal8Bit(displayName));
        return false;
    }
    ErrorTrap trap;

    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    const int width = DisplayWidth(display, screen);
    const int height = DisplayHeight(display, screen);
    const int depth = DefaultDepth(display, screen);
    Visual *visual = DefaultVisual(display, screen);
    if (visual->c_class != TrueColor && visual->c_class != DirectColor) {
        XCloseDisplay(display);
        *error = QStringLiteral("the X display has no true-colour visual for the wallpaper");
        return false;
    }

    const QImage picture = compose(width, height, readMonitors(display));
    XImage *ximage = XCreateImage(
        display, visual, unsigned(depth), ZPixmap, 0, nullptr, unsigned(width), unsigned(height), 32, 0);
    if (!ximage) {
        XCloseDisplay(display);
        *error = QStringLiteral("cannot prepare the wallpaper image for the X display");
        return false;
    }
    std::vector<char> pixels(size_t(ximage->bytes_per_line) * size_t(height));
    ximage->data = pixels.data();
    fillImage(ximage, picture);

    const Atom rootId = XInternAtom(display, "_XROOTPMAP_ID", False);
    const Atom esetrootId = XInternAtom(display, "ESETROOT_PMAP_ID", False);
    const Pixmap oldRoot = pixmapProperty(display, root, rootId);
    const Pixmap oldEsetroot = pixmapProperty(display, root, esetrootId);

    const Pixmap pixmap = XCreatePixmap(display, root, unsigned(width), unsigned(height), unsigned(depth));
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    XPutImage(display, pixmap, gc, ximage, 0, 0, 0, 0, unsigned(width), unsigned(height));
    XFreeGC(display, gc);
    ximage->data = nullptr; // the vector owns the pixels
    XDestroyImage(ximage);
    if (const int code = trap.sync(display)) {
        XFreePixmap(display, pixmap);
        trap.sync(display);
        *error
            = QStringLiteral("cannot draw the wallpaper on the X display: %1").arg(errorText(display, code));
        XCloseDisplay(display);
        return false;
    }

    XChangeProperty(display, root, rootId, XA_PIXMAP, 32, PropModeReplace,
        reinterpret_cast<const unsigned char *>(&pixmap), 1);
    XChangeProperty(display, root, esetrootId, XA_PIXMAP, 32, PropModeReplace,
        reinterpret_cast<const unsigned char *>(&pixmap), 1);
    XSetWindowBackgroundPixmap(display, root, pixmap);
    XClearWindow(display, root);
    if (const int code = trap.sync(display)) {
        XFreePixmap(display, pixmap);
        trap.sync(display);
        *error = QStringLiteral("cannot set the root window background: %1").arg(errorText(display, code));
        XCloseDisplay(display);
        return false;
    }

    // The usual root setters keep their pixmap alive by retaining their
    // client; when both properties name the same pixmap it is such a
    // left-over, and killing that client frees it.
    if (oldRoot != None && oldRoot == oldEsetroot && oldRoot != pixmap) {
        const bool live = ownsWindows(display, oldRoot);
        trap.sync(display); // a client already gone is fine
        if (!live) {
            XKillClient(display, oldRoot);
            trap.sync(display);
        }
    }

    XSetCloseDownMode(display, RetainPermanent);
    const int code = trap.sync(display);
    XCloseDisplay(display);
    if (code) {
        *error = QStringLiteral("cannot keep the wallpaper on the X display after closing");
        return false;
    }
    return true;
}

} // namespace

bool setRootWindowWallpaper(const QImage &image, Qt::Alignment keepInView, QString *error)
{
    return installRootPicture(
        [&](int width, int height, const QVector<XMonitor> &monitors) {
            return rootPicture(image, width, height, monitors, keepInView);
        },
        error);
}

bool setRootWindowWallpapers(const QList<MonitorPicture> &pictures, QString *error)
{
    return installRootPicture(
        [&](int width, int height, const QVector<XMonitor> &) {
            return desktopPicture(pictures, QRect(0, 0, width, height));
        },
        error);
}

} // namespace platform::wallpaper
