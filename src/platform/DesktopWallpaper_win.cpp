#include "DesktopWallpaper.h"

#include "WallpaperTools.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <windows.h>

namespace platform {

namespace {

QString lastErrorText(DWORD code)
{
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    QString text;
    if (length && buffer)
        text = QString::fromWCharArray(buffer, int(length)).trimmed();
    if (buffer)
        LocalFree(buffer);
    return text.isEmpty() ? QString::number(code) : QStringLiteral("%1 (%2)").arg(code).arg(text);
}

} // namespace

bool setDesktopWallpaper(
    const QString &imagePath, const QString &commandOverride, QString *error, Qt::Alignment keepInView)
{
    Q_UNUSED(keepInView); // one bitmap for all monitors, which Windows places itself
    QString ignored;
    if (!error)
        error = &ignored;
    error->clear();

    static QMutex mutex;
    QMutexLocker locker(&mutex);

    QByteArray bytes;
    QImage image;
    QByteArray format;
    if (!wallpaper::loadPicture(imagePath, &bytes, &image, &format, error))
        return false;

    if (!commandOverride.trimmed().isEmpty())
        return wallpaper::runCommandOverride(commandOverride, QDir::toNativeSeparators(imagePath), error);

    // Windows transcodes the bitmap into a copy of its own, so reusing the
    // temporary bitmap name is fine here.
    std::wstring path = QDir::toNativeSeparators(QFileInfo(imagePath).absoluteFilePath()).toStdWString();
    if (!SystemParametersInfoW(
            SPI_SETDESKWALLPAPER, 0, path.data(), SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE)) {
        *error = lastErrorText(GetLastError());
        return false;
    }
    return true;
}

// Windows places one bitmap on every monitor itself; a picture per monitor
// and the lock screen are not offered there.
QVector<DesktopMonitor> desktopMonitors()
{
    return {};
}

bool setDesktopWallpapers(const QList<MonitorPicture> &, const QString &, QString *error)
{
    if (error)
        *error = QStringLiteral("a picture per monitor is not available on Windows");
    return false;
}

bool lockScreenSupported(QString *whyNot)
{
    if (whyNot)
        *whyNot = QStringLiteral("The lock screen of Windows cannot be set by Fotoria.");
    return false;
}

bool setLockScreenPicture(const QString &, QString *error)
{
    return lockScreenSupported(error);
}

} // namespace platform
