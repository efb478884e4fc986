// fotoria-bench-thumbnail <picture>
// Makes the playlist thumbnail of one picture exactly as the client does
// (reduced-size decode, fit into 256x144, JPEG written whole). The picture
// must lie in a playlist folder; its old thumbnail is removed first, since
// an existing one is never made again. HOME decides where thumbnails go.
#include <Thumbnail.h>
#include <core/PhotoPaths.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: fotoria-bench-thumbnail <picture>\n");
        return 2;
    }
    const QString picture = app.arguments().at(1);
    QFile::remove(PhotoPaths(picture).thumbnailPath());
    const QString thumbnail = makeThumbnail(picture);
    if (!QFileInfo::exists(thumbnail)) {
        std::fprintf(stderr, "no thumbnail for %s\n", qPrintable(picture));
        return 1;
    }
    const QSize size = QImageReader(thumbnail).size();
    std::printf("%dx%d\n", size.width(), size.height());
    return 0;
}
