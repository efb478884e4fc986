#pragma once

#include <QString>

namespace platform {

struct CrashHookConfig
{
    QString appName;
    QString appVersion;
    QString reportFolder; // reports are written here, one file per crash
};

// Installs the process's crash hook. Returns 0 on success, else an error
// code with its text in *errorText. A crash leaves a report and the marker
// file (see setCrashMarkerFile), then the process dies of its signal.
int installCrashHook(const CrashHookConfig &config, QString *errorText);

// A file whose content is copied into every report (the log).
void attachFileToCrashReports(const QString &path);

// Where reports go; may change after installation (the folder is only known
// once the documents folder is). The folder is created here.
void setCrashReportFolder(const QString &folder);

// The file a crash creates, so that the next start learns of it. Its folder
// must exist. Empty: no marker.
void setCrashMarkerFile(const QString &path);

void uninstallCrashHook();

// Gives the calling thread a stack of its own for the crash handler, so that
// a stack overflow on it is reported too. Call first thing on every thread the
// program starts; once per thread is enough, the stack goes with the thread.
void installThreadSignalStack();

} // namespace platform
