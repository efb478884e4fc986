#include "Logger.h"
#include "TesselStartup.h"

#include <platform/QuitSignals.h>

#include <QApplication>

int main(int argc, char *argv[])
{
    TesselStartup::prepareProcess();
    TesselStartup::initializeQt();
    TesselStartup::initializeApp();

    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    platform::quitOnTerminationSignals(&app);
    Logger::instance()->startFlushTimer();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, &TesselStartup::finishCleanly);

    const int status = app.exec();
    // Whatever is still buffered belongs in the log of this run.
    Logger::instance()->closeLogFile();
    return status;
}
