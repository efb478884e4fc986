#pragma once

#include <QString>

// Installs the crash hook at start and removes it at a normal quit. A crash
// leaves a report with the log under the base folder's "crashes" folder and a
// marker file in the application data folder; the process still dies of its
// signal. The next start turns the marker into kCrashed.
class CrashReporter
{
public:
    static bool add();
    static void remove();

    // Once the application identity is set (the marker's folder depends on
    // it): a marker the previous run left becomes kCrashed = true and goes;
    // from now on a crash leaves a new one.
    static void takeOverMarker();

    static QString markerFile();
};
