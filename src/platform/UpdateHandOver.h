#pragma once

#include <QString>

// What the automatic update needs to know about the running platform.
namespace platform {

// Keys of the service's version document for this platform's installer.
QString updateVersionKey();
QString updateLinkKey();
// The installer's SHA-256 in hexadecimal, when the document gives one.
QString updateHashKey();
// The hand-over script installed beside the program; it takes the installer
// path and installs it once the client has quit.
QString updateScriptName();

} // namespace platform
