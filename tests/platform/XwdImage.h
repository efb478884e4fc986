#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Reads the window dump that `xwd` writes (true-colour ZPixmap dumps only,
// which is what a 24-bit server gives) into an RGB32 picture.
QImage readXwd(const QByteArray &data, QString *error);
