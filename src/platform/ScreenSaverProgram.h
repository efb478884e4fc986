#pragma once

#include <QString>

namespace platform {

// The screensaver's program file, installed beside the tray client.
QString screenSaverFileName();

} // namespace platform
