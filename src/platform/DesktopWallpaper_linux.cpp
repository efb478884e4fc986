#include "DesktopWallpaper.h"

#include "RootWindowWallpaper_linux.h"
#include "WallpaperCopy_linux.h"
#include "WallpaperTools.h"
#include "XDesktopInfo_linux.h"

#include <QBuffer>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDBusMessage>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <functional>

namespace platform {

namespace {

using wallpaper::runTool;

// One change at a time: the two copy names and Xlib's error handler are shared.
QMutex g_changeMutex;

using wallpaper::fileUri;
using wallpaper::gvariantString;

bool gsettingsSet(const QString &schema, const QString &key, const QString &value, QString *error)
{
    return runTool(QStringLiteral("gsettings"), { QStringLiteral("set"), schema, key, value }, error);
}

// The picture mode the user had before we spanned a picture over the
// monitors, kept until a single picture comes again.
QString spanNote(const QString &desktop)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Fotoria/")
        + desktop + QStringLiteral(".picture-mode");
}

void rememberMode(const QString &desktop, const QString &mode)
{
    QSaveFile note(spanNote(desktop));
    if (!QDir().mkpath(QFileInfo(note.fileName()).path()) || !note.open(QIODevice::WriteOnly)
        || note.write(mode.toUtf8()) < 0 || !note.commit())
        qDebug().noquote() << "cannot keep the picture mode to restore later:" << note.fileName();
}

// The mode to go back to after a spanned picture; empty when there is none.
QString takeRememberedMode(const QString &desktop)
{
    QFile note(spanNote(desktop));
    if (!note.open(QIODevice::ReadOnly))
        return QString();
    const QString mode = QString::fromUtf8(note.readAll()).trimmed();
    note.remove();
    return mode;
}

QString pictureMode(const QString &schema)
{
    QString error;
    QString mode;
    runTool(QStringLiteral("gsettings"), { QStringLiteral("get"), schema, QStringLiteral("picture-options") },
        &error, &mode);
    return mode.trimmed();
}

// A background mode of 'none' would hide the picture we just set, and the
// mode 'spanned' we chose for a picture per monitor would stretch this one.
void showPictureIfHidden(const QString &schema)
{
    QString error;
    const QString mode = pictureMode(schema);
    const QString before = mode == QLatin1String("'spanned'") ? takeRememberedMode(schema) : QString();
    if (!before.isEmpty())
        gsettingsSet(schema, QStringLiteral("picture-options"), before, &error);
    else if (mode == QLatin1String("'none'"))
        gsettingsSet(schema, QStringLiteral("picture-options"), QStringLiteral("'zoom'"), &error);
}

bool spanPicture(const QString &schema, QString *error)
{
    const QString mode = pictureMode(schema);
    if (mode == QLatin1String("'spanned'"))
        return true;
    if (!gsettingsSet(schema, QStringLiteral("picture-options"), QStringLiteral("'spanned'"), error))
        return false;
    rememberMode(schema, mode.isEmpty() || mode == QLatin1String("'none'") ? QStringLiteral("'zoom'") : mode);
    return true;
}

// A picture spanned over all monitors, or one shown on each.
bool placePicture(const QString &schema, bool span, QString *error)
{
    if (span)
        return spanPicture(schema, error);
    showPictureIfHidden(schema);
    return true;
}

bool setGnome(const QString &file, QString *error, bool span = false)
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
    return placePicture(schema, span, error);
}

bool setCinnamon(const QString &file, QString *error, bool span = false)
{
    const QString schema = QStringLiteral("org.cinnamon.desktop.background");
    if (!gsettingsSet(schema, QStringLiteral("picture-uri"), gvariantString(fileUri(file)), error))
        return false;
    return placePicture(schema, span, error);
}

bool setMate(const QString &file, QString *error, bool span = false)
{
    const QString schema = QStringLiteral("org.mate.background");
    if (!gsettingsSet(schema, QStringLiteral("picture-filename"), gvariantString(file), error))
        return false;
    return placePicture(schema, span, error);
}

