#include "XDesktopInfo_linux.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace platform::wallpaper {

bool readXDesktopInfo(XDesktopInfo *info, QString *error)
{
    const QByteArray displayName = qgetenv("DISPLAY");
    Display *display = displayName.isEmpty() ? nullptr : XOpenDisplay(displayName.constData());
    if (!display) {
        *error = QStringLiteral("cannot open the X display to find the monitors");
        return false;
    }
    const Window root = DefaultRootWindow(display);
    int eventBase = 0;
    int errorBase = 0;
    if (XRRQueryExtension(display, &eventBase, &errorBase)) {
        if (XRRScreenResources *resources = XRRGetScreenResourcesCurrent(display, root)) {
            for (int i = 0; i < resources->noutput; ++i) {
                XRROutputInfo *output = XRRGetOutputInfo(display, resources, resources->outputs[i]);
                if (!output)
                    continue;
                if (output->connection == RR_Connected && output->crtc != None)
                    info->monitors.append(QString::fromLocal8Bit(output->name, output->nameLen));
                XRRFreeOutputInfo(output);
            }
            XRRFreeScreenResources(resources);
        }
    }

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
