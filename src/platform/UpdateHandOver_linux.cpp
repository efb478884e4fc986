#include "UpdateHandOver.h"

namespace platform {

QString updateVersionKey()
{
    return QStringLiteral("linux_version");
}

QString updateLinkKey()
{
    return QStringLiteral("linux_download_link");
}

QString updateHashKey()
{
    return QStringLiteral("linux_download_sha256");
}

QString updateScriptName()
{
    return QStringLiteral("linux_auto_update.sh");
}

} // namespace platform
