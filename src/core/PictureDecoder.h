#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class QIODevice;

// Loads picture files for display. Every function reads the header first and
// refuses pictures above kMaxPixels before any pixel is decoded. The scaled
// loads ask the decoder for a reduced size (a JPEG then skips the detail it
// would throw away), so a 24 MP photo never sits in memory at full size.
// EXIF orientation is applied; sizes are those of the picture as shown.
// On failure the image is null and *error (when given) says why.
class PictureDecoder
{
public:
    static constexpr qint64 kMaxPixels = 250000000;

    // The displayed size from the header only.
    static QSize pictureSize(const QString &path, QString *error = nullptr);

    // The whole picture at full size.
    static QImage load(const QString &path, QString *error = nullptr);

    // Scaled to `target` keeping the aspect ratio: Qt::KeepAspectRatioByExpanding
    // covers the target (one side may be larger), Qt::KeepAspectRatio fits in
    // it, Qt::IgnoreAspectRatio stretches. The result has exactly the size
    // QSize::scaled(target, mode) gives for the picture's size.
    static QImage loadScaled(
        const QString &path, const QSize &target, Qt::AspectRatioMode mode, QString *error = nullptr);

    enum class BitmapResult { Written, UnreadablePicture, WriteFailed };
    // loadScaled() written as a 24-bit BMP into `out` (a seekable device).
    // A JPEG reduced without turning is written row by row as it is
    // decoded, so the scaled picture is never held whole either. After a
    // failure `out` may hold a partial file.
    static BitmapResult writeScaledBitmap(const QString &path, const QSize &target, Qt::AspectRatioMode mode,
        QIODevice *out, QString *error = nullptr);

    // Covers `target` and cuts the centre to exactly that size; only the
    // centre part is decoded.
    static QImage loadCropped(const QString &path, const QSize &target, QString *error = nullptr);
};
