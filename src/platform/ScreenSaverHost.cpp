#include "ScreenSaverHost.h"

#include <cmath>

namespace platform {

QSize logicalSize(const QSize &devicePixels, qreal ratio)
{
    if (ratio <= 0)
        return devicePixels;
    // Rounded up: the host clips a part pixel, but a gap would show its own colour.
    return QSize(int(std::ceil(devicePixels.width() / ratio)), int(std::ceil(devicePixels.height() / ratio)));
}

NativeWindowId parseNativeWindowId(const QString &text)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    qulonglong value = 0;
    if (trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = trimmed.mid(2).toULongLong(&ok, 16);
    else
        value = trimmed.toULongLong(&ok, 10);
    return ok ? static_cast<NativeWindowId>(value) : 0;
}

} // namespace platform
