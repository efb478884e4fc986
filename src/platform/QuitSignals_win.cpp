#include "QuitSignals.h"

#include <QCoreApplication>

#include <windows.h>

namespace platform {

namespace {
QCoreApplication *g_app = nullptr;

BOOL WINAPI onConsoleEvent(DWORD)
{
    if (g_app)
        QMetaObject::invokeMethod(g_app, "quit", Qt::QueuedConnection);
    return TRUE;
}
} // namespace

void quitOnTerminationSignals(QCoreApplication *app)
{
    g_app = app;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

} // namespace platform
