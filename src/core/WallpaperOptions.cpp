#include "WallpaperOptions.h"

#include "Settings.h"

namespace {

template<typename Enum>
Enum choice(const char *key, Enum last)
{
    const int value = Settings::getInt(QString::fromLatin1(key), 0);
    return value >= 0 && value <= int(last) ? Enum(value) : Enum(0);
}

} // namespace

WallpaperOptions WallpaperOptions::read()
{
    WallpaperOptions options;
    options.order = choice("kWallpaperOrder", Order::NewestFirst);
    options.fill = choice("kWallpaperFill", Fill::FitBlurred);
    options.perMonitor = Settings::getBool(QStringLiteral("kWallpaperPerMonitor"), false);
    options.lockScreen = Settings::getBool(QStringLiteral("kWallpaperLockScreen"), false);
    return options;
}
