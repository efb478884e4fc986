#pragma once

#include <QString>
#include <QStringList>

// What the screensaver was asked to do, read from its command line. Kept free
// of windows so that it can be checked without a display.
class ScreenSaverCommandLine
{
public:
    enum Mode {
        NoMode = 0,
        ConfigurationMode = 1,
        FullScreenMode = 2,
        PreviewMode = 4,
    };

    // args include the program name. xscreensaverWindow is the window id that
    // XScreenSaver hands its hacks (XSCREENSAVER_WINDOW), 0 when unset.
    static ScreenSaverCommandLine parse(const QStringList &args, quintptr xscreensaverWindow = 0);

    // The usage text, one entry per debug line.
    static QStringList usageLines();

    int mode = NoMode;
    // Preview: the host window. Full screen: the window to draw into instead
    // of a screen of our own (XScreenSaver), 0 for a real full-screen window.
    quintptr parentWindow = 0;
    // The arguments asked for nothing we can do: print the usage and exit.
    bool showUsage = false;

    static constexpr int kUsageExitCode = -1;
};
