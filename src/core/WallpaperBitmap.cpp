#include "WallpaperBitmap.h"

#include "FileLocations.h"
#include "PictureDecoder.h"
#include "WallpaperFill.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace WallpaperBitmap {

QString defaultPath()
{
    // Not the shared temporary folder: another user's bitmap there, which
    // this user cannot replace, would hold the wallpaper for ever.
    const QString folder
        = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Fotoria");
    ensureFolder(folder);
    return folder + QStringLiteral("/FotoriaWallpaper.bmp");
}

QSize screenSize()
{
    // Desktops that take one picture for all monitors scale it themselves;
    // covering the largest one keeps it sharp everywhere.
    QSize largest;
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        const QList<QScreen *> screens = QGuiApplication::screens();
        for (const QScreen *screen : screens) {
            const QSize size = screen->availableGeometry().size() * screen->devicePixelRatio();
            if (qint64(size.width()) * size.height() > qint64(largest.width()) * largest.height())
                largest = size;
        }
    }
    return largest.isEmpty() ? QSize(1920, 1080) : largest;
}

namespace {

// Puts a complete new bitmap in place of the old one.
bool replace(QTemporaryFile &out, const QString &bitmap, QString *error)
{
    if (!out.flush()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(bitmap, out.errorString());
        return false;
    }
    out.close();
    if (!putInPlace(out.fileName(), bitmap, error))
        return false;
    out.setAutoRemove(false);
    return true;
}

} // namespace

Result write(const QString &picture, const QSize &screen, const QString &bitmap, QString *error,
    WallpaperOptions::Fill fill)
{
    if (fill == WallpaperOptions::Fill::FitBlurred
        && WallpaperFill::showsWhole(PictureDecoder::pictureSize(picture), screen))
        return write(picture, screen, bitmap, error, nullptr, fill);
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
    return replace(out, bitmap, error) ? Result::Written : Result::WriteFailed;
}

Result write(const QString &picture, const QSize &screen, const QString &bitmap, QString *error,
    const std::function<void(QImage *)> &decorate, WallpaperOptions::Fill fill)
{
    QImage image = fill == WallpaperOptions::Fill::Crop
        ? PictureDecoder::loadScaled(picture, screen, Qt::KeepAspectRatioByExpanding, error)
        : WallpaperFill::render(picture, screen, fill, error);
    if (image.isNull())
        return Result::UnreadablePicture;
    if (decorate)
        decorate(&image);
    return writeImage(image, bitmap, error) ? Result::Written : Result::WriteFailed;
}

bool putInPlace(const QString &file, const QString &bitmap, QString *error)
{
    QFile moved(file);
    if ((QFile::exists(bitmap) && !QFile::remove(bitmap)) || !moved.rename(bitmap)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(bitmap, moved.errorString());
        return false;
    }
    return true;
}

bool writeImage(const QImage &image, const QString &bitmap, QString *error)
{
    QTemporaryFile out(bitmap + QStringLiteral(".XXXXXX"));
    QImageWriter writer(&out, "bmp");
    if (!out.open() || !writer.write(image)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2")
                         .arg(bitmap, out.isOpen() ? writer.errorString() : out.errorString());
        return false;
    }
    return replace(out, bitmap, error);
}

} // namespace WallpaperBitmap