// pcmanfm keeps the mode it was given; 'screen' spans the picture over the
// whole X screen.
bool setLxde(const QString &file, QString *error, bool span = false)
{
    const QString lxde = QStringLiteral("pcmanfm");
    QStringList arguments { QStringLiteral("--set-wallpaper"), file };
    const QString before = span ? QString() : takeRememberedMode(lxde);
    if (span || !before.isEmpty())
        arguments << QStringLiteral("--wallpaper-mode=") + (span ? QStringLiteral("screen") : before);
    if (!runTool(lxde, arguments, error))
        return false;
    // Its earlier mode is unknown to us; crop covers each monitor as before.
    if (span && !QFile::exists(spanNote(lxde)))
        rememberMode(lxde, QStringLiteral("crop"));
    return true;
}

// xfdesktop reads /backdrop/screen0/monitor<NAME>/workspace<N>/last-image
// and writes its keys only once it has drawn, so a fresh session may lack
// them: the current workspace's key of every monitor is created when missing,
// and every other picture key already there is pointed at the picture too.
// Each lit monitor gets a copy that covers exactly its own size, so that it
// looks right whatever picture style the user chose.
// `ownPicture` gives the picture a monitor gets instead of the copy (a null
// one: the copy itself).
using MonitorPictureOf = std::function<QImage(const wallpaper::XMonitor &)>;

// XFCE's settings store, xfconfd, answers on the session bus in a fraction
// of the time a run of its command-line tool takes; the tool serves where
// the bus does not reach it.
class Xfconf
{
public:
    // Every key of the channel with its value as text.
    bool list(QHash<QString, QString> *values, QString *error)
    {
        // Named after the bus: a test starts one session after another.
        m_bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
            QStringLiteral("fotoria-xfconf ") + qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
        const QDBusMessage reply = call(QStringLiteral("GetAllProperties"), { m_channel, QStringLiteral("/") });
        m_viaBus = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
        if (m_viaBus) {
            const QVariantMap map = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
            for (auto it = map.cbegin(); it != map.cend(); ++it)
                values->insert(it.key(), it.value().toString());
            return true;
        }
        QString listing;
        if (!runTool(m_tool, { QStringLiteral("-c"), m_channel, QStringLiteral("-l"), QStringLiteral("-v") }, error,
                &listing))
            return false;
        const QStringList lines = listing.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &line : lines) {
            const QString key = line.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
            values->insert(key, line.mid(line.indexOf(key) + key.size()).trimmed());
        }
        return true;
    }

    // Sets a text key, made when `create`; the way list() found in.
    bool set(const QString &key, const QString &value, bool create, QString *error)
    {
        if (!m_viaBus) {
            QStringList arguments { QStringLiteral("-c"), m_channel, QStringLiteral("-p"), key };
            if (create)
                arguments << QStringLiteral("-n") << QStringLiteral("-t") << QStringLiteral("string");
            return runTool(m_tool, arguments << QStringLiteral("-s") << value, error);
        }
        const QDBusMessage reply
            = call(QStringLiteral("SetProperty"), { m_channel, key, QVariant::fromValue(QDBusVariant(value)) });
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
        *error = QStringLiteral("the XFCE settings store refused %1: %2").arg(key, reply.errorMessage());
        return false;
    }

private:
    QDBusMessage call(const QString &method, const QVariantList &arguments) const
    {
        QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.xfce.Xfconf"),
            QStringLiteral("/org/xfce/Xfconf"), QStringLiteral("org.xfce.Xfconf"), method);
        message.setArguments(arguments);
        return m_bus.isConnected() ? m_bus.call(message, QDBus::Block, wallpaper::toolTimeout()) : QDBusMessage();
    }

    const QString m_tool = QStringLiteral("xfconf-query");
    const QString m_channel = QStringLiteral("xfce4-desktop");
    QDBusConnection m_bus { QString() };
    bool m_viaBus = false;
};

