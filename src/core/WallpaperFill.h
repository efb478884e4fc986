#pragma once

#include "WallpaperOptions.h"

#include <QImage>
#include <QSize>
#include <QString>

// A picture made into the wallpaper of one screen, exactly that screen's
// size. Crop covers the screen and cuts the centre. FitBlurred does the same
// for a photo shaped about like the screen, but shows a photo of another
// shape (a portrait one on a landscape screen) whole, centred over a
// blurred, darkened copy of itself that fills the screen. Works on any
// thread.
namespace WallpaperFill {

// Whether FitBlurred shows `picture` whole over the blur on `screen`: their
// shapes differ by more than a fifth, that is the larger of the two aspect
// ratios (width / height) is more than 1.2 times the smaller.
bool showsWhole(const QSize &picture, const QSize &screen);

// Null when the picture cannot be read; *error (when given) says why.
QImage render(const QString &picture, const QSize &size, WallpaperOptions::Fill fill, QString *error = nullptr);

} // namespace WallpaperFill
