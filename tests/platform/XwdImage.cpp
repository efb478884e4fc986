#include "XwdImage.h"

#include <QtEndian>

namespace {

// The header is a run of 32-bit big-endian numbers, in this order.
enum Field {
    HeaderSize,
    FileVersion,
    PixmapFormat,
    PixmapDepth,
    PixmapWidth,
    PixmapHeight,
    XOffset,
    ByteOrder,
    BitmapUnit,
    BitmapBitOrder,
    BitmapPad,
    BitsPerPixel,
    BytesPerLine,
    VisualClass,
    RedMask,
    GreenMask,
    BlueMask,
    BitsPerRgb,
    ColormapEntries,
    ColorCount,
    FieldCount = 25,
};

const int kZPixmap = 2;
const int kColorEntrySize = 12;

int shiftOf(quint32 mask)
{
    int shift = 0;
    while (mask && !(mask & 1u)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

int channel(quint32 pixel, quint32 mask)
{
    if (!mask)
        return 0;
    const quint32 value = (pixel & mask) >> shiftOf(mask);
    const quint32 max = mask >> shiftOf(mask);
    return int(value * 255 / max);
}

} // namespace

QImage readXwd(const QByteArray &data, QString *error)
{
    if (data.size() < FieldCount * 4) {
        *error = QStringLiteral("dump too short for a header");
        return QImage();
    }
    const auto *raw = reinterpret_cast<const uchar *>(data.constData());
    auto field = [raw](int index) { return qFromBigEndian<quint32>(raw + index * 4); };

    if (field(FileVersion) != 7 || field(PixmapFormat) != kZPixmap) {
        *error = QStringLiteral("not a version 7 ZPixmap dump");
        return QImage();
    }
    const int bits = int(field(BitsPerPixel));
    if (bits != 32 && bits != 24 && bits != 16) {
        *error = QStringLiteral("unsupported pixel size %1").arg(bits);
        return QImage();
    }
    const int width = int(field(PixmapWidth));
    const int height = int(field(PixmapHeight));
    const qint64 bytesPerLine = field(BytesPerLine);
    const qint64 pixelsStart = qint64(field(HeaderSize)) + qint64(field(ColorCount)) * kColorEntrySize;
    if (width <= 0 || height <= 0 || bytesPerLine * 8 < qint64(width) * bits
        || pixelsStart + bytesPerLine * height > data.size()) {
        *error = QStringLiteral("dump sizes do not add up");
        return QImage();
    }

    const bool msbFirst = field(ByteOrder) != 0;
    const quint32 red = field(RedMask);
    const quint32 green = field(GreenMask);
    const quint32 blue = field(BlueMask);
    const int bytes = bits / 8;
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const uchar *line = raw + pixelsStart + bytesPerLine * y;
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const uchar *p = line + x * bytes;
            quint32 pixel = 0;
            for (int i = 0; i < bytes; ++i) {
                const int shift = msbFirst ? 8 * (bytes - 1 - i) : 8 * i;
                pixel |= quint32(p[i]) << shift;
            }
            out[x] = qRgb(channel(pixel, red), channel(pixel, green), channel(pixel, blue));
        }
    }
    return image;
}
