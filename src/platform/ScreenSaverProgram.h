#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The screensaver's program file name.
QString screenSaverFileName();

// Where the screensaver may be, given the tray client's own folder, in the
// order to look: beside it (build tree, Windows), then the installed layout.
QStringList screenSaverFolders(const QString &programFolder);

} // namespace platform
