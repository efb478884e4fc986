#include "CrashReporter.h"

#include "Logger.h"

#include <core/AppInfo.h>
#include <core/FileLocations.h>
#include <core/Settings.h>
#include <platform/CrashHook.h>

#include <QDebug>
#include <QString>

#include <cstdio>

bool CrashReporter::add()
{
    platform::CrashHookConfig config;
    config.appName = QStringLiteral("Fotoria Tessel");
    config.appVersion = AppInfo::version;
    config.reportFolder = FileLocations::crashFolder();
    config.callback = CrashCallback;

    QString error;
    const int result = platform::installCrashHook(config, &error);
    if (result != 0) {
        qDebug() << "crashreport not installed:" << result;
        std::printf("%s\n", error.toLocal8Bit().constData());
        std::fflush(stdout);
        return false;
    }
    qDebug() << "crashreport installed.";
    platform::attachFileToCrashReports(Logger::instance()->logFilePath());
    return true;
}

void CrashReporter::remove()
{
    platform::uninstallCrashHook();
}

int CrashCallback(void *)
{
    qDebug() << "crash callback.";
    Settings::trySetValue(QStringLiteral("kCrashed"), true, 1000);
    Logger::instance()->closeLogFileAfterCrash();
    return 1;
}
