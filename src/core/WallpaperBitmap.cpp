#include "WallpaperBitmap.h"

#include "PictureDecoder.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>
#include <QScreen>

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
    const QImage image = PictureDecoder::loadScaled(picture, screen, Qt::KeepAspectRatioByExpanding, error);
    if (image.isNull())
        return Result::UnreadablePicture;

    QSaveFile out(bitmap);
    if (!out.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(bitmap, out.errorString());
        return Result::WriteFailed;
    }
    QImageWriter writer(&out, "bmp");
    if (!writer.write(image) || !out.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(bitmap, writer.errorString());
        out.cancelWriting();
        return Result::WriteFailed;
    }
    return Result::Written;
}

} // namespace WallpaperBitmap
