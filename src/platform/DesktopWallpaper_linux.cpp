#include "DesktopWallpaper.h"

#include "RootWindowWallpaper_linux.h"
#include "WallpaperCopy_linux.h"
#include "WallpaperTools.h"
#include "XDesktopInfo_linux.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDebug>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

namespace platform {

namespace {

using wallpaper::runTool;

// A GVariant text literal, as gsettings parses its value argument.
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

bool gsettingsSet(const QString &schema, const QString &key, const QString &value, QString *error)
{
    return runTool(QStringLiteral("gsettings"), { QStringLiteral("set"), schema, key, value }, error);
}

// A background mode of 'none' would hide the picture we just set.
void showPictureIfHidden(const QString &schema)
{
    QString error;
    QString mode;
    if (!runTool(QStringLiteral("gsettings"),
            { QStringLiteral("get"), schema, QStringLiteral("picture-options") }, &error, &mode))
        return;
    if (mode.trimmed() == QLatin1String("'none'"))
        gsettingsSet(schema, QStringLiteral("picture-options"), QStringLiteral("'zoom'"), &error);
}

bool setGnome(const QString &file, QString *error)
{
    const QString schema = QStringLiteral("org.gnome.desktop.background");
    QString keys;
    if (!runTool(QStringLiteral("gsettings"), { QStringLiteral("list-keys"), schema }, error, &keys))
        return false;
    const QString uri = gvariantString(fileUri(file));
    if (!gsettingsSet(schema, QStringLiteral("picture-uri"), uri, error))
        return false;
    // The dark-style picture exists since GNOME 42; older schemas lack it.
    if (keys.split(QLatin1Char('\n')).contains(QStringLiteral("picture-uri-dark"))
        && !gsettingsSet(schema, QStringLiteral("picture-uri-dark"), uri, error))
        return false;
    showPictureIfHidden(schema);
    return true;
}

bool setCinnamon(const QString &file, QString *error)
{
    const QString schema = QStringLiteral("org.cinnamon.desktop.background");
    if (!gsettingsSet(schema, QStringLiteral("picture-uri"), gvariantString(fileUri(file)), error))
        return false;
    showPictureIfHidden(schema);
    return true;
}

bool setMate(const QString &file, QString *error)
{
    const QString schema = QStringLiteral("org.mate.background");
    if (!gsettingsSet(schema, QStringLiteral("picture-filename"), gvariantString(file), error))
        return false;
    showPictureIfHidden(schema);
    return true;
}

// xfdesktop reads /backdrop/screen0/monitor<NAME>/workspace<N>/last-image
// and writes its keys only once it has drawn, so a fresh session may lack
// them: the current workspace's key of every monitor is created when missing,
// and every other picture key already there is pointed at the file too.
bool setXfce(const QString &file, QString *error)
{
    const QString tool = QStringLiteral("xfconf-query");
    const QString channel = QStringLiteral("xfce4-desktop");
    QString listing;
    if (!runTool(tool, { QStringLiteral("-c"), channel, QStringLiteral("-l"), QStringLiteral("-v") }, error,
            &listing))
        return false;
    QHash<QString, QString> values;
    const QStringList lines = listing.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QString key = line.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
        values.insert(key, line.mid(line.indexOf(key) + key.size()).trimmed());
    }

    const QString monitorPrefix = QStringLiteral("/backdrop/screen0/monitor");
    // Without an X display (XFCE on Wayland) the keys already there must do.
    wallpaper::XDesktopInfo desktop;
    QString noDisplay;
    wallpaper::readXDesktopInfo(&desktop, &noDisplay);
    QStringList monitors = desktop.monitors;
    QStringList keys;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (!it.key().startsWith(monitorPrefix))
            continue;
        const QString monitor = it.key().mid(monitorPrefix.size()).section(QLatin1Char('/'), 0, 0);
        if (!monitors.contains(monitor))
            monitors.append(monitor);
        if (it.key().endsWith(QLatin1String("/last-image")))
            keys.append(it.key());
    }
    int workspace = desktop.workspace;
    if (values.value(QStringLiteral("/backdrop/single-workspace-mode")) == QLatin1String("true"))
        workspace = values.value(QStringLiteral("/backdrop/single-workspace-number")).toInt();
    for (const QString &monitor : qAsConst(monitors)) {
        const QString key
            = monitorPrefix + monitor + QStringLiteral("/workspace%1/last-image").arg(workspace);
        if (!keys.contains(key))
            keys.append(key);
    }
    if (keys.isEmpty()) {
        *error = QStringLiteral("the XFCE desktop has no monitors to set the wallpaper of");
        return false;
    }
    for (const QString &key : qAsConst(keys)) {
        QStringList arguments { QStringLiteral("-c"), channel, QStringLiteral("-p"), key };
        if (!values.contains(key))
            arguments << QStringLiteral("-n") << QStringLiteral("-t") << QStringLiteral("string");
        arguments << QStringLiteral("-s") << file;
        if (!runTool(tool, arguments, error))
            return false;
    }
    return true;
}

