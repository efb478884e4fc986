#pragma once

#include <QStringList>

class QApplication;

namespace ScreenSaverStartup {

// Names the application so that the screensaver gets a settings store of its
// own ("Fotoria" / "FotoriaScreensaver"), and logs where it lives.
void setQTSettings();

// Creates the store and handles the first run (kFirstTime).
void initializeSettings();

// The Fotoria folder, its photos folder and the playlist folder, each only
// when missing.
void createFolders();

// Writes the usage text, one debug line each.
void printUsage();

// The whole program: start-up, command line, the mode's window, event loop.
// Returns the process's exit status.
int run(int argc, char *argv[]);

} // namespace ScreenSaverStartup
