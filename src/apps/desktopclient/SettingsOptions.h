#pragma once

#include <QObject>
#include <QString>

// The options the settings dialog shows, read from and written straight to
// the settings store: every change is stored the moment it is made.
class SettingsOptions : public QObject
{
    Q_OBJECT

public:
    // What the form shows when it opens.
    struct State
    {
        bool showNewAssets = true;
        bool sendAnalytics = true;
        int autoUpdateIndex = 1;
        int frequencyIndex = 4;
        // The wallpaper group, in the order of its lists.
        int orderIndex = 0;
        int fillIndex = 0;
        bool perMonitor = false;
        bool lockScreen = false;
    };

    explicit SettingsOptions(QObject *parent = nullptr);

    static State load();

    // The wallpaper interval in seconds of a "Change Wallpaper every" entry;
    // -1 ("Never", or an unknown entry) means no rotation.
    static int intervalForIndex(int index);
    // The entry that shows a stored interval; one not offered shows "Never".
    static int indexForInterval(int seconds);

public slots:
    void setShowNewAssets(bool show);
    void setSendAnalytics(bool send);
    // -1 (no entry selected) is ignored.
    void setAutoUpdateIndex(int index);
    // Stores the interval and announces it, so the rotation restarts.
    void setFrequencyIndex(int index);
    // The wallpaper's look: stored, then announced so the current
    // wallpaper can be made again with it. The order applies from the
    // next picture and is not announced.
    void setOrderIndex(int index);
    void setFillIndex(int index);
    void setPerMonitor(bool perMonitor);
    void setLockScreen(bool lockScreen);

signals:
    // The wallpaper interval changed; 0 or less stops the rotation.
    void changeIntervalChanged_Signal(int seconds);
    void wallpaperLookChanged_Signal();
};