bool setXfce(wallpaper::WallpaperCopy &copy, const MonitorPictureOf &ownPicture, QString *error)
{
    Xfconf xfconf;
    QHash<QString, QString> values;
    if (!xfconf.list(&values, error))
        return false;

    const QString monitorPrefix = QStringLiteral("/backdrop/screen0/monitor");
    // Without an X display (XFCE on Wayland) the keys already there must do.
    wallpaper::XDesktopInfo desktop;
    QString noDisplay;
    wallpaper::readXDesktopInfo(&desktop, &noDisplay);
    QHash<QString, QString> pictureOf; // monitor name -> its own copy
    QStringList monitors;
    for (const wallpaper::XMonitor &monitor : std::as_const(desktop.monitors)) {
        monitors.append(monitor.name);
        if (pictureOf.contains(monitor.name))
            continue;
        const QImage own = ownPicture(monitor);
        if (own.isNull())
            continue;
        const QString variant = copy.writeVariant(monitor.name, own, error);
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
    for (const QString &monitor : std::as_const(monitors)) {
        const QString key
            = monitorPrefix + monitor + QStringLiteral("/workspace%1/last-image").arg(workspace);
        if (!keys.contains(key))
            keys.append(key);
    }
    if (keys.isEmpty()) {
        *error = QStringLiteral("the XFCE desktop has no monitors to set the wallpaper of");
        return false;
    }
    for (const QString &key : std::as_const(keys)) {
        const QString monitor = key.mid(monitorPrefix.size()).section(QLatin1Char('/'), 0, 0);
        if (!xfconf.set(key, pictureOf.value(monitor, copy.path()), !values.contains(key), error))
            return false;
    }
    return true;
}

bool runPlasmaScript(const QString &script, QString *error);

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

// Each screen's desktop gets the picture made for the monitor at its place
// (the primary's when none is); `pictures` is a JSON array of {x, y, uri}.
QString plasmaScreensScript(const QJsonArray &pictures)
{
    return QStringLiteral("var pictures = %1;\n"
                          "var changed = 0;\n"
                          "for (var i = 0; i < screenCount; i++) {\n"
                          "    var d = desktopForScreen(i);\n"
                          "    if (!d || d.wallpaperPlugin != 'org.kde.image')\n"
                          "        continue;\n"
                          "    var g = screenGeometry(i);\n"
                          "    var uri = pictures[0].uri;\n"
                          "    for (var j = 0; j < pictures.length; j++) {\n"
                          "        if (pictures[j].x == g.x && pictures[j].y == g.y)\n"
                          "            uri = pictures[j].uri;\n"
                          "    }\n"
                          "    d.currentConfigGroup = ['Wallpaper', 'org.kde.image', 'General'];\n"
                          "    d.writeConfig('Image', uri);\n"
                          "    changed++;\n"
                          "}\n"
                          "print(changed);\n")
        .arg(QString::fromUtf8(QJsonDocument(pictures).toJson(QJsonDocument::Compact)));
}

bool setKde(const QString &file, QString *error)
{
    return runPlasmaScript(plasmaScript(file), error);
}

bool runPlasmaScript(const QString &script, QString *error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        *error = QStringLiteral("cannot reach the KDE desktop: no D-Bus session bus");
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.kde.plasmashell"),
        QStringLiteral("/PlasmaShell"), QStringLiteral("org.kde.PlasmaShell"),
        QStringLiteral("evaluateScript"));
    call << script;
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

// `output` is an output's name, or * for all.
bool setSwayOutput(const QString &output, const QString &file, QString *error)
{
    // wordexp() drops an escaped line break and refuses a bare one;
    // sway would show an error bar while swaymsg reports success.
    if (std::any_of(file.cbegin(), file.cend(), [](QChar c) { return c.unicode() < 32; })) {
        *error = QStringLiteral("sway cannot be given a picture whose path holds a line break "
                                "or another control character: %1")
                     .arg(file);
        return false;
    }
    return runTool(QStringLiteral("swaymsg"),
        { QStringLiteral("output"),
            output == QLatin1String("*") ? output : QLatin1Char('"') + output + QLatin1Char('"'),
            QStringLiteral("bg"), swayQuoted(file), QStringLiteral("fill") },
        error);
}

// sway's active outputs, in device pixels, placed where sway puts them.
QVector<DesktopMonitor> swayOutputs()
{
    QString error;
    QString listing;
    QVector<DesktopMonitor> monitors;
    if (!runTool(QStringLiteral("swaymsg"),
            { QStringLiteral("-r"), QStringLiteral("-t"), QStringLiteral("get_outputs") }, &error,
            &listing)) {
        qDebug().noquote() << "cannot read sway's outputs:" << error;
        return monitors;
    }
    const QJsonArray outputs = QJsonDocument::fromJson(listing.toUtf8()).array();
    for (const QJsonValue &value : outputs) {
        const QJsonObject output = value.toObject();
        const QJsonObject rect = output.value(QStringLiteral("rect")).toObject();
        const double scale = output.value(QStringLiteral("scale")).toDouble(1.0);
        if (!output.value(QStringLiteral("active")).toBool() || scale <= 0)
            continue;
        const QRect geometry(rect.value(QStringLiteral("x")).toInt(), rect.value(QStringLiteral("y")).toInt(),
            qRound(rect.value(QStringLiteral("width")).toInt() * scale),
            qRound(rect.value(QStringLiteral("height")).toInt() * scale));
        if (!geometry.isEmpty())
            monitors.append({ output.value(QStringLiteral("name")).toString(), geometry, false });
    }
    return monitors;
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
        return setXfce(
            copy,
            [&](const wallpaper::XMonitor &monitor) {
                const QSize size = monitor.geometry.size();
                return size == image.size()
                    ? QImage()
                    : wallpaper::coverImage(image, size.width(), size.height(), keepInView);
            },
            error);
    case DesktopKind::Kde:
        return setKde(file, error);
    case DesktopKind::Lxde:
        return setLxde(file, error);
    case DesktopKind::Lxqt:
        return setLxqt(file, error);
    case DesktopKind::Sway:
        return setSwayOutput(QStringLiteral("*"), file, error);
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

// GNOME, Cinnamon, MATE and LXDE show one picture over all monitors.
bool spansMonitors(DesktopKind kind)
{
    return kind == DesktopKind::Gnome || kind == DesktopKind::Cinnamon || kind == DesktopKind::Mate
        || kind == DesktopKind::Lxde;
}

QByteArray bitmapBytes(const QImage &image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "bmp");
    return data;
}

// The copy holds the primary's picture; every other monitor gets a file of its own beside it.
QString monitorFile(
    wallpaper::WallpaperCopy &copy, const QList<MonitorPicture> &pictures, int index, QString *error)
{
    if (index == 0)
        return copy.path();
    const QString &name = pictures.at(index).monitor.name;
    return copy.writeVariant(name.isEmpty() ? QString::number(index) : name, pictures.at(index).image, error);
}

// XFCE, KDE Plasma and sway take a picture per monitor.
bool installEachMonitor(
    DesktopKind kind, wallpaper::WallpaperCopy &copy, const QList<MonitorPicture> &pictures, QString *error)
{
    if (kind == DesktopKind::Xfce) {
        const QImage &primary = pictures.first().image;
        return setXfce(
            copy,
            [&](const wallpaper::XMonitor &monitor) {
                for (int i = 0; i < pictures.size(); ++i) {
                    if (pictures.at(i).monitor.name == monitor.name)
                        return i == 0 ? QImage() : pictures.at(i).image;
                }
                // A monitor lit since the pictures were made shows the primary's.
                const QSize size = monitor.geometry.size();
                return size == primary.size() ? QImage()
                                              : wallpaper::coverImage(primary, size.width(), size.height());
            },
            error);
    }
    QJsonArray plasma;
    for (int i = 0; i < pictures.size(); ++i) {
        const QString file = monitorFile(copy, pictures, i, error);
        if (file.isEmpty())
            return false;
        const QRect &geometry = pictures.at(i).monitor.geometry;
        if (kind == DesktopKind::Sway && !setSwayOutput(pictures.at(i).monitor.name, file, error))
            return false;
        plasma.append(QJsonObject { { QStringLiteral("x"), geometry.x() },
            { QStringLiteral("y"), geometry.y() }, { QStringLiteral("uri"), fileUri(file) } });
    }
    return kind == DesktopKind::Sway || runPlasmaScript(plasmaScreensScript(plasma), error);
}

} // namespace

