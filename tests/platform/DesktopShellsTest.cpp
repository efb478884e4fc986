#include <platform/DesktopWallpaper.h>
#include <platform/WallpaperCopy_linux.h>

#include "DesktopTestSupport.h"
#include "TestMain.h"
#include "XRootInfo.h"

#include <QSettings>
#include <QUrl>

using platform::setDesktopWallpaper;

using namespace desktoptest;

namespace {

const QString kLxqtProfile = QStringLiteral("/pcmanfm-qt/lxqt/settings.conf");

// A setting is "schema key" for gsettings, or the LXQt profile's key.
QString settingValue(const DesktopSession &session, const QString &setting)
{
    if (setting.startsWith(QLatin1Char('/'))) {
        const QSettings profile(qEnvironmentVariable("XDG_CONFIG_HOME") + kLxqtProfile, QSettings::IniFormat);
        return profile.value(setting.mid(1)).toString();
    }
    return gvariantText(session.run(QStringLiteral("gsettings"),
        QStringList { QStringLiteral("get") } + setting.split(QLatin1Char(' '))));
}

// The one copy left, and every setting names it (as a file:// URI or a path).
void checkSettingsName(const DesktopSession &session, const QStringList &settings, bool uri, QString *copy)
{
    const QStringList copies = copyFiles();
    QCOMPARE(copies.size(), 1);
    *copy = copies.first();
    for (const QString &setting : settings) {
        const QString value = settingValue(session, setting);
        const bool isUri = value.startsWith(QLatin1String("file://"));
        const QString named = isUri ? QUrl(value).toLocalFile() : value;
        QVERIFY2(isUri == uri && named == *copy, qPrintable(setting + QStringLiteral(": ") + value));
    }
}

// The root pixmap that desktops like Cinnamon's draw their picture into
// holds the colour in the middle and near a corner.
bool rootPixmapShows(const QString &display, QRgb colour)
{
    const quint64 pixmap = rootPixmap(display, "_XROOTPMAP_ID");
    return pixmap != 0
        && showsColourAt([&](QPoint point) { return pixmapPixel(display, pixmap, point.x(), point.y()); }, colour);
}

// Writes the LXQt profile as LXQt ships it, set to show the colour only.
bool writeLxqtProfile()
{
    const QString path = qEnvironmentVariable("XDG_CONFIG_HOME") + kLxqtProfile;
    QFile shipped(QStringLiteral("/usr/share/pcmanfm-qt/lxqt/settings.conf"));
    QFile profile(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !shipped.open(QIODevice::ReadOnly)
        || !profile.open(QIODevice::WriteOnly))
        return false;
    return profile.write(shipped.readAll().replace("WallpaperMode=stretch", "WallpaperMode=none")) > 0;
}

} // namespace

class DesktopShellsTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { fotoria::test::removeTestFolder(WallpaperCopy::defaultFolder()); }

    void endToEnd_data()
    {
        QTest::addColumn<QString>("desktop");
        // Command lines of the programs that draw the desktop, in start order.
        QTest::addColumn<QStringList>("programs");
        // Shown by `xwininfo -root -tree` once the desktop window is there.
        QTest::addColumn<QString>("window");
        // "schema key value" set before the desktop starts.
        QTest::addColumn<QStringList>("presets");
        // Settings that must name the copy: "schema key", or "/Group/Key" of
        // the LXQt profile.
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<bool>("uri");

        // Without MATE's artwork caja clears the default picture it cannot
        // find, which could overwrite the first change.
        QTest::newRow("MATE") << "MATE" << QStringList { "caja -n --force-desktop" }
                              << "(\"desktop_window\" \"Caja\")"
                              << QStringList { "org.mate.background picture-filename ''" }
                              << QStringList { "org.mate.background picture-filename" } << false;
        // In Cinnamon the picture is csd-background's root pixmap, which
        // Cinnamon's own compositor shows through nemo-desktop's translucent
        // window; the pixmap is read itself (a stand-in compositor would
        // miss later changes).
        // nemo-desktop refuses to run as root (as CI runs) unless told to;
        // a picture mode of 'none' must give way to the picture.
        QTest::newRow("Cinnamon") << "X-Cinnamon" << QStringList { "csd-background", "nemo-desktop" }
                                  << "(\"nemo-desktop\" \"Nemo-desktop\")"
                                  << QStringList { "org.nemo.preferences treat-root-as-normal true",
                                         "org.cinnamon.desktop.background picture-options 'none'" }
                                  << QStringList { "org.cinnamon.desktop.background picture-uri" } << true;
        QTest::newRow("GNOME") << "GNOME" << QStringList {} << QString() << QStringList {}
                               << QStringList { "org.gnome.desktop.background picture-uri",
                                      "org.gnome.desktop.background picture-uri-dark" }
                               << true;
        QTest::newRow("LXDE") << "LXDE" << QStringList { "pcmanfm --desktop" } << "(\"pcmanfm\" \"Pcmanfm\")"
                              << QStringList {} << QStringList {} << false;
        QTest::newRow("LXQt") << "LXQt" << QStringList { "pcmanfm-qt --desktop --profile=lxqt" }
                              << "(\"pcmanfm-qt\" \"pcmanfm-qt\")" << QStringList {}
                              << QStringList { "/Desktop/Wallpaper" } << false;
    }

    void endToEnd()
    {
        QFETCH(QString, desktop);
        QFETCH(QStringList, programs);
        QFETCH(QString, window);
        QFETCH(QStringList, presets);
        QFETCH(QStringList, settings);
        QFETCH(bool, uri);

        QStringList tools { QStringLiteral("gsettings"), QStringLiteral("gdbus"), QStringLiteral("dbus-run-session"),
            QStringLiteral("xwininfo") };
        for (const QString &program : programs)
            tools.append(program.section(QLatin1Char(' '), 0, 0));
        QString error;
        if (!haveTools(tools, &error))
            QSKIP(qPrintable(error));

        Xvfb server;
        QVERIFY2(server.start(&error), qPrintable(error));
        EnvGuard env;
        // Settings of its own per row: dconf and pcmanfm-qt keep what they saved.
        env.set("XDG_CONFIG_HOME", fotoria::test::testHome() + QStringLiteral("/config-") + desktop);
        // Spaces and a quote in the data folder must survive paths and URIs.
        env.set("XDG_DATA_HOME", fotoria::test::testHome() + QStringLiteral("/data with 'quote'"));
        env.set("XDG_CURRENT_DESKTOP", desktop);
        env.set("GSETTINGS_BACKEND", QStringLiteral("dconf"));
        // pcmanfm-qt draws on this row's X server whatever platform the run's Qt uses.
        env.set("QT_QPA_PLATFORM", QStringLiteral("xcb"));
        if (desktop == QLatin1String("LXQt"))
            QVERIFY2(writeLxqtProfile(), "cannot write the LXQt profile");
        DesktopSession session;
        QVERIFY2(session.start(server.display(), &error), qPrintable(error));
        session.enter(env);

        for (const QString &preset : presets)
            QVERIFY2(!session
                          .run(QStringLiteral("gsettings"),
                              QStringList { QStringLiteral("set") } + preset.split(QLatin1Char(' ')))
                          .isNull(),
                qPrintable(preset));
        // csd-background draws only once the session manager says the
        // session runs; a stand-in answers for cinnamon-session.
        int firstProgram = 1;
        if (desktop == QLatin1String("X-Cinnamon")) {
            session.launch(QCoreApplication::applicationDirPath() + QStringLiteral("/session-manager-stand-in"), {});
            QVERIFY2(waitUntil([&] {
                return session
                    .run(QStringLiteral("gdbus"),
                        { QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("--object-path"),
                            QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("--method"),
                            QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
                            QStringLiteral("org.gnome.SessionManager") })
                    .contains(QLatin1String("true"));
            }),
                "the session manager stand-in did not come up");
            ++firstProgram;
        }
        for (const QString &program : programs) {
            const QStringList words = program.split(QLatin1Char(' '));
            session.launch(words.first(), words.mid(1));
        }
        if (!window.isEmpty())
            QVERIFY2(waitUntil([&] {
                return session
                    .run(QStringLiteral("xwininfo"), { QStringLiteral("-root"), QStringLiteral("-tree") })
                    .contains(window);
            }),
                qPrintable(programs.last() + QStringLiteral(" shows no desktop window")));

        QString previousCopy;
        QString copy;
        for (const QRgb colour : { qRgb(200, 60, 30), qRgb(40, 90, 220) }) {
            // The same source name every time, as the tray client writes it.
            QVERIFY2(setDesktopWallpaper(
                         writePicture(solidPicture(colour), QStringLiteral("s.bmp")), QString(), &error),
                qPrintable(error));
            if (!window.isEmpty())
                QVERIFY2(waitUntil([&] {
                    return desktop == QLatin1String("X-Cinnamon") ? rootPixmapShows(server.display(), colour)
                                                                  : showsColour(server.display(), colour);
                }),
                    qPrintable(desktop + QStringLiteral(" does not show the picture")));
            checkSettingsName(session, settings, uri, &copy);
            if (QTest::currentTestFailed())
                return;
            QVERIFY2(copy != previousCopy, "the second change kept the file name");
            previousCopy = copy;
        }
        for (int i = 0; i < programs.size(); ++i)
            QVERIFY2(session.running(firstProgram + i), qPrintable(programs.at(i) + QStringLiteral(" has quit")));
    }
};

// Each row starts its own X server.
FOTORIA_TEST_GUILESS_MAIN(DesktopShellsTest)
#include "DesktopShellsTest.moc"
