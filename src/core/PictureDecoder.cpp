#include "PictureDecoder.h"

#include "JpegReader.h"

#include <QFileInfo>
#include <QIODevice>
#include <QImageIOHandler>
#include <QImageReader>
#include <QImageWriter>
#include <QRect>
#include <QTransform>

namespace {

struct Header
{
    QSize raw; // as stored in the file
    bool swapped; // orientation turns it by 90 degrees
    QImageIOHandler::Transformations transformation;
    QSize shown() const { return swapped ? raw.transposed() : raw; }
};

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

QString reasonOf(const QImageReader &reader)
{
    switch (reader.error()) {
    case QImageReader::UnsupportedFormatError:
        return QStringLiteral("unknown or unsupported format");
    case QImageReader::InvalidDataError:
        return QStringLiteral("broken picture data");
    case QImageReader::DeviceError:
    case QImageReader::FileNotFoundError:
        return QStringLiteral("cannot read the file");
    default:
        return QStringLiteral("broken or unsupported picture");
    }
}

bool readHeader(QImageReader &reader, const QString &path, Header *header, QString *error)
{
    if (!QFileInfo(path).isFile())
        return fail(error, QStringLiteral("No picture file at %1").arg(path));
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) {
        return fail(error, QStringLiteral("Not a readable picture: %1 (%2)").arg(path, reasonOf(reader)));
    }
    if (qint64(size.width()) * size.height() > PictureDecoder::kMaxPixels) {
        return fail(error,
            QStringLiteral("Picture too large: %1 is %2x%3, above %4 megapixels")
                .arg(path)
                .arg(size.width())
                .arg(size.height())
                .arg(PictureDecoder::kMaxPixels / 1000000));
    }
    header->raw = size;
    header->transformation = reader.transformation();
    header->swapped = header->transformation & QImageIOHandler::TransformationRotate90;
    return true;
}

QImage decode(QImageReader &reader, const QString &path, QString *error)
{
    QImage image = reader.read();
    if (image.isNull())
        fail(error, QStringLiteral("Cannot decode picture %1 (%2)").arg(path, reasonOf(reader)));
    return image;
}

QSize toRaw(const Header &header, const QSize &shownSize)
{
    return header.swapped ? shownSize.transposed() : shownSize;
}

// The same order the toolkit's reader uses: mirror, flip, then turn.
QImage oriented(QImage image, QImageIOHandler::Transformations t)
{
    if (t & (QImageIOHandler::TransformationMirror | QImageIOHandler::TransformationFlip))
        image = image.mirrored(
            t & QImageIOHandler::TransformationMirror, t & QImageIOHandler::TransformationFlip);
    if (t & QImageIOHandler::TransformationRotate90)
        image = image.transformed(QTransform().rotate(90));
    return image;
}

// JPEG through libjpeg at a finer reduced size; null when that path is not
// available for this file. *cutOff tells a file that ends before its picture.
QImage readJpegScaled(
    QImageReader &reader, const QString &path, const Header &header, const QSize &wanted, bool *cutOff)
{
    *cutOff = false;
    if (!JpegReader::available() || reader.format() != "jpeg")
        return QImage();
    const QSize rawWanted = toRaw(header, wanted);
    QImage image = JpegReader::readScaled(path, rawWanted, cutOff);
    if (image.isNull())
        return image;
    if (image.size() != rawWanted)
        image = image.scaled(rawWanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return oriented(image, header.transformation);
}

QString cutOffMessage(const QString &path)
{
    return QStringLiteral("Picture %1 is cut off: the file ends before the picture does").arg(path);
}

// The header of a picture that is to be scaled to `target`: refuses an
// empty target and everything readHeader refuses.
bool readHeaderFor(QImageReader &reader, const QString &path, const QSize &target, Header *header,
    QString *error)
{
    if (target.isEmpty())
        return fail(error, QStringLiteral("Empty target size for %1").arg(path));
    return readHeader(reader, path, header, error);
}

} // namespace

QSize PictureDecoder::pictureSize(const QString &path, QString *error)
{
    QImageReader reader(path);
    Header header;
    if (!readHeader(reader, path, &header, error))
        return QSize();
    return header.shown();
}

