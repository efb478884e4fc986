#include "XRootInfo.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>

namespace {

int g_error = 0;

int recordError(Display *, XErrorEvent *event)
{
    g_error = event->error_code;
    return 0;
}

} // namespace

quint64 rootPixmap(const QString &display, const char *property)
{
    Display *dpy = XOpenDisplay(display.toLocal8Bit().constData());
    if (!dpy)
        return 0;
    const Atom atom = XInternAtom(dpy, property, True);
    quint64 result = 0;
    if (atom != None) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(dpy, DefaultRootWindow(dpy), atom, 0, 1, False, XA_PIXMAP, &type, &format,
                &count, &after, &data)
                == Success
            && type == XA_PIXMAP && count == 1 && data)
            result = *reinterpret_cast<unsigned long *>(data);
        if (data)
            XFree(data);
    }
    XCloseDisplay(dpy);
    return result;
}

bool pixmapAlive(const QString &display, quint64 pixmap)
{
    Display *dpy = XOpenDisplay(display.toLocal8Bit().constData());
    if (!dpy)
        return false;
    XErrorHandler previous = XSetErrorHandler(recordError);
    g_error = 0;
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned border = 0;
    unsigned depth = 0;
    const Status ok = XGetGeometry(dpy, Drawable(pixmap), &root, &x, &y, &width, &height, &border, &depth);
    XSync(dpy, False);
    XSetErrorHandler(previous);
    XCloseDisplay(dpy);
    return ok && g_error == 0;
}

void setRootPixmap(const QString &display, const char *property, quint64 pixmap)
{
    Display *dpy = XOpenDisplay(display.toLocal8Bit().constData());
    if (!dpy)
        return;
    const Pixmap value = Pixmap(pixmap);
    XChangeProperty(dpy, DefaultRootWindow(dpy), XInternAtom(dpy, property, False), XA_PIXMAP, 32,
        PropModeReplace, reinterpret_cast<const unsigned char *>(&value), 1);
    XCloseDisplay(dpy);
}

int serverPixmapCount(const QString &display)
{
    Display *dpy = XOpenDisplay(display.toLocal8Bit().constData());
    if (!dpy)
        return -1;
    int eventBase = 0;
    int errorBase = 0;
    int clientCount = 0;
    XResClient *clients = nullptr;
    if (!XResQueryExtension(dpy, &eventBase, &errorBase) || !XResQueryClients(dpy, &clientCount, &clients)) {
        XCloseDisplay(dpy);
        return -1;
    }
    const Atom pixmapType = XInternAtom(dpy, "PIXMAP", False);
    int total = 0;
    for (int i = 0; i < clientCount; ++i) {
        int count = 0;
        XResType *types = nullptr;
        if (XResQueryClientResources(dpy, clients[i].resource_base, &count, &types)) {
            for (int t = 0; t < count; ++t) {
                if (types[t].resource_type == pixmapType)
                    total += int(types[t].count);
            }
        }
        if (types)
            XFree(types);
    }
    XFree(clients);
    XCloseDisplay(dpy);
    return total;
}

unsigned pixmapPixel(const QString &display, quint64 pixmap, int x, int y)
{
    Display *dpy = XOpenDisplay(display.toLocal8Bit().constData());
    if (!dpy)
        return 0;
    XErrorHandler previous = XSetErrorHandler(recordError);
    unsigned pixel = 0;
    if (XImage *image = XGetImage(dpy, Drawable(pixmap), x, y, 1, 1, AllPlanes, ZPixmap)) {
        pixel = unsigned(XGetPixel(image, 0, 0)) & 0xffffff;
        XDestroyImage(image);
    }
    XSync(dpy, False);
    XSetErrorHandler(previous);
    XCloseDisplay(dpy);
    return pixel;
}
