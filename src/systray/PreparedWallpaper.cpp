#include "PreparedWallpaper.h"

#include <core/FileLocations.h>

#include <QFile>
#include <QFileInfo>

#include <utility>

PreparedWallpaper::PreparedWallpaper(const QString &file)
    : m_file(file)
{
}

QString PreparedWallpaper::defaultPath()
{
    QString path = WallpaperBitmap::defaultPath();
    return path.insert(path.lastIndexOf(QLatin1Char('.')), QStringLiteral(".next"));
}

void PreparedWallpaper::make(const WallpaperRequest &request, const Render &render)
{
    m_made.reset();
    Made made { request, QFileInfo(request.picture).size(), modifiedMs(request.picture), request.position };
    if (render(request, m_file, &made.placed) != WallpaperBitmap::Result::Written) {
        QFile::remove(m_file);
        return;
    }
    m_made = made;
}

bool PreparedWallpaper::madeFor(const WallpaperRequest &request) const
{
    const WallpaperRequest &made = m_made->request;
    // A picture replaced under the same name is another picture.
    return made.picture == request.picture && made.screen == request.screen && made.fill == request.fill
        && made.position == request.position && made.calendar == request.calendar
        && m_made->pictureSize == QFileInfo(request.picture).size()
        && m_made->pictureTime == modifiedMs(request.picture);
}

bool PreparedWallpaper::take(const WallpaperRequest &request, const QString &bitmap, int *placed)
{
    if (!m_made || !madeFor(request))
        return false;
    const Made made = *std::exchange(m_made, std::nullopt);
    if (!WallpaperBitmap::putInPlace(m_file, bitmap))
        return false;
    *placed = made.placed;
    return true;
}
