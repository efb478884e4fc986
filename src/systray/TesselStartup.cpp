#include "TesselStartup.h"

#include "CrashReporter.h"
#include "Logger.h"

#include <apps/desktopclient/WebProfile.h>
#include <core/Analytics.h>
#include <core/AppInfo.h>
#include <core/FileLocations.h>
#include <core/IniFileCheck.h>
#include <core/Settings.h>
#include <core/User.h>
#include <platform/FileCommit.h>
#include <platform/OsInfo.h>
#include <platform/PrivateFolder.h>

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

// Outside any namespace: the macro declares the resource initialiser.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace TesselStartup {

bool isDevelopmentMode()
{
    return AppInfo::isDevelopmentMode();
}

bool loadsPluginsFrom(const QString &folder)
{
    return isDevelopmentMode() && platform::isOwnFolder(folder, platform::OthersMay::Read);
}

void prepareProcess()
{
    CrashReporter::add();
    WebProfile::prepareApplication();
    // Icons then come at the screen's pixel ratio, not scaled up from 1x
    // (always so in Qt 6).
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#endif
    // Chromium refuses to start its sandbox for root; an ordinary user keeps it.
    if (platform::runsAsSuperuser())
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    FileLocations locations;
    locations.createDirectories();
}

void openLog()
{
    Logger::instance()->openLogFile();

    if (!isDevelopmentMode())
        qInstallMessageHandler(messageHandler);
}

void initializeQt()
{
    qDebug() << "Qt:" << qVersion();
    if (platform::runsAsSuperuser())
        qDebug() << "running as root: the web views run without the engine's sandbox";
    initResources();
    QCoreApplication::setOrganizationDomain(AppInfo::serviceDomain);
    QCoreApplication::setOrganizationName(AppInfo::organization);
    QCoreApplication::setApplicationName(AppInfo::applicationName());
    QCoreApplication::setApplicationVersion(AppInfo::version);
    const QString workingDir = QDir::currentPath();
    if (loadsPluginsFrom(workingDir))
        QCoreApplication::addLibraryPath(workingDir);
    qDebug() << "working dir:" << workingDir;
    qDebug() << "initializeQt(), end";
}

void initializeApp()
{
    qDebug() << "initializeApp(), start";
    Settings::initialize();
    User::instance()->load();
    CrashReporter::takeOverMarker();
    if (Settings::getBool(QStringLiteral("kCrashed"), false)) {
        Settings::setValue(QStringLiteral("kCrashed"), false);
        qDebug() << "the previous run ended in a crash";
        Analytics::crashed();
    }
}

void finishCleanly()
{
    Settings::setValue(QStringLiteral("kCrashed"), false);
    CrashReporter::remove();
}

bool handOverToRunningInstance()
{
    // Written whole: the running instance may poll while this is written.
    QSaveFile file(FileLocations().bringToFrontFile());
    QString error;
    if (!file.open(QIODevice::WriteOnly) || file.write("pull to front\n") < 0 || !platform::commitFile(file, &error)) {
        qDebug() << "cannot write" << file.fileName() << ":" << (error.isEmpty() ? file.errorString() : error);
        return false;
    }
    return true;
}

bool takeBringToFrontRequest()
{
    // A request is "pull to front\n"; a little room for other writers.
    constexpr qint64 kMaxRequestSize = 4096;
    static bool s_stuck = false;
    const QString path = FileLocations().bringToFrontFile();
    const QFileInfo info(path);
    if (s_stuck || (!info.exists() && !info.isSymLink()))
        return false;
    if (info.isFile() && !info.isSymLink() && info.size() <= kMaxRequestSize && QFile::remove(path))
        return true;
    // Left there, it would be seen again every second for ever.
    s_stuck = !IniFileCheck::setAside(path, "tessel", "is no request to show the window");
    return false;
}

} // namespace TesselStartup

bool isDevelopmentMode()
{
    return TesselStartup::isDevelopmentMode();
}

void initializeQt()
{
    TesselStartup::initializeQt();
}

void initializeApp()
{
    TesselStartup::initializeApp();
}
