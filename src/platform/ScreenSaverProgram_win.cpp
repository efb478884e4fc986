#include "ScreenSaverProgram.h"

namespace platform {

QString screenSaverFileName()
{
    return QStringLiteral("Fotoria.scr");
}

} // namespace platform
