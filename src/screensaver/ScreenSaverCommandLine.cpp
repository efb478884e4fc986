#include "ScreenSaverCommandLine.h"

#include <platform/ScreenSaverHost.h>

#include <cctype>

namespace {

// C atoi rules: optional blanks and sign, then leading digits; 0 if none.
quintptr atoiHandle(const QString &text)
{
    const QByteArray bytes = text.toLatin1();
    const char *p = bytes.constData();
    while (*p && std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    qint64 value = 0;
    while (*p >= '0' && *p <= '9' && value < (qint64(1) << 40)) {
        value = value * 10 + (*p - '0');
        ++p;
    }
    // A negative handle names no window.
    return negative ? 0 : static_cast<quintptr>(value);
}

bool isXScreenSaverRoot(const QString &arg)
{
    return arg == QLatin1String("--root") || arg == QLatin1String("-root");
}

bool isXScreenSaverWindowId(const QString &arg)
{
    return arg == QLatin1String("--window-id") || arg == QLatin1String("-window-id");
}

} // namespace

ScreenSaverCommandLine ScreenSaverCommandLine::parse(const QStringList &args, quintptr xscreensaverWindow)
{
    ScreenSaverCommandLine result;
    const int count = args.size();

    // XScreenSaver starts a hack with --root (the window to draw into is in
    // XSCREENSAVER_WINDOW) and its preview with --window-id ID.
    for (int i = 1; i < count; ++i) {
        if (isXScreenSaverWindowId(args.at(i)) && i + 1 < count) {
            result.mode = PreviewMode;
            result.parentWindow = platform::parseNativeWindowId(args.at(i + 1));
            return result;
        }
        if (isXScreenSaverRoot(args.at(i))) {
            result.mode = FullScreenMode;
            result.parentWindow = xscreensaverWindow;
            return result;
        }
    }

    if (count == 2) {
        const QString &first = args.at(1);
        if (first.contains(QLatin1String("/s")))
            result.mode = FullScreenMode;
        else if (first.contains(QLatin1String("/c")))
            result.mode = ConfigurationMode;
    } else if (count == 3) {
        if (args.at(1).contains(QLatin1String("/p"))) {
            result.mode = PreviewMode;
            result.parentWindow = atoiHandle(args.at(2));
        }
    }

    // Nothing we can do (including a switch that matches no mode, which would
    // otherwise leave a process without a window running for ever).
    result.showUsage = result.mode == NoMode;
    return result;
}

QStringList ScreenSaverCommandLine::usageLines()
{
    return {
        QStringLiteral("ERROR! No parameters were passed to this screensaver. Program will exit!"),
        QStringLiteral("Usage:"),
        QStringLiteral(" *Display configuration dialog"),
        QStringLiteral("\t Fotoria.scr /c"),
        QStringLiteral(" *Display screensaver"),
        QStringLiteral("\t Fotoria.scr /s"),
        QStringLiteral(" *Display screensaver in preview window"),
        QStringLiteral("\t Fotoria.scr /p <hwnd>"),
        QStringLiteral(" *This situation (immediate exit)"),
        QStringLiteral("\t Fotoria.scr"),
        QStringLiteral("\t Fotoria.scr <any other case>"),
    };
}