QVector<DesktopMonitor> desktopMonitors()
{
    QVector<DesktopMonitor> monitors;
    if (detectDesktop(QProcessEnvironment::systemEnvironment()) == DesktopKind::Sway) {
        monitors = swayOutputs();
    } else {
        wallpaper::XDesktopInfo desktop;
        QString error;
        if (!wallpaper::readXDesktopInfo(&desktop, &error))
            qDebug().noquote() << error;
        for (const wallpaper::XMonitor &monitor : std::as_const(desktop.monitors))
            monitors.append({ monitor.name, monitor.geometry, monitor.primary });
    }
    std::stable_partition(
        monitors.begin(), monitors.end(), [](const DesktopMonitor &monitor) { return monitor.primary; });
    return monitors;
}

bool setDesktopWallpapers(
    const QList<MonitorPicture> &pictures, const QString &commandOverride, QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    error->clear();
    if (pictures.isEmpty() || std::any_of(pictures.cbegin(), pictures.cend(), [](const MonitorPicture &p) {
            return p.image.isNull();
        })) {
        *error = QStringLiteral("no picture for every monitor");
        return false;
    }
    QMutexLocker locker(&g_changeMutex);

    const bool useCommand = !commandOverride.trimmed().isEmpty();
    const DesktopKind kind
        = useCommand ? DesktopKind::RootWindow : detectDesktop(QProcessEnvironment::systemEnvironment());
    if (!useCommand && kind == DesktopKind::RootWindow)
        return wallpaper::setRootWindowWallpapers(pictures, error);

    // The user's command gets one picture too: the spanned one.
    const bool span = useCommand || spansMonitors(kind);
    const QImage image = span ? wallpaper::desktopPicture(pictures, wallpaper::desktopArea(pictures))
                              : pictures.first().image;
    wallpaper::WallpaperCopy copy;
    if (!copy.write(bitmapBytes(image), "bmp", image, kind == DesktopKind::Sway, error))
        return false;
    const QString file = copy.path();
    bool installed = false;
    if (useCommand)
        installed = wallpaper::runCommandOverride(commandOverride, file, error);
    else if (kind == DesktopKind::Gnome)
        installed = setGnome(file, error, true);
    else if (kind == DesktopKind::Cinnamon)
        installed = setCinnamon(file, error, true);
    else if (kind == DesktopKind::Mate)
        installed = setMate(file, error, true);
    else if (kind == DesktopKind::Lxde)
        installed = setLxde(file, error, true);
    else if (kind == DesktopKind::Xfce || kind == DesktopKind::Kde || kind == DesktopKind::Sway)
        installed = installEachMonitor(kind, copy, pictures, error);
    else // LXQt (pcmanfm-qt neither spans nor takes a picture per monitor) and the rest
        installed = installOnDesktop(kind, copy, image, Qt::AlignCenter, error);
    if (!installed) {
        copy.discard();
        return false;
    }
    copy.commit();
    qDebug() << "a picture per monitor set on"
             << (useCommand ? QStringLiteral("the user's command") : desktopKindName(kind)) << "from" << file;
    return true;
}

bool setDesktopWallpaper(
    const QString &imagePath, const QString &commandOverride, QString *error, Qt::Alignment keepInView)
{
    QString ignored;
    if (!error)
        error = &ignored;
    error->clear();

    QMutexLocker locker(&g_changeMutex);

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