bool setKde(const QString &file, QString *error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        *error = QStringLiteral("cannot reach the KDE desktop: no D-Bus session bus");
        return false;
    }
    // The path goes in as a JSON string literal, which is also valid script.
    const QString quotedUri = QString::fromUtf8(
        QJsonDocument(QJsonArray { fileUri(file) }).toJson(QJsonDocument::Compact).mid(1).chopped(1));
    const QString script
        = QStringLiteral("var all = desktops();\n"
                         "for (var i = 0; i < all.length; i++) {\n"
                         "    var d = all[i];\n"
                         "    d.wallpaperPlugin = 'org.kde.image';\n"
                         "    d.currentConfigGroup = ['Wallpaper', 'org.kde.image', 'General'];\n"
                         "    d.writeConfig('Image', %1);\n"
                         "}\n")
              .arg(quotedUri);
    QDBusInterface shell(QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
        QStringLiteral("org.kde.PlasmaShell"), bus);
    shell.setTimeout(wallpaper::toolTimeout());
    const QDBusMessage reply = shell.call(QStringLiteral("evaluateScript"), script);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        *error = QStringLiteral("the KDE desktop refused the wallpaper: %1").arg(reply.errorMessage());
        return false;
    }
    return true;
}

// The LXQt desktop runs pcmanfm-qt with its "lxqt" profile, where a mode of
// 'none' shows the colour only. The mode given on the command line is never
// saved, so it goes along with every change while the profile hides the
// picture.
bool setLxqt(const QString &file, QString *error)
{
    const QSettings profile(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/pcmanfm-qt/lxqt/settings.conf"),
        QSettings::IniFormat);
    const QString mode = profile.value(QStringLiteral("Desktop/WallpaperMode")).toString();
    QStringList arguments { QStringLiteral("--set-wallpaper"), file };
    if (mode.isEmpty() || mode == QLatin1String("none"))
        arguments << QStringLiteral("--wallpaper-mode=stretch");
    return runTool(QStringLiteral("pcmanfm-qt"), arguments, error);
}

// sway reads its command from the joined arguments, so the path is quoted.
QString swayQuoted(const QString &path)
{
    QString quoted = path;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool installOnDesktop(DesktopKind kind, const QString &file, QString *error)
{
    switch (kind) {
    case DesktopKind::Gnome:
        return setGnome(file, error);
    case DesktopKind::Cinnamon:
        return setCinnamon(file, error);
    case DesktopKind::Mate:
        return setMate(file, error);
    case DesktopKind::Xfce:
        return setXfce(file, error);
    case DesktopKind::Kde:
        return setKde(file, error);
    case DesktopKind::Lxde:
        return runTool(QStringLiteral("pcmanfm"), { QStringLiteral("--set-wallpaper"), file }, error);
    case DesktopKind::Lxqt:
        return setLxqt(file, error);
    case DesktopKind::Sway:
        return runTool(QStringLiteral("swaymsg"),
            { QStringLiteral("output"), QStringLiteral("*"), QStringLiteral("bg"), swayQuoted(file),
                QStringLiteral("fill") },
            error);
    case DesktopKind::UnknownWayland:
        *error = QStringLiteral("this Wayland desktop is not one we know how to set the wallpaper of "
                                "(the X11 root window is not shown under Wayland)");
        return false;
    case DesktopKind::RootWindow:
        break;
    }
    *error = QStringLiteral("no way to set the wallpaper of this desktop");
    return false;
}

} // namespace

bool setDesktopWallpaper(const QString &imagePath, const QString &commandOverride, QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    error->clear();

    // One change at a time: the two copy names and Xlib's error handler are shared.
    static QMutex mutex;
    QMutexLocker locker(&mutex);

    QByteArray bytes;
    QImage image;
    QByteArray format;
    if (!wallpaper::loadPicture(imagePath, &bytes, &image, &format, error))
        return false;

    const bool useCommand = !commandOverride.trimmed().isEmpty();
    const DesktopKind kind
        = useCommand ? DesktopKind::RootWindow : detectDesktop(QProcessEnvironment::systemEnvironment());

    if (!useCommand && kind == DesktopKind::RootWindow)
        return wallpaper::setRootWindowWallpaper(image, error);

    wallpaper::WallpaperCopy copy;
    if (!copy.write(bytes, format, image, kind == DesktopKind::Sway, error))
        return false;
    const bool installed = useCommand ? wallpaper::runCommandOverride(commandOverride, copy.path(), error)
                                      : installOnDesktop(kind, copy.path(), error);
    if (!installed) {
        copy.discard();
        return false;
    }
    copy.commit();
    qDebug() << "wallpaper set on"
             << (useCommand ? QStringLiteral("the user's command") : desktopKindName(kind)) << "from"
             << copy.path();
    return true;
}

} // namespace platform
