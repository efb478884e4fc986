#include "DesktopWallpaper.h"

#include "FileCommit.h"
#include "WallpaperCopy_linux.h"
#include "WallpaperTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSaveFile>
#include <QStandardPaths>

namespace platform {

namespace {

using wallpaper::runTool;

// How the user knows the desktop, for the settings' explanation.
QString desktopTitle(DesktopKind kind)
{
    switch (kind) {
    case DesktopKind::Cinnamon:
        return QStringLiteral("Cinnamon");
    case DesktopKind::Mate:
        return QStringLiteral("MATE");
    case DesktopKind::Xfce:
        return QStringLiteral("XFCE");
    case DesktopKind::Lxde:
        return QStringLiteral("LXDE");
    case DesktopKind::Lxqt:
        return QStringLiteral("LXQt");
    case DesktopKind::Sway:
        return QStringLiteral("sway");
    case DesktopKind::UnknownWayland:
        return QStringLiteral("an unknown Wayland desktop");
    default:
        return QStringLiteral("no known desktop");
    }
}

const QString kKdeGroup = QStringLiteral("[Greeter][Wallpaper][org.kde.image][General]");

// Sets Image in the lock screen's group of kscreenlockerrc, keeping every
// other line; the file is replaced whole.
bool writeKdeLockScreenFile(const QString &uri, QString *error)
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/kscreenlockerrc");
    QFile old(path);
    QStringList lines;
    if (old.exists()) {
        if (!old.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read %1: %2").arg(path, old.errorString());
            return false;
        }
        lines = QString::fromUtf8(old.readAll()).split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
    }
    const QString entry = QStringLiteral("Image=") + uri;
    int group = lines.indexOf(kKdeGroup);
    if (group < 0) {
        if (!lines.isEmpty())
            lines << QString();
        lines << kKdeGroup << entry;
    } else {
        int end = group + 1;
        while (end < lines.size() && !lines.at(end).startsWith(QLatin1Char('[')))
            ++end;
        int at = -1;
        for (int i = group + 1; i < end && at < 0; ++i)
            at = lines.at(i).section(QLatin1Char('='), 0, 0).trimmed() == QLatin1String("Image") ? i : -1;
        if (at >= 0)
            lines[at] = entry;
        else
            lines.insert(group + 1, entry);
    }
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    QString reason;
    if (!file.open(QIODevice::WriteOnly)
        || file.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) < 0
        || !commitFile(file, &reason)) {
        *error
            = QStringLiteral("cannot write %1: %2").arg(path, reason.isEmpty() ? file.errorString() : reason);
        return false;
    }
    return true;
}

// KDE's own tool where it is installed (it knows KConfig's escapes), else the file.
bool setKdeLockScreen(const QString &uri, QString *error)
{
    for (const QString &tool : { QStringLiteral("kwriteconfig6"), QStringLiteral("kwriteconfig5") }) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            continue;
        return runTool(tool,
            { QStringLiteral("--file"), QStringLiteral("kscreenlockerrc"), QStringLiteral("--group"),
                QStringLiteral("Greeter"), QStringLiteral("--group"), QStringLiteral("Wallpaper"),
                QStringLiteral("--group"), QStringLiteral("org.kde.image"), QStringLiteral("--group"),
                QStringLiteral("General"), QStringLiteral("--key"), QStringLiteral("Image"), uri },
            error);
    }
    return writeKdeLockScreenFile(uri, error);
}

} // namespace

bool lockScreenSupported(QString *whyNot)
{
    const DesktopKind kind = detectDesktop(QProcessEnvironment::systemEnvironment());
    if (kind == DesktopKind::Gnome || kind == DesktopKind::Kde)
        return true;
    if (whyNot)
        *whyNot = QStringLiteral("The lock screen of this desktop (%1) cannot be set by Fotoria.")
                      .arg(desktopTitle(kind));
    return false;
}

bool setLockScreenPicture(const QString &imagePath, QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    if (!lockScreenSupported(error))
        return false;
    static QMutex mutex;
    QMutexLocker locker(&mutex);

    QByteArray bytes;
    QImage image;
    QByteArray format;
    if (!wallpaper::loadPicture(imagePath, &bytes, &image, &format, error))
        return false;
    // Two names in turn, as for the wallpaper: the lock screen ignores a change that keeps the name.
    wallpaper::WallpaperCopy copy(
        QFileInfo(wallpaper::WallpaperCopy::defaultFolder()).path() + QStringLiteral("/lockscreen"));
    if (!copy.write(bytes, format, image, false, error))
        return false;
    const QString uri = wallpaper::fileUri(copy.path());
    const bool set = detectDesktop(QProcessEnvironment::systemEnvironment()) == DesktopKind::Kde
        ? setKdeLockScreen(uri, error)
        : runTool(QStringLiteral("gsettings"),
            { QStringLiteral("set"), QStringLiteral("org.gnome.desktop.screensaver"),
                QStringLiteral("picture-uri"), wallpaper::gvariantString(uri) },
            error);
    if (!set) {
        copy.discard();
        return false;
    }
    copy.commit();
    return true;
}

} // namespace platform
