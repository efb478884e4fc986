#pragma once

#include <QString>

// The start-up steps of the tray client that run before the application
// object exists, in the order main() calls them.
namespace TesselStartup {

// Development mode keeps Qt's own message output and loads plugins from the
// working directory: a "devmarkerfile.txt" (or "Qt5Cored.dll") there.
// Evaluated afresh at each call.
bool isDevelopmentMode();

// Whether plugins are loaded from `folder` (the working directory): only in
// development mode, and only from a folder of this user's that nobody else
// can write to, so that a planted marker and plugin do not run as ours.
bool loadsPluginsFrom(const QString &folder);

// Crash hook and folders.
void prepareProcess();

// Log file (started afresh) and message handler. Only the running client
// opens it: a second start must not empty the log of the one that runs.
void openLog();

// Application identity, resources and library path.
void initializeQt();

// Settings store with first-run handling, account record, the crash marker
// and flag.
void initializeApp();

// Marks a clean end: clears the crash flag and removes the crash hook.
void finishCleanly();

// A second start: leaves the bring-to-front file with "pull to front" for
// the running instance. False when the file cannot be written (logged).
bool handOverToRunningInstance();

// The running instance's side: true once for each request a second start
// left. Anything else under that name (a folder, a link, a large file) is
// set aside once with a log line, never taken for a request.
bool takeBringToFrontRequest();

} // namespace TesselStartup

// Historical free-function names used across the client.
bool isDevelopmentMode();
void initializeQt();
void initializeApp();
