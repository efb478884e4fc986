#include "WallpaperTools.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QtEndian>

#include <atomic>

namespace platform::wallpaper {

namespace {

std::atomic<int> g_toolTimeout { 10000 };

// Error output can be long (usage texts); the first lines say what went wrong.
QString shortened(const QString &text)
{
    const int limit = 400;
    const QString trimmed = text.trimmed();
    if (trimmed.size() <= limit)
        return trimmed;
    return trimmed.left(limit) + QStringLiteral("...");
}

} // namespace

bool loadPicture(const QString &path, QByteArray *bytes, QImage *image, QByteArray *format, QString *error)
{
    if (path.isEmpty()) {
        *error = QStringLiteral("no picture file given");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open the picture %1: %2").arg(path, file.errorString());
        return false;
    }
    *bytes = file.readAll();
    if (bytes->isEmpty()) {
        *error = QStringLiteral("the picture file %1 is empty").arg(path);
        return false;
    }

    QBuffer buffer(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead()) {
        *error = QStringLiteral("%1 is not a picture that can be read").arg(path);
        return false;
    }
    *format = reader.format();
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPicturePixels) {
        *error = QStringLiteral("the picture %1 is too large (%2 x %3)")
                     .arg(path)
                     .arg(size.width())
                     .arg(size.height());
        return false;
    }
    // The bitmap decoder fills a cut-off file up with black instead of
    // failing; the file header says how long the file should be.
    if (*format == "bmp" && bytes->size() >= 6) {
        const quint32 declared = qFromLittleEndian<quint32>(bytes->constData() + 2);
        if (declared > quint32(bytes->size())) {
            *error = QStringLiteral("the picture %1 is cut short (%2 of %3 bytes)")
                         .arg(path)
                         .arg(bytes->size())
                         .arg(declared);
            return false;
        }
    }
    *image = reader.read();
    if (image->isNull()) {
        *error = QStringLiteral("cannot decode the picture %1: %2").arg(path, reader.errorString());
        return false;
    }
    return true;
}

QImage coverImage(const QImage &image, int width, int height, Qt::Alignment keep)
{
    if (image.width() == width && image.height() == height)
        return image;
    const QImage scaled
        = image.scaled(width, height, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    const int spareX = scaled.width() - width;
    const int spareY = scaled.height() - height;
    const int x = keep & Qt::AlignLeft ? 0 : keep & Qt::AlignRight ? spareX : spareX / 2;
    const int y = keep & Qt::AlignTop ? 0 : keep & Qt::AlignBottom ? spareY : spareY / 2;
    return scaled.copy(x, y, width, height);
}

QImage desktopPicture(const QList<MonitorPicture> &pictures, const QRect &area)
{
    QImage whole(area.size(), QImage::Format_RGB32);
    whole.fill(Qt::black);
    QPainter painter(&whole);
    for (const MonitorPicture &picture : pictures)
        painter.drawImage(picture.monitor.geometry.topLeft() - area.topLeft(), picture.image);
    return whole;
}

QRect desktopArea(const QList<MonitorPicture> &pictures)
{
    QRect area;
    for (const MonitorPicture &picture : pictures)
        area |= picture.monitor.geometry;
    return area;
}

QString gvariantString(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString fileUri(const QString &path)
{
    return QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded());
}

int toolTimeout()
{
    return g_toolTimeout.load();
}

void setToolTimeout(int msecs)
{
    g_toolTimeout.store(msecs > 0 ? msecs : 10000);
}

bool runTool(const QString &program, const QStringList &arguments, QString *error, QString *output)
{
    const QString name = QFileInfo(program).fileName();
    QString executable = program;
    if (!program.contains(QLatin1Char('/')))
        executable = QStandardPaths::findExecutable(program);
    if (executable.isEmpty() || !QFileInfo(executable).isExecutable()) {
        *error = QStringLiteral("%1 is not installed (not found or not executable)").arg(program);
        return false;
    }

    QProcess process;
    process.setProgram(executable);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    const int timeout = toolTimeout();
    if (!process.waitForStarted(timeout)) {
        *error = QStringLiteral("cannot start %1: %2").arg(name, process.errorString());
        return false;
    }
    if (!process.waitForFinished(timeout)) {
        // A hung tool must not hold the caller forever.
        process.kill();
        process.waitForFinished(1000);
        *error = QStringLiteral("%1 did not finish within %2 ms").arg(name).arg(timeout);
        return false;
    }
    const QString errorText = QString::fromLocal8Bit(process.readAllStandardError());
    if (process.exitStatus() != QProcess::NormalExit) {
        *error = QStringLiteral("%1 crashed").arg(name);
        return false;
    }
    if (process.exitCode() != 0) {
        const QString reason = shortened(errorText);
        *error = reason.isEmpty()
            ? QStringLiteral("%1 exited with status %2").arg(name).arg(process.exitCode())
            : QStringLiteral("%1 failed: %2").arg(name, reason);
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return true;
}

bool runCommandOverride(const QString &commandLine, const QString &file, QString *error)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty()) {
        *error = QStringLiteral("the wallpaper command is empty");
        return false;
    }
    bool placed = false;
    for (QString &argument : arguments) {
        if (argument.contains(QLatin1String("%f"))) {
            argument.replace(QLatin1String("%f"), file);
            placed = true;
        }
    }
    // A command written without %f still needs to know the file.
    if (!placed)
        arguments.append(file);
    const QString program = arguments.takeFirst();
    return runTool(program, arguments, error);
}

} // namespace platform::wallpaper
