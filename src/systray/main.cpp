#include "CrashTestHook.h"
#include "DCApplication.h"
#include "Logger.h"
#include "TesselCommandLine.h"
#include "TesselStartup.h"

#include <QDebug>
#include <platform/QuitSignals.h>

int main(int argc, char *argv[])
{
    if (TesselCommandLine::answered(argc, argv))
        return 0;
    const int sent = TesselCommandLine::sendCommands(argc, argv);
    if (sent >= 0)
        return sent;
    CrashTestHook::prepare();
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
    // Start-up on disk at once: a crash report holds it even before the
    // first timed flush.
    Logger::instance()->update();
    platform::quitOnTerminationSignals(&app);
    Logger::instance()->startFlushTimer();
    app.initialize();
    CrashTestHook::crashSoon();

    const int status = app.exec();
    // Whatever is still buffered belongs in the log of this run.
    Logger::instance()->closeLogFile();
    return status;
}
