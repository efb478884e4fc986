#include "AppInfo.h"

#include <QFileInfo>

namespace AppInfo {

QString applicationName()
{
    QString name = productName;
    name.remove(QLatin1Char(' '));
    name.remove(QLatin1Char('&'));
    return name;
}

bool isDevelopmentMode()
{
    return QFileInfo::exists(QStringLiteral("devmarkerfile.txt"))
           || QFileInfo::exists(QStringLiteral("Qt5Cored.dll"));
}

} // namespace AppInfo
