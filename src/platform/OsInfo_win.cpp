#include "OsInfo.h"

#include <QOperatingSystemVersion>

namespace platform {

QString platformName()
{
    return QStringLiteral("Windows");
}

// The codes follow the old toolkit's version table; systems newer than
// Windows 8 were never in it and report "w9?".
QString osVersionCode()
{
    const QOperatingSystemVersion os = QOperatingSystemVersion::current();
    const int major = os.majorVersion();
    const int minor = os.minorVersion();
    if (major == 5)
        return minor == 0 ? QStringLiteral("w2000") : minor == 1 ? QStringLiteral("wXP") : QStringLiteral("ws03");
    if (major == 6 && minor == 0)
        return QStringLiteral("wV,ws08");
    if (major == 6 && minor == 1)
        return QStringLiteral("w7");
    if (major == 6 && minor == 2)
        return QStringLiteral("w8");
    return QStringLiteral("w9?");
}

bool runsAsSuperuser()
{
    // An administrator's renderers keep their sandbox on Windows.
    return false;
}

} // namespace platform
