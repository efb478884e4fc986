#pragma once

#include <QString>

#include <optional>

// What a photo action reports: the playlist as channel, the uuid and the
// photo's path. Only JPEG files named "*.jpg" or "*.JPG" report anything.
struct PhotoClick
{
    QString channel;
    QString uuid;
    QString url;

    static std::optional<PhotoClick> from(const QString &path);
};
