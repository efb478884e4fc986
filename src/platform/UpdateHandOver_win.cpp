#include "UpdateHandOver.h"

namespace platform {

QString updateVersionKey()
{
    return QStringLiteral("windows_version");
}

QString updateLinkKey()
{
    return QStringLiteral("windows_download_link");
}

QString updateHashKey()
{
    return QStringLiteral("windows_download_sha256");
}

QString updateScriptName()
{
    return QStringLiteral("win_auto_update.bat");
}

} // namespace platform
