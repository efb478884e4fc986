#pragma once

// The wallpaper options of the settings store, shared by the tray client
// (rotation, bitmap, desktop) and the screensaver (order). Every option is
// read at the moment it is used, so a change applies from the next picture.
//
//   kWallpaperOrder       0 random (default), 1 shuffle without repeats,
//                         2 by name, 3 newest first
//   kWallpaperFill        0 crop to fill (default), 1 fit over a blurred copy
//   kWallpaperPerMonitor  bool, default false: a photo of its own per monitor
//   kWallpaperLockScreen  bool, default false: the lock screen follows
struct WallpaperOptions
{
    enum class Order { Random = 0, Shuffle = 1, ByName = 2, NewestFirst = 3 };
    enum class Fill { Crop = 0, FitBlurred = 1 };

    Order order = Order::Random;
    Fill fill = Fill::Crop;
    bool perMonitor = false;
    bool lockScreen = false;

    // Values out of range (a hand-edited store) read as the default.
    static WallpaperOptions read();
    // The order from the tray client's settings file, for the screensaver,
    // whose own store does not hold it. Random when there is none.
    static Order trayClientOrder();
};
