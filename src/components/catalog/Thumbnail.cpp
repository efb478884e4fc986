#include "Thumbnail.h"

#include <platform/FileCommit.h>
#include <core/PhotoPaths.h>
#include <core/PictureDecoder.h>

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

namespace {

const QSize kThumbnailSize(256, 144);

bool writeJpeg(const QImage &image, const QString &path)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        qDebug().noquote() << "Cannot make the thumbnail folder for" << path;
        return false;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        qDebug().noquote() << "Cannot write thumbnail" << path << out.errorString();
        return false;
    }
    QImageWriter writer(&out, "jpg");
    if (!writer.write(image)) {
        qDebug().noquote() << "Cannot write thumbnail" << path << writer.errorString();
        out.cancelWriting();
        return false;
    }
    QString error;
    if (!platform::commitFile(out, &error)) {
        qDebug().noquote() << "Cannot write thumbnail" << path << error;
        return false;
    }
    return true;
}

} // namespace

QString makeThumbnail(const QString &picturePath)
{
    // Cleaned first: "a/b/../c.jpg" would otherwise name the playlist "..".
    const QString picture = QDir::cleanPath(QFileInfo(picturePath).absoluteFilePath());
    const PhotoPaths photo(picture);
    const QString playlist = photo.playlist();
    if (photo.isUrl() || playlist.isEmpty() || playlist == QLatin1String(".")
        || playlist == QLatin1String("..") || photo.uuid().isEmpty()) {
        qDebug().noquote() << "No thumbnail for" << picturePath << "(not a playlist picture)";
        return QString();
    }
    const QString thumbnail = photo.thumbnailPath();
    if (QFileInfo::exists(thumbnail))
        return thumbnail;

    QString error;
    const QImage image = PictureDecoder::loadScaled(picture, kThumbnailSize, Qt::KeepAspectRatio, &error);
    if (image.isNull()) {
        qDebug().noquote() << "No thumbnail:" << error;
        return thumbnail;
    }
    writeJpeg(image, thumbnail);
    return thumbnail;
}
