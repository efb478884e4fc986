#include "XDesktopInfo_linux.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>

namespace platform::wallpaper {

namespace {

QVector<XMonitor> randrMonitors(Display *display, Window root)
{
    QVector<XMonitor> monitors;
    int count = 0;
    XRRMonitorInfo *list = XRRGetMonitors(display, root, True, &count);
    for (int i = 0; list && i < count; ++i) {
        char *name = XGetAtomName(display, list[i].name);
        monitors.append({ QString::fromLocal8Bit(name ? name : ""),
            QRect(list[i].x, list[i].y, list[i].width, list[i].height), list[i].primary != 0 });
        if (name)
            XFree(name);
    }
    if (list)
        XRRFreeMonitors(list);
    return monitors;
}

QVector<XMonitor> litOutputs(Display *display, Window root)
{
    QVector<XMonitor> monitors;
    XRRScreenResources *resources = XRRGetScreenResourcesCurrent(display, root);
    if (!resources)
        return monitors;
    const RROutput primary = XRRGetOutputPrimary(display, root);
    for (int i = 0; i < resources->noutput; ++i) {
        XRROutputInfo *output = XRRGetOutputInfo(display, resources, resources->outputs[i]);
        if (!output)
            continue;
        if (output->connection == RR_Connected && output->crtc != None) {
            if (XRRCrtcInfo *crtc = XRRGetCrtcInfo(display, resources, output->crtc)) {
                monitors.append({ QString::fromLocal8Bit(output->name, output->nameLen),
                    QRect(crtc->x, crtc->y, int(crtc->width), int(crtc->height)),
                    resources->outputs[i] == primary });
                XRRFreeCrtcInfo(crtc);
            }
        }
        XRRFreeOutputInfo(output);
    }
    XRRFreeScreenResources(resources);
    return monitors;
}

} // namespace

QVector<XMonitor> readMonitors(Display *display)
{
    const Window root = DefaultRootWindow(display);
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase) || !XRRQueryVersion(display, &major, &minor))
        return {};
    QVector<XMonitor> monitors;
    if (major > 1 || (major == 1 && minor >= 5))
        monitors = randrMonitors(display, root);
    if (monitors.isEmpty())
        monitors = litOutputs(display, root);
    // A monitor of no size would get a picture of no size.
    monitors.erase(std::remove_if(monitors.begin(), monitors.end(),
                       [](const XMonitor &monitor) { return monitor.geometry.isEmpty(); }),
        monitors.end());
    return monitors;
}

bool readXDesktopInfo(XDesktopInfo *info, QString *error)
{
    const QByteArray displayName = qgetenv("DISPLAY");
    Display *display = displayName.isEmpty() ? nullptr : XOpenDisplay(displayName.constData());
    if (!display) {
        *error = QStringLiteral("cannot open the X display to find the monitors");
        return false;
    }
    info->monitors = readMonitors(display);

    const Window root = DefaultRootWindow(display);
    const Atom current = XInternAtom(display, "_NET_CURRENT_DESKTOP", True);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    if (current != None
        && XGetWindowProperty(
               display, root, current, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data)
            == Success
        && type == XA_CARDINAL && format == 32 && count == 1 && data)
        info->workspace = int(*reinterpret_cast<unsigned long *>(data));
    if (data)
        XFree(data);
    XCloseDisplay(display);
    return true;
}

} // namespace platform::wallpaper
