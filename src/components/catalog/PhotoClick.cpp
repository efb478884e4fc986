#include "PhotoClick.h"

#include <core/PhotoPaths.h>

#include <QFileInfo>

std::optional<PhotoClick> PhotoClick::from(const QString &path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    if (suffix != QLatin1String("jpg") && suffix != QLatin1String("JPG"))
        return std::nullopt;
    const PhotoPaths paths(path);
    return PhotoClick { paths.playlist(), info.fileName().chopped(4), path };
}
