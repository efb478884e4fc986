// fotoria-bench-makejpeg <width> <height> <out.jpg> [quality] [progressive]
// A photo-like JPEG: smooth large areas, softer mid-size detail and fine
// grain, so the encoder and decoder see realistic work. "progressive" writes
// it in several scans, as most photos from the web are.
#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>

#include <cstdio>

namespace {

QImage randomField(int w, int h, QRandomGenerator &rng)
{
    QImage field(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(field.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb(rng.bounded(256), rng.bounded(256), rng.bounded(256));
    }
    return field;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(
            stderr, "usage: fotoria-bench-makejpeg <width> <height> <out.jpg> [quality] [progressive]\n");
        return 2;
    }
    const int w = atoi(argv[1]);
    const int h = atoi(argv[2]);
    const int quality = argc > 4 ? atoi(argv[4]) : 90;
    QRandomGenerator rng(w * 31 + h);

    QImage image = randomField(12, 8, rng).scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    {
        QPainter painter(&image);
        painter.setOpacity(0.35);
        painter.drawImage(QRect(0, 0, w, h),
            randomField(w / 40, h / 40, rng).scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        painter.setOpacity(0.5);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 300; ++i) {
            painter.setBrush(QColor::fromRgb(rng.generate() | 0xff000000));
            painter.setPen(Qt::NoPen);
            const int r = 20 + rng.bounded(w / 12);
            painter.drawEllipse(QPoint(rng.bounded(w), rng.bounded(h)), r, r * 2 / 3);
        }
    }
    // Grain.
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int n = int(rng.bounded(25)) - 12;
            const QRgb p = line[x];
            line[x] = qRgb(
                qBound(0, qRed(p) + n, 255), qBound(0, qGreen(p) + n, 255), qBound(0, qBlue(p) + n, 255));
        }
    }
    QImageWriter writer(QString::fromLocal8Bit(argv[3]), "jpg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(argc > 5 && qstrcmp(argv[5], "progressive") == 0);
    if (!writer.write(image)) {
        std::fprintf(stderr, "cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
