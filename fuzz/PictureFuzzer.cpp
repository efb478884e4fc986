// Arbitrary bytes as a playlist picture: the header check, every load of
// the picture decoder and libjpeg's reduced decoding with the row scaler.
#include "FuzzSupport.h"

#include <core/JpegReader.h>
#include <core/PictureDecoder.h>

#include <QBuffer>
#include <QImage>

namespace {

// Beyond these the decoders only spend time and memory on what a tiny
// file claims to be; the code paths are the same for smaller pictures.
constexpr qint64 kMaxLoadPixels = 4000000;
constexpr qint64 kMaxReducedPixels = 64000000;

void checkScaled(const QString &path, const QSize &shown, const QSize &target, Qt::AspectRatioMode mode)
{
    QString error;
    const QImage image = PictureDecoder::loadScaled(path, target, mode, &error);
    FUZZ_CHECK(image.isNull() != error.isEmpty());
    if (!image.isNull())
        FUZZ_CHECK(image.size() == shown.scaled(target, mode));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    // Named as playlist files are, so the reader guesses the format the same way.
    static const QString path = fuzz::scratch(QStringLiteral("picture")) + QStringLiteral("/picture.jpg");
    if (!fuzz::writeFile(path, fuzz::bytes(data, size)))
        return 0;

    QString error;
    const QSize shown = PictureDecoder::pictureSize(path, &error);
    if (!shown.isValid()) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    FUZZ_CHECK(qint64(shown.width()) * shown.height() <= PictureDecoder::kMaxPixels);
    const qint64 pixels = qint64(shown.width()) * shown.height();
    if (pixels <= kMaxReducedPixels) {
        const QImage reduced = JpegReader::readScaled(path, QSize(48, 27));
        if (!reduced.isNull())
            FUZZ_CHECK(reduced.width() >= 1 && reduced.height() >= 1);
    }
    if (pixels > kMaxLoadPixels)
        return 0;

    PictureDecoder::load(path);
    checkScaled(path, shown, QSize(64, 36), Qt::KeepAspectRatioByExpanding);
    checkScaled(path, shown, QSize(50, 50), Qt::KeepAspectRatio);
    checkScaled(path, shown, QSize(7, 300), Qt::IgnoreAspectRatio);

    const QSize cropTarget(33, 17);
    const QImage cropped = PictureDecoder::loadCropped(path, cropTarget);
    if (!cropped.isNull())
        FUZZ_CHECK(cropped.size() == cropTarget);

    // The bitmap must be one any reader takes, at the size promised.
    const QSize bmpTarget(40, 30);
    QBuffer bmp;
    bmp.open(QIODevice::ReadWrite);
    if (PictureDecoder::writeScaledBitmap(path, bmpTarget, Qt::KeepAspectRatio, &bmp)
        == PictureDecoder::BitmapResult::Written) {
        const QImage back = QImage::fromData(bmp.data(), "BMP");
        FUZZ_CHECK(back.size() == shown.scaled(bmpTarget, Qt::KeepAspectRatio));
    }
    return 0;
}
