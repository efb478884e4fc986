// Arbitrary bytes as the screensaver's arguments, one per line.
#include "FuzzSupport.h"

#include <ScreenSaverCommandLine.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    QStringList args { QStringLiteral("fotoria-screensaver") };
    const QList<QByteArray> lines = fuzz::bytes(data, size).split('\n');
    for (const QByteArray &line : lines)
        args << QString::fromLocal8Bit(line);
    for (quintptr window : { quintptr(0), quintptr(0x2a00007) }) {
        const ScreenSaverCommandLine line = ScreenSaverCommandLine::parse(args, window);
        FUZZ_CHECK(line.mode == ScreenSaverCommandLine::NoMode || line.mode == ScreenSaverCommandLine::ConfigurationMode
            || line.mode == ScreenSaverCommandLine::FullScreenMode || line.mode == ScreenSaverCommandLine::PreviewMode);
        // Whatever cannot be done ends with the usage, never as a process without a window.
        FUZZ_CHECK(line.showUsage == (line.mode == ScreenSaverCommandLine::NoMode));
        if (line.mode != ScreenSaverCommandLine::PreviewMode && line.mode != ScreenSaverCommandLine::FullScreenMode)
            FUZZ_CHECK(line.parentWindow == 0);
    }
    return 0;
}
