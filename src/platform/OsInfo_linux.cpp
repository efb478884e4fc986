#include "OsInfo.h"

#include <QSysInfo>

#include <unistd.h>

namespace platform {

QString platformName()
{
    return QStringLiteral("Linux");
}

QString osVersionCode()
{
    const QString type = QSysInfo::productType();
    const QString version = QSysInfo::productVersion();
    if (type.isEmpty() || type == QLatin1String("unknown"))
        return QStringLiteral("linux");
    if (version.isEmpty() || version == QLatin1String("unknown"))
        return type;
    return type + QLatin1Char('-') + version;
}

bool runsAsSuperuser()
{
    return ::geteuid() == 0;
}

} // namespace platform
