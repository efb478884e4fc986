#pragma once

#include <QString>

namespace platform {

// The crash callback of the application: runs on the crashing thread before
// the report is written. Its return value is ignored on Linux; it exists so
// the same callback fits the Windows reporting library.
using CrashCallback = int (*)(void *);

struct CrashHookConfig
{
    QString appName;
    QString appVersion;
    QString reportFolder;  // reports are written here, one file per crash
    CrashCallback callback = nullptr;
};

// Installs the process's crash hook. Returns 0 on success, else an error
// code with its text in *errorText.
int installCrashHook(const CrashHookConfig &config, QString *errorText);

// A file whose content is copied into every report (the log).
void attachFileToCrashReports(const QString &path);

// Where reports go; may change after installation (the folder is only known
// once the documents folder is).
void setCrashReportFolder(const QString &folder);

void uninstallCrashHook();

} // namespace platform
