#pragma once

class QCoreApplication;

namespace platform {

// Makes the termination signals of the OS (SIGINT and SIGTERM on Linux,
// console close on Windows) quit the application's event loop cleanly.
void quitOnTerminationSignals(QCoreApplication *app);

} // namespace platform
