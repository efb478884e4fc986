#include "ScreenSaverProgram.h"

#include <QDir>

namespace platform {

QString screenSaverFileName()
{
    return QStringLiteral("fotoria-screensaver");
}

QStringList screenSaverFolders(const QString &programFolder)
{
    // Installed: <prefix>/bin/tessel and <prefix>/libexec/fotoria/fotoria-screensaver.
    return { programFolder, QDir::cleanPath(programFolder + QStringLiteral("/../libexec/fotoria")) };
}

} // namespace platform
