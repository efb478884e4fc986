#pragma once

#include "WallpaperWorker.h"

#include <core/WallpaperBitmap.h>

#include <QString>

#include <functional>
#include <optional>

// The wallpaper bitmap of the picture expected next, made ahead while the
// worker has nothing else to do, so that "Next" and the timed change only
// install it. It is taken only by a change that asks for exactly what it was
// made from: another picture, a picture file changed since, another screen
// size, fill or calendar make the bitmap afresh. Not thread-safe: the
// manager's change lock guards it.
class PreparedWallpaper
{
public:
    // Writes the bitmap of `request` to `file`; sets *placed to where the
    // calendar went.
    using Render = std::function<WallpaperBitmap::Result(const WallpaperRequest &, const QString &file, int *placed)>;

    explicit PreparedWallpaper(const QString &file = defaultPath());

    // "FotoriaWallpaper.next.bmp" beside the wallpaper bitmap.
    static QString defaultPath();

    // Replaces what was prepared before; a picture that cannot be made
    // leaves nothing prepared (its change will say why).
    void make(const WallpaperRequest &request, const Render &render);

    // Moves the prepared bitmap over `bitmap` when it was made for
    // `request`, with *placed as when it was made.
    bool take(const WallpaperRequest &request, const QString &bitmap, int *placed);

private:
    struct Made
    {
        WallpaperRequest request;
        qint64 pictureSize = 0;
        qint64 pictureTime = 0;
        int placed = 0;
    };

    bool madeFor(const WallpaperRequest &request) const;

    const QString m_file;
    std::optional<Made> m_made;
};
