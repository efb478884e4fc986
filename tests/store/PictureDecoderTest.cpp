#include <TestMain.h>

#include <core/PictureDecoder.h>
#include <core/WallpaperFill.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>

namespace {

QString folder()
{
    const QString dir = fotoria::test::testHome() + "/pictures";
    QDir().mkpath(dir);
    return dir;
}

// Left half red, right half blue, a green band across the middle third.
QImage halves(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, size.width() / 2, size.height(), Qt::red);
    painter.fillRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height(), Qt::blue);
    painter.fillRect(0, size.height() / 3, size.width(), size.height() / 3, Qt::green);
    return image;
}

QString savePicture(const QString &name, const QSize &size, const char *format = "jpg")
{
    const QString path = folder() + "/" + name;
    halves(size).save(path, format, 95);
    return path;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A small JPEG whose frame header claims width x height: the decoder must
// refuse it from the header alone.
QString jpegClaiming(const QString &name, quint16 width, quint16 height)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    halves(QSize(16, 16)).save(&buffer, "jpg");
    const int sof = bytes.indexOf(QByteArray("\xff\xc0", 2));
    if (sof < 0)
        return QString();
    bytes[sof + 5] = char(height >> 8);
    bytes[sof + 6] = char(height & 0xff);
    bytes[sof + 7] = char(width >> 8);
    bytes[sof + 8] = char(width & 0xff);
    const QString path = folder() + "/" + name;
    writeBytes(path, bytes);
    return path;
}

bool near(QRgb a, QColor b)
{
    return qAbs(qRed(a) - b.red()) < 40 && qAbs(qGreen(a) - b.green()) < 40 && qAbs(qBlue(a) - b.blue()) < 40;
}

} // namespace

class PictureDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    void scalesToTheRequestedShape_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSize>("target");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("cover landscape")
            << QSize(1200, 800) << QSize(192, 108) << int(Qt::KeepAspectRatioByExpanding) << QSize(192, 128);
        QTest::newRow("cover portrait")
            << QSize(800, 1200) << QSize(192, 108) << int(Qt::KeepAspectRatioByExpanding) << QSize(192, 288);
        QTest::newRow("cover upscales")
            << QSize(100, 50) << QSize(400, 300) << int(Qt::KeepAspectRatioByExpanding) << QSize(600, 300);
        QTest::newRow("fit") << QSize(1200, 800) << QSize(192, 108) << int(Qt::KeepAspectRatio)
                             << QSize(162, 108);
        QTest::newRow("odd ratio") << QSize(1333, 777) << QSize(1920, 1080)
                                   << int(Qt::KeepAspectRatioByExpanding)
                                   << QSize(1333, 777).scaled(1920, 1080, Qt::KeepAspectRatioByExpanding);
    }
    void scalesToTheRequestedShape()
    {
        QFETCH(QSize, source);
        QFETCH(QSize, target);
        QFETCH(int, mode);
        QFETCH(QSize, expected);
        for (const char *format : { "jpg", "png" }) {
            const QString path = savePicture(
                QStringLiteral("shape-%1x%2.%3").arg(source.width()).arg(source.height()).arg(format), source,
                format);
            QString error;
            const QImage image = PictureDecoder::loadScaled(path, target, Qt::AspectRatioMode(mode), &error);
            QVERIFY2(!image.isNull(), qPrintable(error));
            QCOMPARE(image.size(), expected);
            // The content is scaled, not cut: red on the left, blue on the right.
            const int y = image.height() / 6;
            QVERIFY(near(image.pixel(2, y), Qt::red));
            QVERIFY(near(image.pixel(image.width() - 3, y), Qt::blue));
            QVERIFY(near(image.pixel(image.width() / 2, image.height() / 2), Qt::green));
        }
    }

    void reducedDecodeMatchesAFullDecode_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSize>("target");
        QTest::addColumn<bool>("gray");
        QTest::addColumn<bool>("progressive");
        QTest::newRow("3/8 of a landscape") << QSize(1600, 1000) << QSize(576, 324) << false << false;
        QTest::newRow("exact half") << QSize(1200, 800) << QSize(600, 400) << false << false;
        QTest::newRow("portrait") << QSize(700, 1300) << QSize(192, 108) << false << false;
        QTest::newRow("grayscale") << QSize(1000, 700) << QSize(300, 200) << true << false;
        QTest::newRow("upscale") << QSize(90, 60) << QSize(300, 200) << false << false;
        QTest::newRow("3/8, progressive") << QSize(1600, 1000) << QSize(576, 324) << false << true;
        QTest::newRow("exact half, progressive") << QSize(1200, 800) << QSize(600, 400) << false << true;
        QTest::newRow("upscale, progressive") << QSize(90, 60) << QSize(300, 200) << false << true;
    }
    void reducedDecodeMatchesAFullDecode()
    {
        QFETCH(QSize, source);
        QFETCH(QSize, target);
        QFETCH(bool, gray);
        QFETCH(bool, progressive);
        // Smooth colour fields with a little grain, like a photo.
        QImage picture(source, QImage::Format_RGB32);
        for (int y = 0; y < source.height(); ++y) {
            for (int x = 0; x < source.width(); ++x) {
                const int grain = (x * 7 + y * 13) % 9;
                picture.setPixel(x, y,
                    qRgb((x * 255 / source.width() + grain) % 256, (y * 255 / source.height() + grain) % 256,
                        ((x + y) / 4 + grain) % 256));
            }
        }
        if (gray)
            picture = picture.convertToFormat(QImage::Format_Grayscale8);
        const QString base = folder() + QStringLiteral("/field-%1x%2").arg(source.width()).arg(source.height());
        for (const bool scans : { false, progressive }) {
            QImageWriter writer(base + (scans ? "-progressive.jpg" : ".jpg"), "jpg");
            writer.setQuality(92);
            writer.setProgressiveScanWrite(scans);
            QVERIFY(writer.write(picture));
        }
        const QString path = base + (progressive ? "-progressive.jpg" : ".jpg");

        QString error;
        const QImage ours = PictureDecoder::loadScaled(path, target, Qt::KeepAspectRatioByExpanding, &error);
        QVERIFY2(!ours.isNull(), qPrintable(error));
        const QImage reference
            = QImage(path).scaled(ours.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QCOMPARE(ours.size(), source.scaled(target, Qt::KeepAspectRatioByExpanding));
        double sum = 0;
        for (int y = 0; y < ours.height(); ++y) {
            for (int x = 0; x < ours.width(); ++x) {
                const QRgb a = ours.pixel(x, y);
                const QRgb b = reference.pixel(x, y);
                sum += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
            }
        }
        const double mean = sum / (3.0 * ours.width() * ours.height());
        QVERIFY2(mean < 3.0, qPrintable(QString::number(mean)));
        // Scans only order the same coefficients differently.
        if (progressive)
            QCOMPARE(ours, PictureDecoder::loadScaled(base + ".jpg", target, Qt::KeepAspectRatioByExpanding));
    }

    void wallpaperFill_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("fill");
        QTest::addColumn<bool>("whole"); // fitted over the blur, else covered and cut
        const int crop = int(WallpaperOptions::Fill::Crop);
        const int fit = int(WallpaperOptions::Fill::FitBlurred);
        QTest::newRow("portrait on landscape") << QSize(800, 1200) << QSize(480, 270) << fit << true;
        QTest::newRow("panorama") << QSize(3000, 800) << QSize(480, 270) << fit << true;
        QTest::newRow("landscape within a fifth") << QSize(1200, 700) << QSize(480, 270) << fit << false;
        QTest::newRow("exactly a fifth wider") << QSize(720, 500) << QSize(600, 500) << fit << false;
        QTest::newRow("a little more") << QSize(724, 500) << QSize(600, 500) << fit << true;
        QTest::newRow("crop keeps cropping") << QSize(800, 1200) << QSize(480, 270) << crop << false;
    }
    void wallpaperFill()
    {
        QFETCH(QSize, source);
        QFETCH(QSize, screen);
        QFETCH(int, fill);
        QFETCH(bool, whole);
        const QString path
            = savePicture(QStringLiteral("fill-%1x%2.jpg").arg(source.width()).arg(source.height()), source);
        QString error;
        const QImage image = WallpaperFill::render(path, screen, WallpaperOptions::Fill(fill), &error);
        QVERIFY2(!image.isNull(), qPrintable(error));
        QCOMPARE(image.size(), screen);
        if (!whole) {
            const QImage cover = PictureDecoder::loadScaled(path, screen, Qt::KeepAspectRatioByExpanding);
            QCOMPARE(image, cover.copy(QRect(QPoint((cover.width() - screen.width()) / 2,
                                                    (cover.height() - screen.height()) / 2),
                                   screen))
                                .convertToFormat(image.format()));
            return;
        }
        // The whole photo in the middle: its red left and blue right edge...
        const QSize shown = source.scaled(screen, Qt::KeepAspectRatio);
        const QRect photo(QPoint((screen.width() - shown.width()) / 2, (screen.height() - shown.height()) / 2), shown);
        const int y = photo.top() + photo.height() / 6;
        QVERIFY(near(image.pixel(photo.left() + 1, y), Qt::red));
        QVERIFY(near(image.pixel(photo.right() - 1, y), Qt::blue));
        QVERIFY(near(image.pixel(photo.center()), Qt::green));
        // ...and around it its blurred copy, darker but not black.
        const QPoint outside = photo.left() > 0 ? QPoint(photo.left() / 2, y) : QPoint(photo.center().x(), 1);
        const QColor around(image.pixel(outside));
        QVERIFY2(around.value() > 20 && around.value() < 200, qPrintable(around.name()));
    }

    void bitmapsMatchTheScaledPicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSize>("target");
        QTest::newRow("jpeg, reduced while decoding") << "bmp-a.jpg" << QSize(1300, 900) << QSize(400, 200);
        QTest::newRow("jpeg, odd sizes") << "bmp-b.jpg" << QSize(1001, 999) << QSize(333, 111);
        QTest::newRow("jpeg, enlarged") << "bmp-c.jpg" << QSize(100, 60) << QSize(400, 300);
        QTest::newRow("png") << "bmp-d.png" << QSize(500, 300) << QSize(250, 100);
    }
    void bitmapsMatchTheScaledPicture()
    {
        QFETCH(QString, name);
        QFETCH(QSize, source);
        QFETCH(QSize, target);
        const QString path = savePicture(name, source, name.endsWith("png") ? "png" : "jpg");
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QString error;
        QCOMPARE(
            PictureDecoder::writeScaledBitmap(path, target, Qt::KeepAspectRatioByExpanding, &buffer, &error),
            PictureDecoder::BitmapResult::Written);
        QVERIFY(bytes.startsWith("BM"));
        const QImage bitmap = QImage::fromData(bytes, "bmp").convertToFormat(QImage::Format_RGB32);
        const QImage scaled = PictureDecoder::loadScaled(path, target, Qt::KeepAspectRatioByExpanding)
                                  .convertToFormat(QImage::Format_RGB32);
        QCOMPARE(bitmap.size(), source.scaled(target, Qt::KeepAspectRatioByExpanding));
        QCOMPARE(bitmap, scaled);
    }

    void bitmapFailures()
    {
        const QString path = savePicture("bmp-fail.jpg", QSize(800, 600));
        QByteArray bytes;
        QBuffer readOnly(&bytes);
        readOnly.open(QIODevice::ReadOnly);
        QString error;
        QCOMPARE(
            PictureDecoder::writeScaledBitmap(path, QSize(200, 100), Qt::KeepAspectRatio, &readOnly, &error),
            PictureDecoder::BitmapResult::WriteFailed);
        QVERIFY(!error.isEmpty());

        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        error.clear();
        QCOMPARE(PictureDecoder::writeScaledBitmap(jpegClaiming("bmp-huge.jpg", 30000, 30000),
                     QSize(200, 100), Qt::KeepAspectRatio, &buffer, &error),
            PictureDecoder::BitmapResult::UnreadablePicture);
        QVERIFY(error.contains("too large"));
        QVERIFY(bytes.isEmpty());
    }

    void cropsTheCentre()
    {
        // 300x100 into a square: only the middle 100x100 is kept.
        const QString path = savePicture("wide.jpg", QSize(300, 100));
        QString error;
        const QImage image = PictureDecoder::loadCropped(path, QSize(50, 50), &error);
        QVERIFY2(!image.isNull(), qPrintable(error));
        QCOMPARE(image.size(), QSize(50, 50));
        QVERIFY(near(image.pixel(5, 5), Qt::red));
        QVERIFY(near(image.pixel(44, 5), Qt::blue));
    }

    void fullLoadAndSize()
    {
        const QString path = savePicture("full.png", QSize(321, 123), "png");
        QCOMPARE(PictureDecoder::pictureSize(path), QSize(321, 123));
        QCOMPARE(PictureDecoder::load(path).size(), QSize(321, 123));
    }

    void appliesTheOrientation()
    {
        const QString path = folder() + "/turned.jpg";
        QImageWriter writer(path, "jpg");
        if (!writer.supportsOption(QImageIOHandler::ImageTransformation))
            QSKIP("the JPEG writer cannot store an orientation");
        writer.setTransformation(QImageIOHandler::TransformationRotate90);
        QVERIFY(writer.write(halves(QSize(400, 200))));
        QCOMPARE(PictureDecoder::pictureSize(path), QSize(200, 400));
        const QImage image
            = PictureDecoder::loadScaled(path, QSize(100, 100), Qt::KeepAspectRatioByExpanding);
        QCOMPARE(image.size(), QSize(100, 200));
        // Turned clockwise: the red left half is now on top.
        QVERIFY(near(image.pixel(10, 5), Qt::red));
        QVERIFY(near(image.pixel(10, 194), Qt::blue));
    }

    void refusesBadInput_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << folder() + "/missing.jpg"
                                 << "No picture file";
        writeBytes(folder() + "/text.jpg", "this is not a picture\n");
        QTest::newRow("text named jpg") << folder() + "/text.jpg"
                                        << "Not a readable picture";
        writeBytes(folder() + "/empty.jpg", QByteArray());
        QTest::newRow("empty file") << folder() + "/empty.jpg"
                                    << "Not a readable picture";
        QTest::newRow("folder") << folder() << "No picture file";
        QTest::newRow("20000 x 20000") << jpegClaiming("huge.jpg", 20000, 20000) << "too large";
        QTest::newRow("60000 x 5000") << jpegClaiming("wide.jpg", 60000, 5000) << "too large";
        QTest::newRow("one row above the limit") << jpegClaiming("over.jpg", 15625, 16001) << "too large";
        // A good header with the data cut off.
        QByteArray cut;
        {
            QBuffer buffer(&cut);
            buffer.open(QIODevice::WriteOnly);
            halves(QSize(64, 64)).save(&buffer, "png");
        }
        writeBytes(folder() + "/cut.png", cut.left(cut.indexOf("IDAT") + 12));
        QTest::newRow("truncated") << folder() + "/cut.png"
                                   << "Cannot decode picture";
    }
    void refusesBadInput()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        QString error;
        QVERIFY(PictureDecoder::load(path, &error).isNull());
        QVERIFY2(error.contains(reason), qPrintable(error));
        error.clear();
        QVERIFY(PictureDecoder::loadScaled(path, QSize(10, 10), Qt::KeepAspectRatio, &error).isNull());
        QVERIFY2(error.contains(reason), qPrintable(error));
        error.clear();
        QVERIFY(PictureDecoder::loadCropped(path, QSize(10, 10), &error).isNull());
        QVERIFY2(error.contains(reason), qPrintable(error));
    }

    void damagedScansNeitherCrashNorHang()
    {
        QByteArray good;
        {
            QBuffer buffer(&good);
            buffer.open(QIODevice::WriteOnly);
            halves(QSize(1200, 800)).save(&buffer, "jpg", 90);
        }
        const int scan = good.indexOf(QByteArray("\xff\xda", 2));
        QVERIFY(scan > 0);
        QRandomGenerator rng(42);
        for (int round = 0; round < 40; ++round) {
            QByteArray bytes = good;
            if (round % 2 == 0) {
                bytes.truncate(scan + 20 + int(rng.bounded(bytes.size() - scan - 20)));
            } else {
                for (int i = 0; i < 30; ++i)
                    bytes[scan + 20 + int(rng.bounded(bytes.size() - scan - 22))] = char(rng.bounded(256));
            }
            const QString path = folder() + QStringLiteral("/damaged-%1.jpg").arg(round);
            writeBytes(path, bytes);
            QString error;
            const QImage image
                = PictureDecoder::loadScaled(path, QSize(450, 300), Qt::KeepAspectRatioByExpanding, &error);
            // Damaged data gives a partial picture or a clear error, never a wrong size.
            if (image.isNull())
                QVERIFY(!error.isEmpty());
            else
                QCOMPARE(image.size(), QSize(450, 300));
        }
    }

    void acceptsTheLargestAllowedHeader_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("just under the limit") << QSize(15000, 16666);
        QTest::newRow("exactly the limit") << QSize(15625, 16000);
    }
    void acceptsTheLargestAllowedHeader()
    {
        // The header passes, and the broken data then fails in the decoder,
        // not in the size check.
        QFETCH(QSize, size);
        const QString path = jpegClaiming("limit.jpg", quint16(size.width()), quint16(size.height()));
        QString error;
        QCOMPARE(PictureDecoder::pictureSize(path, &error), size);
    }
};

FOTORIA_TEST_MAIN(PictureDecoderTest)
#include "PictureDecoderTest.moc"
