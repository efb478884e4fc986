#include "ScreenSaverHost.h"

namespace platform {

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
