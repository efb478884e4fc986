#include "WallpaperFill.h"

#include "PictureDecoder.h"

#include <QPainter>

#include <vector>

namespace {

// The background is made at an eighth of the screen's size: blurred, the
// detail lost there does not show, and the blur costs next to nothing.
constexpr int kReduction = 8;
constexpr qreal kDarkening = 0.55;

// One pass of a box blur along rows (or columns), edges repeated.
void boxPass(QImage *image, int radius, bool vertical)
{
    const int length = vertical ? image->height() : image->width();
    const int lines = vertical ? image->width() : image->height();
    const int step = vertical ? int(image->bytesPerLine() / 4) : 1;
    std::vector<QRgb> copy(static_cast<size_t>(length));
    const int window = 2 * radius + 1;
    for (int line = 0; line < lines; ++line) {
        QRgb *p = vertical ? reinterpret_cast<QRgb *>(image->bits()) + line
                           : reinterpret_cast<QRgb *>(image->scanLine(line));
        for (int i = 0; i < length; ++i)
            copy[size_t(i)] = p[i * step];
        const auto at = [&](int i) { return copy[size_t(qBound(0, i, length - 1))]; };
        int r = 0, g = 0, b = 0;
        for (int i = -radius; i <= radius; ++i) {
            r += qRed(at(i));
            g += qGreen(at(i));
            b += qBlue(at(i));
        }
        for (int i = 0; i < length; ++i) {
            p[i * step] = qRgb(r / window, g / window, b / window);
            const QRgb in = at(i + radius + 1);
            const QRgb out = at(i - radius);
            r += qRed(in) - qRed(out);
            g += qGreen(in) - qGreen(out);
            b += qBlue(in) - qBlue(out);
        }
    }
}

// The photo covering `size`, blurred and darkened.
QImage background(const QImage &photo, const QSize &size)
{
    const QSize small = (size / kReduction).expandedTo(QSize(1, 1));
    QImage low = photo.scaled(small, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    low = low.copy((low.width() - small.width()) / 2, (low.height() - small.height()) / 2, small.width(),
                 small.height())
              .convertToFormat(QImage::Format_RGB32);
    // Three box passes each way come close to a Gaussian blur.
    const int radius = qMax(1, qMax(small.width(), small.height()) / 60);
    for (int i = 0; i < 3; ++i) {
        boxPass(&low, radius, false);
        boxPass(&low, radius, true);
    }
    {
        QPainter painter(&low);
        painter.setOpacity(kDarkening);
        painter.fillRect(low.rect(), Qt::black);
    }
    return low.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

namespace WallpaperFill {

bool showsWhole(const QSize &picture, const QSize &screen)
{
    if (picture.isEmpty() || screen.isEmpty())
        return false;
    // picture ratio / screen ratio, as a fraction of integers: no rounding.
    const qint64 a = qint64(picture.width()) * screen.height();
    const qint64 b = qint64(screen.width()) * picture.height();
    return qMax(a, b) * 5 > qMin(a, b) * 6;
}

QImage render(const QString &picture, const QSize &size, WallpaperOptions::Fill fill, QString *error)
{
    if (size.isEmpty()) {
        if (error)
            *error = QStringLiteral("no size to fill for %1").arg(picture);
        return QImage();
    }
    const bool whole
        = fill == WallpaperOptions::Fill::FitBlurred && showsWhole(PictureDecoder::pictureSize(picture), size);
    // Decoded once, at the size it is shown at.
    QImage photo = PictureDecoder::loadScaled(
        picture, size, whole ? Qt::KeepAspectRatio : Qt::KeepAspectRatioByExpanding, error);
    if (photo.isNull())
        return QImage();
    photo = photo.convertToFormat(QImage::Format_RGB32);
    if (!whole)
        return photo.copy((photo.width() - size.width()) / 2, (photo.height() - size.height()) / 2, size.width(),
            size.height());
    QImage canvas = background(photo, size);
    QPainter(&canvas).drawImage((size.width() - photo.width()) / 2, (size.height() - photo.height()) / 2, photo);
    return canvas;
}

} // namespace WallpaperFill
