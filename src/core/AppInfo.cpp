#include "AppInfo.h"

namespace AppInfo {

QString applicationName()
{
    QString name = productName;
    name.remove(QLatin1Char(' '));
    name.remove(QLatin1Char('&'));
    return name;
}

} // namespace AppInfo
