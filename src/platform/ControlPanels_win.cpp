#include "ControlPanels.h"

#include <QDebug>
#include <QProcess>

namespace platform {

QList<ControlPanelCommand> controlPanelCommands(ControlPanel panel, const QProcessEnvironment &)
{
    if (panel == ControlPanel::ScreenSaver)
        return { { QStringLiteral("control.exe"), { QStringLiteral("desk.cpl,screensaver,@screensaver") } } };
    return { { QStringLiteral("control.exe"),
        { QStringLiteral("/name"), QStringLiteral("Microsoft.Personalization"), QStringLiteral("/page"),
            QStringLiteral("pageWallpaper") } } };
}

bool openControlPanel(
    ControlPanel panel, const QProcessEnvironment &env, QString *error, ControlPanelCommand *started)
{
    const ControlPanelCommand command = controlPanelCommands(panel, env).constFirst();
    if (!QProcess::startDetached(command.program, command.arguments)) {
        *error = QStringLiteral("Could not start %1 to open the control panel.").arg(command.program);
        qDebug().noquote() << "control panel:" << *error;
        return false;
    }
    if (started)
        *started = command;
    return true;
}

bool openControlPanel(ControlPanel panel, QString *error)
{
    return openControlPanel(panel, QProcessEnvironment::systemEnvironment(), error);
}

} // namespace platform
