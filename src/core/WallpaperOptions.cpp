#include "WallpaperOptions.h"

#include "AppInfo.h"
#include "IniFileCheck.h"
#include "Settings.h"

#include <QDebug>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace {

template<typename Enum>
Enum inRange(int value, Enum last)
{
    return value >= 0 && value <= int(last) ? Enum(value) : Enum(0);
}

template<typename Enum>
Enum choice(const char *key, Enum last)
{
    return inRange(Settings::getInt(QString::fromLatin1(key), 0), last);
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

WallpaperOptions::Order WallpaperOptions::trayClientOrder()
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/')
        + AppInfo::organization + QLatin1Char('/') + AppInfo::applicationName() + QStringLiteral(".conf");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Order::Random;
    // The other program's file: looked at, never set aside from here.
    if (file.size() > (1 << 20) || !IniFileCheck::holdsOnlyTextValues(file.readAll())) {
        qWarning().noquote() << "WallpaperOptions: not reading the order from" << path;
        return Order::Random;
    }
    return inRange(QSettings(path, QSettings::IniFormat).value(QStringLiteral("kWallpaperOrder"), 0).toInt(),
        Order::NewestFirst);
}
