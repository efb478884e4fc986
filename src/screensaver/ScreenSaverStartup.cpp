#include "ScreenSaverStartup.h"

#include "SSApplication.h"
#include "ScreenSaver.h"
#include "ScreenSaverCommandLine.h"

#include <core/AppInfo.h>
#include <core/FileLocations.h>
#include <core/Settings.h>
#include <platform/QuitSignals.h>
#include <platform/ScreenSaverHost.h>

#include <QCoreApplication>
#include <QDebug>

namespace ScreenSaverStartup {

void setQTSettings()
{
    QCoreApplication::setOrganizationDomain(AppInfo::serviceDomain);
    QCoreApplication::setOrganizationName(QStringLiteral("Fotoria"));
    QCoreApplication::setApplicationName(QStringLiteral("Fotoria Screensaver").remove(QLatin1Char(' ')));
}

void initializeSettings()
{
    // Only the store may open the file: it looks at it before the reader.
    Settings::initialize();
    qDebug().noquote() << QStringLiteral("Using registry key: ") + Settings::fileName();
}

void createFolders()
{
    const FileLocations locations;
    ensureFolder(FileLocations::baseFolder());
    ensureFolder(FileLocations::photosFolder());
    ensureFolder(FileLocations::playlistFolder());
}

void printUsage()
{
    const QStringList lines = ScreenSaverCommandLine::usageLines();
    for (const QString &line : lines)
        qDebug().noquote() << line;
}

int run(int argc, char *argv[])
{
    setQTSettings();
    initializeSettings();
    createFolders();

    // A command line that can only give the usage text needs no display: say
    // so even on a console. Toolkit options ("-display :1") are removed by
    // the application object, so such command lines wait for it.
    QStringList rawArguments;
    bool toolkitOptions = false;
    for (int i = 0; i < argc; ++i) {
        rawArguments << QString::fromLocal8Bit(argv[i]);
        toolkitOptions = toolkitOptions || (i > 0 && argv[i][0] == '-');
    }
    if (!toolkitOptions
        && ScreenSaverCommandLine::parse(rawArguments, platform::xscreensaverWindow()).showUsage) {
        printUsage();
        return ScreenSaverCommandLine::kUsageExitCode;
    }

    platform::avoidOpenGlIntegration();
    SSApplication application(argc, argv);
    platform::quitOnTerminationSignals(&application);

    // Declared after the application, so it is destroyed (and its queue's
    // thread joined) before the application object goes.
    ScreenSaver screenSaver(&application);

    const ScreenSaverCommandLine commandLine
        = ScreenSaverCommandLine::parse(QCoreApplication::arguments(), platform::xscreensaverWindow());
    if (commandLine.showUsage) {
        printUsage();
        return ScreenSaverCommandLine::kUsageExitCode;
    }
    screenSaver.setMode(commandLine.mode);
    screenSaver.setParentWindow(commandLine.parentWindow);
    if (!screenSaver.start())
        return 1;
    return application.exec();
}

} // namespace ScreenSaverStartup
