#pragma once

#include "WallpaperOptions.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

// Turns a picture into the wallpaper bitmap: decoded at a reduced size,
// scaled to cover `screen` (one side may be larger) and written as a BMP.
// The old bitmap is only replaced by a complete new one: a broken picture
// or a failed write leaves it as it was.
namespace WallpaperBitmap {

// "FotoriaWallpaper.bmp" in the user's cache folder ("~/.cache/Fotoria").
QString defaultPath();

// The size the wallpaper has to cover: the available area (without panels)
// of the largest screen, in device pixels; 1920x1080 without a screen.
QSize screenSize();

enum class Result { Written, UnreadablePicture, WriteFailed };

// With Fill::FitBlurred, a picture shaped unlike the screen is made by
// WallpaperFill (exactly the screen's size, held in memory).
Result write(const QString &picture, const QSize &screen, const QString &bitmap, QString *error,
    WallpaperOptions::Fill fill = WallpaperOptions::Fill::Crop);

// As write(), with `decorate` drawing onto the scaled picture before it is
// written (the whole scaled picture is then held in memory).
Result write(const QString &picture, const QSize &screen, const QString &bitmap, QString *error,
    const std::function<void(QImage *)> &decorate, WallpaperOptions::Fill fill = WallpaperOptions::Fill::Crop);

// Writes an image already made as the bitmap, replacing the old one whole.
bool writeImage(const QImage &image, const QString &bitmap, QString *error);

// Moves a complete bitmap written elsewhere in place of the old one.
bool putInPlace(const QString &file, const QString &bitmap, QString *error = nullptr);

} // namespace WallpaperBitmap
