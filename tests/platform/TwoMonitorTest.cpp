// Two monitors of different shapes on a real X server: the wallpaper covers
// each one on its own where the desktop allows it, the bitmap for desktops
// with one picture covers the largest, and the screensaver covers both.
#include <core/FileLocations.h>
#include <core/ImageStore.h>
#include <core/Settings.h>
#include <core/WallpaperBitmap.h>
#include <platform/DesktopWallpaper.h>
#include <systray/WallpaperManager.h>

#include "DesktopTestSupport.h"
#include "TestMain.h"
#include "XTestServer.h"

#include <QUrl>

#include <cstdio>

using namespace desktoptest;

namespace {

// The first monitor is the primary one; the second is larger and squarer.
// The halves picture is 16:9: its green strips show on the first monitor
// and are cropped away on the second.
const QVector<QRect> kMonitors { QRect(0, 0, 1280, 720), QRect(1280, 0, 1280, 1024) };

bool near(QRgb actual, QRgb expected)
{
    return qAbs(qRed(actual) - qRed(expected)) <= 24 && qAbs(qGreen(actual) - qGreen(expected)) <= 24
        && qAbs(qBlue(actual) - qBlue(expected)) <= 24;
}

// The first point whose colour is not the expected one, or an empty string.
QString wrongPoint(const QImage &shown, const QVector<QPair<QPoint, QRgb>> &expected)
{
    if (shown.isNull())
        return QStringLiteral("no screen read back");
    for (const auto &point : expected) {
        const QRgb pixel = shown.pixel(point.first);
        if (!near(pixel, point.second))
            return QStringLiteral("(%1,%2) is #%3")
                .arg(point.first.x())
                .arg(point.first.y())
                .arg(pixel & 0xffffff, 6, 16, QLatin1Char('0'));
    }
    return QString();
}

QString gsetting(const QString &schema, const QString &key)
{
    QProcess gsettings;
    gsettings.start(QStringLiteral("gsettings"), { QStringLiteral("get"), schema, key });
    gsettings.waitForFinished(10000);
    return gvariantText(QString::fromUtf8(gsettings.readAllStandardOutput()));
}

} // namespace

class TwoMonitorTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        // Xvfb with RandR 1.5 monitors is enough for what reads those itself.
        if (QByteArray(QTest::currentDataTag()).contains("Xvfb")) {
            QVERIFY(m_server.start(kMonitors[0].united(kMonitors[1]).size()));
            for (int i = 0; i < kMonitors.size(); ++i) {
                const QRect &m = kMonitors[i];
                int status = -1;
                m_server.runTool(QStringLiteral("xrandr"),
                    { QStringLiteral("--setmonitor"), QStringLiteral("M%1").arg(i),
                        QStringLiteral("%1/300x%2/200+%3+%4")
                            .arg(m.width())
                            .arg(m.height())
                            .arg(m.x())
                            .arg(m.y()),
                        i == 0 ? QStringLiteral("screen") : QStringLiteral("none") },
                    &status);
                QCOMPARE(status, 0);
            }
            return;
        }
        QString error;
        if (!m_server.startMonitors(kMonitors, &error))
            QSKIP(qPrintable(error));
    }
    void cleanup()
    {
        m_server.stop();
        fotoria::test::removeTestFolder(WallpaperCopy::defaultFolder());
    }

    void wallpaperCoversEachMonitor_data()
    {
        QTest::addColumn<QString>("desktop");
        // The corner that must stay in view (a calendar's), else the centre.
        QTest::addColumn<int>("keep");
        // The halves turned upright: both monitors crop it from above and below.
        QTest::addColumn<bool>("portrait");
        const int bottomRight = Qt::AlignBottom | Qt::AlignRight;
        QTest::newRow("root window") << QString() << int(Qt::AlignCenter) << false;
        QTest::newRow("root window, Xvfb monitors") << QString() << int(Qt::AlignCenter) << false;
        QTest::newRow("root window, calendar bottom right") << QString() << bottomRight << false;
        QTest::newRow("root window, portrait") << QString() << int(Qt::AlignCenter) << true;
        QTest::newRow("root window, portrait, calendar bottom right") << QString() << bottomRight << true;
        QTest::newRow("XFCE") << QStringLiteral("XFCE") << int(Qt::AlignCenter) << false;
        QTest::newRow("XFCE, calendar bottom right") << QStringLiteral("XFCE") << bottomRight << false;
        QTest::newRow("XFCE, portrait, calendar bottom right") << QStringLiteral("XFCE") << bottomRight << true;
    }

    void wallpaperCoversEachMonitor()
    {
        QFETCH(QString, desktop);
        QFETCH(int, keep);
        QFETCH(bool, portrait);
        QString error;
        const bool xfce = !desktop.isEmpty();
        if (xfce && !haveTools({ QStringLiteral("xfdesktop"), QStringLiteral("dbus-run-session") }, &error))
            QSKIP(qPrintable(error));
        EnvGuard env;
        env.set("DISPLAY", m_server.display());
        env.set("XDG_CURRENT_DESKTOP", desktop);
        env.set("XDG_CONFIG_HOME",
            fotoria::test::testHome() + QStringLiteral("/config-")
                + QString::fromUtf8(QTest::currentDataTag()));
        DesktopSession session;
        if (xfce) {
            QVERIFY2(session.start(m_server.display(), &error), qPrintable(error));
            session.enter(env);
            // xfdesktop can crash when a change comes while it still loads its
            // first picture, and it cannot load its own default here: it starts
            // with a grey picture, shown on both monitors before the change.
            const QStringList channel { QStringLiteral("-c"), QStringLiteral("xfce4-desktop"),
                QStringLiteral("-p") };
            const QString key = QStringLiteral("/backdrop/screen0/monitor%1/workspace0/%2");
            const QRgb grey = qRgb(128, 128, 128);
            const QString first = writePicture(solidPicture(grey), QStringLiteral("grey.bmp"));
            for (const QString &monitor : { QStringLiteral("DUMMY0"), QStringLiteral("DUMMY1") })
                QVERIFY(!session
                             .run(QStringLiteral("xfconf-query"),
                                 channel
                                     + QStringList { key.arg(monitor, QStringLiteral("last-image")),
                                         QStringLiteral("-n"), QStringLiteral("-t"), QStringLiteral("string"),
                                         QStringLiteral("-s"), first })
                             .isNull());
            session.launch(QStringLiteral("xfdesktop"), { QStringLiteral("--disable-wm-check") });
            QVERIFY2(waitUntil([&] {
                return session
                    .run(QStringLiteral("xfconf-query"),
                        channel.mid(0, 2) + QStringList { QStringLiteral("-l") })
                    .contains(key.arg(QStringLiteral("DUMMY1"), QStringLiteral("image-style")));
            }),
                "xfdesktop did not start");
            // Stretched: a picture not made for the monitor's shape would show
            // distorted. The change also makes xfdesktop cover the whole screen.
            for (const QString &monitor : { QStringLiteral("DUMMY0"), QStringLiteral("DUMMY1") })
                QVERIFY(!session
                             .run(QStringLiteral("xfconf-query"),
                                 channel
                                     + QStringList { key.arg(monitor, QStringLiteral("image-style")),
                                         QStringLiteral("-s"), QStringLiteral("3") })
                             .isNull());
            QString wrong;
            QVERIFY2(waitUntil([&] {
                wrong = wrongPoint(readRoot(m_server.display()),
                    { { kMonitors[0].center(), grey }, { kMonitors[1].center(), grey } });
                return wrong.isEmpty();
            }),
                qPrintable(QStringLiteral("xfdesktop does not show its first picture: ") + wrong));
        }
        const QImage picture = portrait ? halvesPicture().transformed(QTransform().rotate(90)) : halvesPicture();
        QVERIFY2(platform::setDesktopWallpaper(writePicture(picture, QStringLiteral("h.bmp")),
                     QString(), &error, Qt::Alignment(keep)),
            qPrintable(error));

        const QRgb green = qRgb(0, 255, 0);
        const QRgb red = qRgb(255, 0, 0);
        const QRgb blue = qRgb(0, 0, 255);
        QVector<QPair<QPoint, QRgb>> expected { { { 50, 360 }, green }, { { 400, 360 }, red },
            { { 900, 360 }, blue }, { { 1230, 360 }, green }, { { 1290, 512 }, red },
            { { 2550, 512 }, keep & Qt::AlignRight ? green : blue }, { { 1290, 1015 }, red } };
        // Upright: the blue half's lower green strip begins 542 and 846 rows
        // down when the bottom is kept; in the middle, blue begins at 360 and 512.
        const bool bottom = keep & Qt::AlignBottom;
        if (portrait)
            expected = { { { 640, 100 }, bottom ? blue : red }, { { 640, 700 }, bottom ? green : blue },
                { { 1920, 100 }, bottom ? blue : red }, { { 1920, 1015 }, bottom ? green : blue } };
        if (!xfce)
            expected.append({ { 640, 900 }, qRgb(0, 0, 0) }); // below the first monitor
        QString wrong;
        QVERIFY2(waitUntil([&] {
            wrong = wrongPoint(readRoot(m_server.display()), expected);
            return wrong.isEmpty();
        }),
            qPrintable(wrong));
    }

    void photoPerMonitor_data()
    {
        QTest::addColumn<QString>("desktop"); // empty: the root window
        QTest::addColumn<QString>("schema"); // where a desktop of one picture for all reads it
        QTest::addColumn<bool>("perMonitor");
        const QString gnome = QStringLiteral("org.gnome.desktop.background");
        QTest::newRow("root window") << QString() << QString() << true;
        QTest::newRow("root window, option off") << QString() << QString() << false;
        QTest::newRow("XFCE") << QStringLiteral("XFCE") << QString() << true;
        QTest::newRow("GNOME spanned") << QStringLiteral("GNOME") << gnome << true;
        QTest::newRow("GNOME, option off") << QStringLiteral("GNOME") << gnome << false;
        QTest::newRow("MATE spanned")
            << QStringLiteral("MATE") << QStringLiteral("org.mate.background") << true;
    }

    // The manager picks the primary's photo and others from the active
    // playlists; with the lock-screen option on, GNOME's lock screen follows.
    void photoPerMonitor()
    {
        QFETCH(QString, desktop);
        QFETCH(QString, schema);
        QFETCH(bool, perMonitor);
        EnvGuard env;
        env.set("DISPLAY", m_server.display());
        env.set("XDG_CURRENT_DESKTOP", desktop);
        env.set("GSETTINGS_BACKEND", QStringLiteral("keyfile"));
        QFile::remove(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/glib-2.0/settings/keyfile"));
        DesktopSession xfconf; // the settings store of XFCE, without its desktop
        if (desktop == QLatin1String("XFCE")) {
            QString error;
            if (!haveTools({ QStringLiteral("xfconf-query"), QStringLiteral("dbus-run-session") }, &error))
                QSKIP(qPrintable(error));
            QVERIFY2(xfconf.start(m_server.display(), &error), qPrintable(error));
            xfconf.enter(env);
        }
        Settings::setValue(QStringLiteral("kWallpaperPerMonitor"), perMonitor);
        Settings::setValue(QStringLiteral("kWallpaperLockScreen"), !desktop.isEmpty());
        const QString root = fotoria::test::testHome() + QStringLiteral("/") + QTest::currentDataTag();
        const QString playlist = root + QStringLiteral("/playlists/P");
        QVERIFY(QDir().mkpath(playlist));
        const QList<QRgb> colours { qRgb(220, 30, 30), qRgb(30, 200, 40), qRgb(30, 40, 220) };
        for (int i = 0; i < colours.size(); ++i)
            QVERIFY(solidPicture(colours[i]).save(playlist + QStringLiteral("/%1.jpg").arg(i), "JPEG", 95));
        ImageStore store(root + QStringLiteral("/active.xml"), root + QStringLiteral("/playlists"));
        store.setActive(QStringLiteral("P"), true);
        WallpaperManager manager(&store);
        QVERIFY(!manager.setOsWallpaper(playlist + QStringLiteral("/0.jpg")).isEmpty());

        QImage shown = readRoot(m_server.display());
        if (!schema.isEmpty()) {
            const QString key = desktop == QLatin1String("MATE") ? QStringLiteral("picture-filename")
                                                                 : QStringLiteral("picture-uri");
            const QString value = gsetting(schema, key);
            shown = QImage(key.endsWith(QLatin1String("uri")) ? QUrl(value).toLocalFile() : value);
            QCOMPARE(gsetting(schema, QStringLiteral("picture-options")),
                perMonitor ? QStringLiteral("spanned") : QStringLiteral("zoom"));
        } else if (desktop == QLatin1String("XFCE")) {
            shown.fill(Qt::black);
            QPainter painter(&shown);
            for (int i = 0; i < kMonitors.size(); ++i)
                painter.drawImage(kMonitors[i].topLeft(),
                    QImage(xfconf.run(QStringLiteral("xfconf-query"),
                        { QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-p"),
                            QStringLiteral("/backdrop/screen0/monitorDUMMY%1/workspace0/last-image")
                                .arg(i) })));
        }
        const QRgb primary = shown.isNull() ? 0 : shown.pixel(kMonitors[0].center());
        const QRgb other = shown.isNull() ? 0 : shown.pixel(kMonitors[1].center());
        QVERIFY2(near(primary, colours[0]), qPrintable(QString::number(primary, 16)));
        if (perMonitor) {
            QVERIFY(near(other, colours[1]) || near(other, colours[2]));
            QVERIFY(near(shown.pixel(640, 900), qRgb(0, 0, 0))); // below the first monitor
        } else {
            QVERIFY(near(other, colours[0]));
        }
        if (desktop == QLatin1String("GNOME")) {
            const QImage locked(
                QUrl(gsetting(QStringLiteral("org.gnome.desktop.screensaver"), QStringLiteral("picture-uri")))
                    .toLocalFile());
            QVERIFY(!locked.isNull() && near(locked.pixel(locked.rect().center()), colours[0]));
        }
        if (perMonitor && !schema.isEmpty()) {
            QCOMPARE(shown.size(), QSize(2560, 1024));
            // A single picture again brings back the mode the user had.
            Settings::setValue(QStringLiteral("kWallpaperPerMonitor"), false);
            QVERIFY(!manager.setOsWallpaper(playlist + QStringLiteral("/1.jpg")).isEmpty());
            QCOMPARE(gsetting(schema, QStringLiteral("picture-options")), QStringLiteral("zoom"));
        }
    }

    void oneBitmapCoversTheLargestMonitor()
    {
        // The toolkit reads the monitors once, at start: a process of its own.
        QProcess probe;
        probe.setProcessEnvironment(m_server.environment());
        probe.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--wallpaper-size") });
        QVERIFY(probe.waitForFinished(20000));
        QCOMPARE(QString::fromLatin1(probe.readAllStandardOutput()).trimmed(), QStringLiteral("1280x1024"));
    }

    void screenSaverCoversEveryMonitor()
    {
        const FileLocations locations;
        const QString playlist = FileLocations::playlistFolder() + QStringLiteral("/Two");
        QVERIFY(QDir().mkpath(playlist));
        QVERIFY(solidPicture(qRgb(200, 60, 30)).save(playlist + QStringLiteral("/one.jpg"), "JPEG", 95));
        ensureFolder(FileLocations::baseFolder());
        ImageStore store(
            FileLocations::baseFolder() + QStringLiteral("/active.xml"), FileLocations::playlistFolder());
        store.setActive(QStringLiteral("Two"), true);

        QProcess screenSaver;
        screenSaver.setProcessEnvironment(m_server.environment());
        screenSaver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        screenSaver.start(QStringLiteral(SCREENSAVER_BINARY), { QStringLiteral("/s") });
        QVERIFY(screenSaver.waitForStarted(20000));
        const QRgb colour = qRgb(200, 60, 30);
        QString wrong;
        QVERIFY2(waitUntil([&] {
            wrong = wrongPoint(m_server.screenshot(),
                { { kMonitors[0].center(), colour }, { kMonitors[1].center(), colour },
                    { kMonitors[1].topLeft() + QPoint(5, 5), qRgb(0, 0, 0) } });
            return wrong.isEmpty();
        }),
            qPrintable(wrong));
        m_server.runTool(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("a") });
        QVERIFY2(screenSaver.waitForFinished(20000), "a key press did not end the screensaver");
        QCOMPARE(screenSaver.exitCode(), 0);
    }

private:
    XTestServer m_server;
};

int main(int argc, char *argv[])
{
    if (argc == 2 && qstrcmp(argv[1], "--wallpaper-size") == 0) {
        QGuiApplication app(argc, argv);
        const QSize size = WallpaperBitmap::screenSize();
        std::printf("%dx%d\n", size.width(), size.height());
        return 0;
    }
    fotoria::test::isolateEnvironment();
    QApplication app(argc, argv);
    TwoMonitorTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TwoMonitorTest.moc"
