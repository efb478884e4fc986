#include "CrashReporter.h"

#include "Logger.h"

#include <core/AppInfo.h>
#include <core/FileLocations.h>
#include <core/Settings.h>
#include <platform/CrashHook.h>

#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

bool CrashReporter::add()
{
    platform::CrashHookConfig config;
    config.appName = QStringLiteral("Fotoria Tessel");
    config.appVersion = AppInfo::version;
    config.reportFolder = FileLocations::crashFolder();

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

QString CrashReporter::markerFile()
{
    // Beside the cookies, in the application data folder.
    return QFileInfo(FileLocations::cookieFile()).path() + QStringLiteral("/crashed");
}

void CrashReporter::takeOverMarker()
{
    const QString marker = markerFile();
    ensureFolder(QFileInfo(marker).path());
    if (QFileInfo::exists(marker)) {
        // The flag first: a crash in between still leaves one of the two.
        Settings::setValue(QStringLiteral("kCrashed"), true);
        if (!QFile::remove(marker))
            qDebug() << "cannot remove the crash marker" << marker;
    }
    platform::setCrashMarkerFile(marker);
}
