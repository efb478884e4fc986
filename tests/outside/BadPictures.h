#pragma once

#include <TestFiles.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QtEndian>

// Pictures no consumer may choke on, made in a playlist folder beside one
// good picture: headers that promise 60000 x 60000 pixels in a few bytes, a
// JPEG cut in half, an empty file, a folder and a link loop with picture names.
namespace badpictures {

inline quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xffffffffu;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    QByteArray length(4, 0), crc(4, 0);
    qToBigEndian(quint32(data.size()), length.data());
    qToBigEndian(crc32(type + data), crc.data());
    return length + type + data + crc;
}

inline QByteArray pngBomb()
{
    QByteArray header(13, 0);
    qToBigEndian(quint32(60000), header.data());
    qToBigEndian(quint32(60000), header.data() + 4);
    header[8] = 8; // bits per sample
    header[9] = 2; // RGB
    // A zlib stream of one stored empty block: a few bytes of "pixels".
    const QByteArray idat = QByteArray::fromHex("7801010000ffff00000001");
    return QByteArray::fromHex("89504e470d0a1a0a") + pngChunk("IHDR", header) + pngChunk("IDAT", idat)
        + pngChunk("IEND", QByteArray());
}

inline QByteArray jpegBomb()
{
    // SOI, baseline SOF0 of 60000 x 60000 with three components, EOI.
    return QByteArray::fromHex("ffd8ffc0001108ea60ea6003012200021101031101ffd9");
}

inline QByteArray goodJpeg(const QColor &color, const QSize &size = QSize(640, 360))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

// The table every consumer runs: the bad entry's name, and whether a
// listing of files finds it (a folder and a link loop are not files).
inline void addRows()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isFile");
    for (const char *name : { "bomb-png.png", "bomb-jpeg.jpg", "truncated.jpg", "empty.jpg" })
        QTest::newRow(name) << QString(name) << true;
    QTest::newRow("x.jpg (a folder)") << QStringLiteral("x.jpg") << false;
    QTest::newRow("a.jpg (a link loop)") << QStringLiteral("a.jpg") << false;
}

// Makes the bad entry `name` in `folder`, with a good red "good.jpg" beside
// it unless `withGood` is false.
inline void make(const QString &folder, const QString &name, bool withGood = true)
{
    using fotoria::test::writeFile;
    QDir().mkpath(folder);
    const QByteArray good = goodJpeg(QColor(220, 20, 20), QSize(1600, 900));
    if (name == QLatin1String("bomb-png.png"))
        writeFile(folder + "/" + name, pngBomb());
    else if (name == QLatin1String("bomb-jpeg.jpg"))
        writeFile(folder + "/" + name, jpegBomb());
    else if (name == QLatin1String("truncated.jpg"))
        writeFile(folder + "/" + name, good.left(good.size() / 2));
    else if (name == QLatin1String("empty.jpg"))
        writeFile(folder + "/" + name, QByteArray());
    else if (name == QLatin1String("x.jpg"))
        QDir().mkpath(folder + "/x.jpg");
    else if (name == QLatin1String("a.jpg")) {
        QFile::link(folder + "/b.jpg", folder + "/a.jpg");
        QFile::link(folder + "/a.jpg", folder + "/b.jpg");
    }
    if (withGood)
        writeFile(folder + "/good.jpg", good);
}

} // namespace badpictures
