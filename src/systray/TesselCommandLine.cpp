#include "TesselCommandLine.h"

#include "LocalServer.h"

#include <core/AppInfo.h>

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>

namespace TesselCommandLine {

bool answered(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "-v")) {
            // The Qt it runs on: a Qt 5 and a Qt 6 build of one version exist.
            std::printf("tessel %s (Qt %s)\n", AppInfo::version.toUtf8().constData(), qVersion());
            return true;
        }
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::printf("Usage: tessel [--version | --help | --next | --previous | --pause | --resume | --favorite]\n"
                        "Fotoria's tray client: the gallery, your playlists and the wallpaper rotation.\n"
                        "A second start shows the window of the one already running.\n"
                        "These tell the running tessel what to do, and start none:\n"
                        "  --next       the next wallpaper (forward through the history, then a new one)\n"
                        "  --previous   the wallpaper before\n"
                        "  --pause      no more timed changes, also after a restart\n"
                        "  --resume     timed changes again\n"
                        "  --favorite   copy the current wallpaper's picture into \"Favorites\"\n");
            return true;
        }
    }
    return false;
}

int sendCommands(int argc, char **argv)
{
    QStringList commands;
    for (int i = 1; i < argc; ++i) {
        for (const char *command : { "next", "previous", "pause", "resume", "favorite" }) {
            if (argv[i][0] == '-' && argv[i][1] == '-' && !std::strcmp(argv[i] + 2, command))
                commands << QString::fromLatin1(command);
        }
    }
    if (commands.isEmpty())
        return -1;
    // The socket needs an application object, but no display.
    QCoreApplication app(argc, argv);
    const QString name = LocalServer::defaultName();
    for (const QString &command : std::as_const(commands)) {
        if (name.isEmpty() || !LocalServer::send(name, "CMD:" + command.toUtf8())) {
            std::fprintf(stderr, "tessel is not running: start it first, then --%s reaches it.\n",
                command.toUtf8().constData());
            return 1;
        }
    }
    return 0;
}

} // namespace TesselCommandLine
