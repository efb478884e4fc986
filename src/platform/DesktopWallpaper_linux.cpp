#include "DesktopWallpaper.h"

#include "RootWindowWallpaper_linux.h"
#include "WallpaperCopy_linux.h"
#include "WallpaperTools.h"
#include "XDesktopInfo_linux.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDebug>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

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
// and every other picture key already there is pointed at the picture too.
// Each lit monitor gets a copy that covers exactly its own size, so that it
// looks right whatever picture style the user chose.
bool setXfce(wallpaper::WallpaperCopy &copy, const QImage &image, Qt::Alignment keep, QString *error)
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
    QHash<QString, QString> pictureOf; // monitor name -> its own copy
    QStringList monitors;
    for (const wallpaper::XMonitor &monitor : qAsConst(desktop.monitors)) {
        monitors.append(monitor.name);
        const QSize size = monitor.geometry.size();
        if (size == image.size() || pictureOf.contains(monitor.name))
            continue;
        const QString variant = copy.writeVariant(
            monitor.name, wallpaper::coverImage(image, size.width(), size.height(), keep), error);
        if (variant.isEmpty())
            return false;
        pictureOf.insert(monitor.name, variant);
    }
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
        const QString monitor = key.mid(monitorPrefix.size()).section(QLatin1Char('/'), 0, 0);
        QStringList arguments { QStringLiteral("-c"), channel, QStringLiteral("-p"), key };
        if (!values.contains(key))
            arguments << QStringLiteral("-n") << QStringLiteral("-t") << QStringLiteral("string");
        arguments << QStringLiteral("-s") << pictureOf.value(monitor, copy.path());
        if (!runTool(tool, arguments, error))
            return false;
    }
    return true;
}

// Only desktops already showing a picture are changed: a colour or slideshow
// desktop is the user's choice. The script prints how many it changed.
QString plasmaScript(const QString &file)
{
    // The URI goes in as a JSON string literal, which is also valid script.
    const QString quotedUri = QString::fromUtf8(
        QJsonDocument(QJsonArray { fileUri(file) }).toJson(QJsonDocument::Compact).mid(1).chopped(1));
    return QStringLiteral("var all = desktops();\n"
                          "var changed = 0;\n"
                          "for (var i = 0; i < all.length; i++) {\n"
                          "    var d = all[i];\n"
                          "    if (d.wallpaperPlugin != 'org.kde.image')\n"
                          "        continue;\n"
                          "    d.currentConfigGroup = ['Wallpaper', 'org.kde.image', 'General'];\n"
                          "    d.writeConfig('Image', %1);\n"
                          "    changed++;\n"
                          "}\n"
                          "print(changed);\n")
        .arg(quotedUri);
}

bool setKde(const QString &file, QString *error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        *error = QStringLiteral("cannot reach the KDE desktop: no D-Bus session bus");
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.kde.plasmashell"),
        QStringLiteral("/PlasmaShell"), QStringLiteral("org.kde.PlasmaShell"),
        QStringLiteral("evaluateScript"));
    call << plasmaScript(file);
    const QDBusMessage reply = bus.call(call, QDBus::Block, wallpaper::toolTimeout());
    if (reply.type() != QDBusMessage::ReplyMessage) {
        if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown"))
            *error = QStringLiteral("cannot reach the KDE desktop: plasmashell is not running");
        else
            *error = QStringLiteral("the KDE desktop refused the wallpaper: %1").arg(reply.errorMessage());
        return false;
    }
    // A Plasma whose evaluateScript answers nothing cannot tell; trust it.
    if (reply.arguments().isEmpty())
        return true;
    // Our count is the last line printed; anything before it is Plasma's own.
    const QString printed
        = reply.arguments().constFirst().toString().trimmed().section(QLatin1Char('\n'), -1).trimmed();
    bool isNumber = false;
    const int changed = printed.toInt(&isNumber);
    if (!isNumber) {
        *error = QStringLiteral("the KDE desktop gave an unexpected answer: %1").arg(printed);
        return false;
    }
    if (changed == 0) {
        *error = QStringLiteral("no KDE desktop shows a picture wallpaper (they use a colour, slideshow or "
                                "other wallpaper type), so none was changed");
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

// sway hands the path of "output bg" to wordexp(), which would expand $,
// ~, * and quotes and refuses ; | & and the like: every ASCII character
// other than letters, digits and / . _ - is escaped. The double quotes keep
// the path one argument when swaymsg joins its arguments into a command.
QString swayQuoted(const QString &path)
{
    QString quoted;
    for (const QChar c : path) {
        const ushort u = c.unicode();
        const bool plain = u > 127 || c.isLetterOrNumber() || u == '/' || u == '.' || u == '_' || u == '-';
        if (!plain)
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool installOnDesktop(DesktopKind kind, wallpaper::WallpaperCopy &copy, const QImage &image,
    Qt::Alignment keepInView, QString *error)
{
    const QString file = copy.path();
    switch (kind) {
    case DesktopKind::Gnome:
        return setGnome(file, error);
    case DesktopKind::Cinnamon:
        return setCinnamon(file, error);
    case DesktopKind::Mate:
        return setMate(file, error);
    case DesktopKind::Xfce:
        return setXfce(copy, image, keepInView, error);
    case DesktopKind::Kde:
        return setKde(file, error);
    case DesktopKind::Lxde:
        return runTool(QStringLiteral("pcmanfm"), { QStringLiteral("--set-wallpaper"), file }, error);
    case DesktopKind::Lxqt:
        return setLxqt(file, error);
    case DesktopKind::Sway:
        // wordexp() drops an escaped line break and refuses a bare one;
        // sway would show an error bar while swaymsg reports success.
        if (std::any_of(file.cbegin(), file.cend(), [](QChar c) { return c.unicode() < 32; })) {
            *error = QStringLiteral("sway cannot be given a picture whose path holds a line break "
                                    "or another control character: %1")
                         .arg(file);
            return false;
        }
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

bool setDesktopWallpaper(
    const QString &imagePath, const QString &commandOverride, QString *error, Qt::Alignment keepInView)
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
        return wallpaper::setRootWindowWallpaper(image, keepInView, error);

    wallpaper::WallpaperCopy copy;
    if (!copy.write(bytes, format, image, kind == DesktopKind::Sway, error))
        return false;
    const bool installed = useCommand ? wallpaper::runCommandOverride(commandOverride, copy.path(), error)
                                      : installOnDesktop(kind, copy, image, keepInView, error);
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
