#include "TesselCommandLine.h"

#include <core/AppInfo.h>

#include <cstdio>
#include <cstring>

namespace TesselCommandLine {

bool answered(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "-v")) {
            std::printf("tessel %s\n", AppInfo::version.toUtf8().constData());
            return true;
        }
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::printf("Usage: tessel [--version | --help]\n"
                        "Fotoria's tray client: the gallery, your playlists and the wallpaper rotation.\n"
                        "A second start shows the window of the one already running.\n");
            return true;
        }
    }
    return false;
}

} // namespace TesselCommandLine
