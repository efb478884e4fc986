#include "WallpaperBitmap.h"

#include "PictureDecoder.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryFile>

namespace WallpaperBitmap {

QString defaultPath()
{
    return QDir::tempPath() + QStringLiteral("/FotoriaWallpaper.bmp");
}

QSize screenSize()
{
    const QScreen *screen = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
        ? QGuiApplication::primaryScreen()
        : nullptr;
    if (!screen || screen->availableGeometry().isEmpty())
        return QSize(1920, 1080);
    return screen->availableGeometry().size() * screen->devicePixelRatio();
}

Result write(const QString &picture, const QSize &screen, const QString &bitmap, QString *error)
{
    // Written beside the old bitmap first, which is only replaced once the
    // new one is complete. Not synced to disk: the bitmap is a temporary
    // file made again at every change, and the desktop gets its own copy.
    QTemporaryFile out(bitmap + QStringLiteral(".XXXXXX"));
    if (!out.open()) {
        // Still tell a broken picture apart from a folder we cannot write.
        if (PictureDecoder::pictureSize(picture, error).isEmpty())
            return Result::UnreadablePicture;
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(bitmap, out.errorString());
        return Result::WriteFailed;
    }
    const auto result
        = PictureDecoder::writeScaledBitmap(picture, screen, Qt::KeepAspectRatioByExpanding, &out, error);
    if (result != PictureDecoder::BitmapResult::Written) {
        return result == PictureDecoder::BitmapResult::UnreadablePicture ? Result::UnreadablePicture
                                                                         : Result::WriteFailed;
    }
    if (!out.flush() || (QFile::exists(bitmap) && !QFile::remove(bitmap)) || !out.rename(bitmap)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(bitmap, out.errorString());
        return Result::WriteFailed;
    }
    out.setAutoRemove(false);
    return Result::Written;
}

} // namespace WallpaperBitmap
