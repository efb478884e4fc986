#pragma once

#include <QString>

// The 256x144 thumbnail of a playlist picture, made when it is missing:
// <Fotoria folder>/PlaylistCache/<playlist>/<uuid>-256x144.jpg. The picture
// is decoded at a reduced size (never whole), and the thumbnail is written
// through QSaveFile, so it is complete or absent. Returns the thumbnail path
// also when the picture cannot be read (nothing is written then), and an
// empty string for a path that names no playlist picture. Any thread.
QString makeThumbnail(const QString &picturePath);
