#include "WallpaperCopy_linux.h"

#include "FileCommit.h"
#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace platform::wallpaper {

namespace {

QString slotBaseName(int slot)
{
    return QStringLiteral("wallpaper-%1").arg(slot);
}

QDateTime newestChange(const QStringList &files)
{
    QDateTime newest;
    for (const QString &file : files) {
        const QDateTime changed = QFileInfo(file).lastModified();
        if (!newest.isValid() || changed > newest)
            newest = changed;
    }
    return newest;
}

} // namespace

WallpaperCopy::WallpaperCopy(const QString &folder)
    : m_folder(folder)
{
}

QString WallpaperCopy::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Fotoria/wallpaper");
}

QStringList WallpaperCopy::filesOfSlot(int slot) const
{
    QDir dir(m_folder);
    const QStringList names
        = dir.entryList({ slotBaseName(slot) + QStringLiteral(".*") }, QDir::Files | QDir::Hidden);
    QStringList files;
    for (const QString &name : names)
        files.append(dir.filePath(name));
    return files;
}

bool WallpaperCopy::write(
    const QByteArray &bytes, const QByteArray &format, const QImage &image, bool pngOnly, QString *error)
{
    if (!QDir().mkpath(m_folder) || !QFileInfo(m_folder).isDir()) {
        *error = QStringLiteral("cannot create the wallpaper folder %1").arg(m_folder);
        return false;
    }

    // The slot written last is the one the desktop shows now; use the other.
    const QStringList one = filesOfSlot(1);
    const QStringList two = filesOfSlot(2);
    int current = 0;
    if (!one.isEmpty() && !two.isEmpty())
        current = newestChange(one) >= newestChange(two) ? 1 : 2;
    else if (!one.isEmpty())
        current = 1;
    else if (!two.isEmpty())
        current = 2;
    m_slot = current == 1 ? 2 : 1;

    // Leftovers of an interrupted change in our slot are not shown anywhere.
    const QStringList leftovers = filesOfSlot(m_slot);
    for (const QString &file : leftovers)
        QFile::remove(file);

    QByteArray data;
    QString suffix;
    const QByteArray lower = format.toLower();
    const bool readEverywhere = lower == "png" || lower == "bmp" || lower == "jpeg" || lower == "jpg";
    if (readEverywhere && (!pngOnly || lower == "png")) {
        data = bytes;
        suffix = lower == "jpeg" ? QStringLiteral("jpg") : QString::fromLatin1(lower);
    } else {
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "png")) {
            *error = QStringLiteral("cannot convert the picture to PNG");
            return false;
        }
        suffix = QStringLiteral("png");
    }

    m_pngOnly = pngOnly;
    m_path = QDir(m_folder).filePath(slotBaseName(m_slot) + QLatin1Char('.') + suffix);
    if (!saveAtomically(m_path, data, error)) {
        m_path.clear();
        return false;
    }
    return true;
}

QString WallpaperCopy::writeVariant(const QString &tag, const QImage &image, QString *error)
{
    if (m_path.isEmpty()) {
        *error = QStringLiteral("no wallpaper copy to write a variant of");
        return QString();
    }
    // The tag comes from the display server: only plain letters go into a name.
    QString safeTag;
    for (const QChar c : tag)
        safeTag
            += (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('-') ? c : QLatin1Char('_');
    // Bitmaps are quick to write and lossless; PNG where only PNG is read.
    const char *format = m_pngOnly ? "png" : "bmp";
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format)) {
        *error = QStringLiteral("cannot convert the picture for monitor %1").arg(tag);
        return QString();
    }
    const QString path = QDir(m_folder).filePath(
        slotBaseName(m_slot) + QLatin1Char('.') + safeTag + QLatin1Char('.') + QLatin1String(format));
    return saveAtomically(path, data, error) ? path : QString();
}

bool WallpaperCopy::saveAtomically(const QString &path, const QByteArray &data, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write the wallpaper copy %1: %2").arg(path, file.errorString());
        return false;
    }
    QString reason;
    if (file.write(data) != data.size() || !commitFile(file, &reason)) {
        if (reason.isEmpty()) {
            reason = file.errorString();
            file.cancelWriting();
        }
        *error = QStringLiteral("cannot write the wallpaper copy %1: %2").arg(path, reason);
        return false;
    }
    return true;
}

void WallpaperCopy::commit()
{
    if (m_slot == 0)
        return;
    const QStringList previous = filesOfSlot(m_slot == 1 ? 2 : 1);
    for (const QString &file : previous)
        QFile::remove(file);
}

void WallpaperCopy::discard()
{
    if (m_slot != 0) {
        const QStringList written = filesOfSlot(m_slot);
        for (const QString &file : written)
            QFile::remove(file);
    }
    m_path.clear();
}

} // namespace platform::wallpaper
