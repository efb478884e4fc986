#include "SettingsOptions.h"

#include <core/Settings.h>
#include <core/WallpaperOptions.h>

#include <QDebug>

namespace {

const QString kShowNewAssets = QStringLiteral("kShowNewAssets");
const QString kSendAnalytics = QStringLiteral("kSendAnalytics");
const QString kAutoUpdate = QStringLiteral("kAutoUpdate");
const QString kChangePicture = QStringLiteral("kChangePicture");
const QString kWallpaperOrder = QStringLiteral("kWallpaperOrder");
const QString kWallpaperFill = QStringLiteral("kWallpaperFill");
const QString kWallpaperPerMonitor = QStringLiteral("kWallpaperPerMonitor");
const QString kWallpaperLockScreen = QStringLiteral("kWallpaperLockScreen");

// Seconds per "Change Wallpaper every" entry, in the order of the list.
constexpr int kIntervals[] = { -1, 60, 300, 3600, 86400 };
constexpr int kIntervalCount = int(sizeof kIntervals / sizeof kIntervals[0]);

} // namespace

SettingsOptions::SettingsOptions(QObject *parent)
    : QObject(parent)
{
}

SettingsOptions::State SettingsOptions::load()
{
    State state;
    state.showNewAssets = Settings::getBool(kShowNewAssets, true);
    state.sendAnalytics = Settings::getBool(kSendAnalytics, true);
    state.autoUpdateIndex = qBound(0, Settings::getInt(kAutoUpdate, 1), 1);
    state.frequencyIndex = indexForInterval(Settings::getInt(kChangePicture, 86400));
    const WallpaperOptions wallpaper = WallpaperOptions::read();
    state.orderIndex = int(wallpaper.order);
    state.fillIndex = int(wallpaper.fill);
    state.perMonitor = wallpaper.perMonitor;
    state.lockScreen = wallpaper.lockScreen;
    return state;
}

int SettingsOptions::intervalForIndex(int index)
{
    if (index < 0 || index >= kIntervalCount)
        return -1;
    return kIntervals[index];
}

int SettingsOptions::indexForInterval(int seconds)
{
    for (int index = 1; index < kIntervalCount; ++index) {
        if (kIntervals[index] == seconds)
            return index;
    }
    return 0;
}

void SettingsOptions::setShowNewAssets(bool show)
{
    Settings::setValue(kShowNewAssets, show);
}

void SettingsOptions::setSendAnalytics(bool send)
{
    Settings::setValue(kSendAnalytics, send);
}

void SettingsOptions::setAutoUpdateIndex(int index)
{
    if (index < 0)
        return;
    Settings::setValue(kAutoUpdate, index);
}

void SettingsOptions::setFrequencyIndex(int index)
{
    const int seconds = intervalForIndex(index);
    Settings::setValue(kChangePicture, seconds);
    qDebug() << "wallpaper interval:" << seconds;
    emit changeIntervalChanged_Signal(seconds);
}

void SettingsOptions::setOrderIndex(int index)
{
    if (index >= 0)
        Settings::setValue(kWallpaperOrder, index);
}

void SettingsOptions::setFillIndex(int index)
{
    if (index < 0)
        return;
    Settings::setValue(kWallpaperFill, index);
    emit wallpaperLookChanged_Signal();
}

void SettingsOptions::setPerMonitor(bool perMonitor)
{
    Settings::setValue(kWallpaperPerMonitor, perMonitor);
    emit wallpaperLookChanged_Signal();
}

void SettingsOptions::setLockScreen(bool lockScreen)
{
    Settings::setValue(kWallpaperLockScreen, lockScreen);
    emit wallpaperLookChanged_Signal();
}
