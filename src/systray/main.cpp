#include "DCApplication.h"
#include "Logger.h"
#include "TesselStartup.h"

#include <QDebug>
#include <platform/QuitSignals.h>

int main(int argc, char *argv[])
{
    TesselStartup::prepareProcess();

    DCApplication app(argc, argv);
    if (!app.isFirstInstance()) {
        qDebug() << "found another version of me";
        TesselStartup::handOverToRunningInstance();
        return 0;
    }
    TesselStartup::openLog();
    TesselStartup::initializeQt();
    TesselStartup::initializeApp();
    platform::quitOnTerminationSignals(&app);
    Logger::instance()->startFlushTimer();
    app.initialize();

    const int status = app.exec();
    // Whatever is still buffered belongs in the log of this run.
    Logger::instance()->closeLogFile();
    return status;
}
