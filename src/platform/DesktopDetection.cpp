#include "DesktopWallpaper.h"

#include <QHash>
#include <QStringList>

namespace platform {

namespace {

// Matches one desktop name as the desktops spell it in XDG_CURRENT_DESKTOP or
// DESKTOP_SESSION ("X-Cinnamon", "ubuntu", "plasmawayland", "LXQt").
bool kindFromName(const QString &rawName, DesktopKind *kind)
{
    const QString name = rawName.trimmed().toLower();
    if (name.isEmpty())
        return false;
    // Order matters where one name holds another: "cinnamon" sessions may
    // also mention gnome, and "lxqt" must not fall through to "lxde".
    struct Rule
    {
        const char *needle;
        DesktopKind kind;
    };
    static const Rule rules[] = {
        { "cinnamon", DesktopKind::Cinnamon },
        { "mate", DesktopKind::Mate },
        { "xfce", DesktopKind::Xfce },
        { "kde", DesktopKind::Kde },
        { "plasma", DesktopKind::Kde },
        { "lxqt", DesktopKind::Lxqt },
        { "lxde", DesktopKind::Lxde },
        { "sway", DesktopKind::Sway },
        { "gnome", DesktopKind::Gnome },
        { "unity", DesktopKind::Gnome },
        { "budgie", DesktopKind::Gnome },
        { "ubuntu", DesktopKind::Gnome },
    };
    for (const Rule &rule : rules) {
        if (name.contains(QLatin1String(rule.needle))) {
            *kind = rule.kind;
            return true;
        }
    }
    return false;
}

// XDG_CURRENT_DESKTOP is a list, most specific first ("Budgie:GNOME").
bool kindFromList(const QString &list, DesktopKind *kind)
{
    const QStringList names = list.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &name : names) {
        if (kindFromName(name, kind))
            return true;
    }
    return false;
}

// DESKTOP_SESSION holds the session file's name; only whole names count,
// since "xubuntu" or "lubuntu" hold "ubuntu" but are not GNOME.
bool kindFromSession(const QString &rawName, DesktopKind *kind)
{
    static const QHash<QString, DesktopKind> sessions = {
        { QStringLiteral("gnome"), DesktopKind::Gnome },
        { QStringLiteral("gnome-xorg"), DesktopKind::Gnome },
        { QStringLiteral("gnome-wayland"), DesktopKind::Gnome },
        { QStringLiteral("gnome-classic"), DesktopKind::Gnome },
        { QStringLiteral("ubuntu"), DesktopKind::Gnome },
        { QStringLiteral("ubuntu-xorg"), DesktopKind::Gnome },
        { QStringLiteral("ubuntu-wayland"), DesktopKind::Gnome },
        { QStringLiteral("unity"), DesktopKind::Gnome },
        { QStringLiteral("budgie-desktop"), DesktopKind::Gnome },
        { QStringLiteral("cinnamon"), DesktopKind::Cinnamon },
        { QStringLiteral("cinnamon2d"), DesktopKind::Cinnamon },
        { QStringLiteral("mate"), DesktopKind::Mate },
        { QStringLiteral("xfce"), DesktopKind::Xfce },
        { QStringLiteral("xubuntu"), DesktopKind::Xfce },
        { QStringLiteral("kde"), DesktopKind::Kde },
        { QStringLiteral("kde-plasma"), DesktopKind::Kde },
        { QStringLiteral("plasma"), DesktopKind::Kde },
        { QStringLiteral("plasmawayland"), DesktopKind::Kde },
        { QStringLiteral("kubuntu"), DesktopKind::Kde },
        { QStringLiteral("lxde"), DesktopKind::Lxde },
        { QStringLiteral("lxqt"), DesktopKind::Lxqt },
        // Lubuntu has been LXQt since 18.10.
        { QStringLiteral("lubuntu"), DesktopKind::Lxqt },
        { QStringLiteral("sway"), DesktopKind::Sway },
    };
    const auto found = sessions.constFind(rawName.trimmed().toLower());
    if (found == sessions.constEnd())
        return false;
    *kind = found.value();
    return true;
}

} // namespace

DesktopKind detectDesktop(const QProcessEnvironment &env)
{
    DesktopKind kind = DesktopKind::RootWindow;
    if (kindFromList(env.value(QStringLiteral("XDG_CURRENT_DESKTOP")), &kind))
        return kind;
    if (kindFromSession(env.value(QStringLiteral("DESKTOP_SESSION")), &kind))
        return kind;
    if (!env.value(QStringLiteral("KDE_FULL_SESSION")).isEmpty())
        return DesktopKind::Kde;
    if (!env.value(QStringLiteral("SWAYSOCK")).isEmpty())
        return DesktopKind::Sway;
    if (!env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()
        || env.value(QStringLiteral("XDG_SESSION_TYPE"))
                .compare(QLatin1String("wayland"), Qt::CaseInsensitive)
            == 0)
        return DesktopKind::UnknownWayland;
    return DesktopKind::RootWindow;
}

QString desktopKindName(DesktopKind kind)
{
    switch (kind) {
    case DesktopKind::RootWindow:
        return QStringLiteral("root window");
    case DesktopKind::Gnome:
        return QStringLiteral("gnome");
    case DesktopKind::Cinnamon:
        return QStringLiteral("cinnamon");
    case DesktopKind::Mate:
        return QStringLiteral("mate");
    case DesktopKind::Xfce:
        return QStringLiteral("xfce");
    case DesktopKind::Kde:
        return QStringLiteral("kde");
    case DesktopKind::Lxde:
        return QStringLiteral("lxde");
    case DesktopKind::Lxqt:
        return QStringLiteral("lxqt");
    case DesktopKind::Sway:
        return QStringLiteral("sway");
    case DesktopKind::UnknownWayland:
        return QStringLiteral("unknown wayland desktop");
    }
    return QString();
}

} // namespace platform
