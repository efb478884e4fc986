#pragma once

#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace platform {

// The system's own settings pages that the settings dialog hands over to.
enum class ControlPanel {
    DesktopBackground,
    ScreenSaver,
};

// One way to open a panel: a program (found on the PATH) and its arguments.
struct ControlPanelCommand
{
    QString program;
    QStringList arguments;

    bool operator==(const ControlPanelCommand &other) const
    {
        return program == other.program && arguments == other.arguments;
    }
};

// The commands that open the panel on this system, best first; empty when
// the running desktop has no known settings page for it.
QList<ControlPanelCommand> controlPanelCommands(ControlPanel panel, const QProcessEnvironment &env);

// Starts the first command whose program is installed, detached and without
// a shell. The programs are looked up on env's PATH. On failure returns false
// with a message for the user that names what was looked for. *started
// receives the command with the program's full path.
bool openControlPanel(ControlPanel panel, const QProcessEnvironment &env, QString *error,
    ControlPanelCommand *started = nullptr);

// The same, for the environment of this process.
bool openControlPanel(ControlPanel panel, QString *error);

} // namespace platform
