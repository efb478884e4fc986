#include "ControlPanels.h"

#include "DesktopWallpaper.h"

#include <QDebug>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace platform {

namespace {

ControlPanelCommand command(const char *program, QStringList arguments = {})
{
    return { QString::fromLatin1(program), arguments };
}

QList<ControlPanelCommand> backgroundCommands(DesktopKind kind)
{
    switch (kind) {
    case DesktopKind::Gnome:
        return { command("gnome-control-center", { QStringLiteral("background") }) };
    case DesktopKind::Cinnamon:
        return { command("cinnamon-settings", { QStringLiteral("backgrounds") }) };
    case DesktopKind::Mate:
        return { command("mate-appearance-properties", { QStringLiteral("--show-page=background") }) };
    case DesktopKind::Xfce:
        return { command("xfdesktop-settings") };
    case DesktopKind::Kde:
        // Plasma keeps the wallpaper in the desktop's own configuration, not
        // in a settings module; System Settings is the nearest page.
        // Plasma 5 installs it under both names.
        return { command("systemsettings"), command("systemsettings5") };
    case DesktopKind::Lxqt:
        return { command("pcmanfm-qt", { QStringLiteral("--desktop-pref") }) };
    case DesktopKind::Lxde:
        return { command("pcmanfm", { QStringLiteral("--desktop-pref") }) };
    case DesktopKind::Sway:
    case DesktopKind::RootWindow:
    case DesktopKind::UnknownWayland:
        break;
    }
    return {};
}

QString panelName(ControlPanel panel)
{
    return panel == ControlPanel::ScreenSaver ? QStringLiteral("screensaver settings")
                                              : QStringLiteral("desktop background settings");
}

QStringList searchPath(const QProcessEnvironment &env)
{
    return env.value(QStringLiteral("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

} // namespace

QList<ControlPanelCommand> controlPanelCommands(ControlPanel panel, const QProcessEnvironment &env)
{
    if (panel == ControlPanel::ScreenSaver) {
        // XScreenSaver 6 renamed its settings program; 5 still ships the old one.
        return { command("xscreensaver-settings"), command("xscreensaver-demo") };
    }
    return backgroundCommands(detectDesktop(env));
}

bool openControlPanel(
    ControlPanel panel, const QProcessEnvironment &env, QString *error, ControlPanelCommand *started)
{
    const QList<ControlPanelCommand> commands = controlPanelCommands(panel, env);
    if (commands.isEmpty()) {
        *error = QStringLiteral("Fotoria knows no %1 for this desktop (%2). Known are those of GNOME, "
                                "Cinnamon, MATE, Xfce, KDE Plasma, LXQt and LXDE.")
                     .arg(panelName(panel), desktopKindName(detectDesktop(env)));
        qDebug().noquote() << "control panel:" << *error;
        return false;
    }

    // Without a PATH of its own the environment falls back to ours.
    const QStringList path = searchPath(env);
    QStringList lookedFor;
    for (const ControlPanelCommand &candidate : commands) {
        lookedFor << candidate.program;
        const QString found = QStandardPaths::findExecutable(candidate.program, path);
        if (found.isEmpty())
            continue;
        QProcess process;
        process.setProgram(found);
        process.setArguments(candidate.arguments);
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QDir::homePath());
        if (!process.startDetached()) {
            *error = QStringLiteral("Could not start %1 to open the %2: %3")
                         .arg(found, panelName(panel), process.errorString());
            qDebug().noquote() << "control panel:" << *error;
            return false;
        }
        qDebug().noquote() << "control panel: started"
                           << (QStringList(found) + candidate.arguments).join(QLatin1Char(' '));
        if (started)
            *started = { found, candidate.arguments };
        return true;
    }

    *error = QStringLiteral("Cannot open the %1: %2 is not installed (looked for it on the PATH).")
                 .arg(panelName(panel), lookedFor.join(QStringLiteral(" or ")));
    qDebug().noquote() << "control panel:" << *error;
    return false;
}

bool openControlPanel(ControlPanel panel, QString *error)
{
    return openControlPanel(panel, QProcessEnvironment::systemEnvironment(), error);
}

} // namespace platform
