#include "ScreenSaverProgram.h"

namespace platform {

QString screenSaverFileName()
{
    return QStringLiteral("Fotoria.scr");
}

QStringList screenSaverFolders(const QString &programFolder)
{
    return { programFolder };
}

} // namespace platform
