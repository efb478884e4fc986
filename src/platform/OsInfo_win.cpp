#include "OsInfo.h"

#include <QSysInfo>

namespace platform {

QString platformName()
{
    return QStringLiteral("Windows");
}

QString osVersionCode()
{
    switch (QSysInfo::windowsVersion()) {
    case 0x01: return QStringLiteral("w31");
    case 0x02: return QStringLiteral("w95");
    case 0x03: return QStringLiteral("w98");
    case 0x04: return QStringLiteral("wMe");
    case 0x10: return QStringLiteral("wNT");
    case 0x20: return QStringLiteral("w2000");
    case 0x30: return QStringLiteral("wXP");
    case 0x40: return QStringLiteral("ws03");
    case 0x80: return QStringLiteral("wV,ws08");
    case 0x90: return QStringLiteral("w7");
    case 0xa0: return QStringLiteral("w8");
    case 0x100: return QStringLiteral("wCE");
    case 0x200: return QStringLiteral("wCE.NET");
    case 0x300: return QStringLiteral("wCE5.x");
    case 0x400: return QStringLiteral("wCE6.x");
    default: return QStringLiteral("w9?");
    }
}

} // namespace platform