QImage PictureDecoder::load(const QString &path, QString *error)
{
    QImageReader reader(path);
    Header header;
    if (!readHeader(reader, path, &header, error))
        return QImage();
    return decode(reader, path, error);
}

QImage PictureDecoder::loadScaled(
    const QString &path, const QSize &target, Qt::AspectRatioMode mode, QString *error)
{
    QImageReader reader(path);
    Header header;
    if (!readHeaderFor(reader, path, target, &header, error))
        return QImage();
    const QSize wanted = header.shown().scaled(target, mode);
    if (wanted.isEmpty()) {
        fail(error, QStringLiteral("Picture %1 scales to nothing").arg(path));
        return QImage();
    }
    bool cutOff = false;
    const QImage jpeg = readJpegScaled(reader, path, header, wanted, &cutOff);
    if (!jpeg.isNull())
        return jpeg;
    if (cutOff) {
        fail(error, cutOffMessage(path));
        return QImage();
    }
    // The reader scales before it applies the orientation.
    reader.setScaledSize(toRaw(header, wanted));
    QImage image = decode(reader, path, error);
    if (!image.isNull() && image.size() != wanted)
        image = image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

PictureDecoder::BitmapResult PictureDecoder::writeScaledBitmap(
    const QString &path, const QSize &target, Qt::AspectRatioMode mode, QIODevice *out, QString *error)
{
    if (target.isEmpty()) {
        fail(error, QStringLiteral("Empty target size for %1").arg(path));
        return BitmapResult::UnreadablePicture;
    }
    {
        QImageReader reader(path);
        Header header;
        if (!readHeader(reader, path, &header, error))
            return BitmapResult::UnreadablePicture;
        const QSize wanted = header.shown().scaled(target, mode);
        if (JpegReader::available() && reader.format() == "jpeg"
            && header.transformation == QImageIOHandler::TransformationNone && !wanted.isEmpty()
            && wanted.width() <= header.raw.width() && wanted.height() <= header.raw.height()) {
            const auto result = JpegReader::writeScaledBmp(path, wanted, out);
            if (result == JpegReader::BmpResult::Written)
                return BitmapResult::Written;
            if (result == JpegReader::BmpResult::CutOff) {
                fail(error, cutOffMessage(path));
                return BitmapResult::UnreadablePicture;
            }
            if (result == JpegReader::BmpResult::WriteFailed) {
                fail(error, QStringLiteral("cannot write the bitmap: %1").arg(out->errorString()));
                return BitmapResult::WriteFailed;
            }
            // Anything libjpeg could not decode goes through the toolkit's reader.
            if (!out->seek(0)) {
                fail(error, QStringLiteral("cannot write the bitmap: %1").arg(out->errorString()));
                return BitmapResult::WriteFailed;
            }
        }
    }
    const QImage image = loadScaled(path, target, mode, error);
    if (image.isNull())
        return BitmapResult::UnreadablePicture;
    QImageWriter writer(out, "bmp");
    if (!writer.write(image)) {
        fail(error, QStringLiteral("cannot write the bitmap: %1").arg(writer.errorString()));
        return BitmapResult::WriteFailed;
    }
    return BitmapResult::Written;
}

QImage PictureDecoder::loadCropped(const QString &path, const QSize &target, QString *error)
{
    QImageReader reader(path);
    Header header;
    if (!readHeaderFor(reader, path, target, &header, error))
        return QImage();
    // The centre part with the target's aspect ratio, in file coordinates; a
    // centred cut is the same whichever way the picture is turned.
    const QSize rawTarget = toRaw(header, target);
    const QSize part = rawTarget.scaled(header.raw, Qt::KeepAspectRatio);
    const QRect clip(
        QPoint((header.raw.width() - part.width()) / 2, (header.raw.height() - part.height()) / 2), part);
    reader.setClipRect(clip);
    reader.setScaledSize(rawTarget);
    QImage image = decode(reader, path, error);
    if (!image.isNull() && image.size() != target)
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}
