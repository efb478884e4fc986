#pragma once

// Installs the crash hook at start and removes it at a normal quit. A crash
// marks kCrashed, closes the log complete, and leaves a report with the log
// under the base folder's "crashes" folder; the process still dies of its signal.
class CrashReporter
{
public:
    static bool add();
    static void remove();
};

// Runs on the crashing thread before the report is written.
int CrashCallback(void *);
