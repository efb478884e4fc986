#pragma once

#include <QByteArray>
#include <QString>

// What the automatic update needs to know about the running platform.
namespace platform {

// Keys of the service's version document for this platform's installer.
QString updateVersionKey();
QString updateLinkKey();
// The installer's SHA-256 in hexadecimal, when the document gives one.
QString updateHashKey();
// The hand-over script installed beside the program; it takes the installer
// path and its SHA-256, checks the hash again and installs once the client
// has quit.
QString updateScriptName();

// The folder installers are downloaded to: the user's own, closed to
// everybody else, never in the shared temporary folder.
QString updateFolder();
// Writes `body` as `name` in updateFolder(), complete or absent. The folder
// is created closed to others and refused when it is a link, belongs to
// someone else or others may enter it; the file is created anew, never
// through a link, readable by the user only. On failure *error says why.
bool writeInstaller(const QString &name, const QByteArray &body, QString *error);

} // namespace platform
