#include "ScreenSaverProgram.h"

namespace platform {

QString screenSaverFileName()
{
    return QStringLiteral("fotoria-screensaver");
}

} // namespace platform
