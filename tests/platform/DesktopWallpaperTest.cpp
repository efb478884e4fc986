#include <platform/DesktopWallpaper.h>
#include <platform/WallpaperCopy_linux.h>
#include <platform/WallpaperTools.h>

#include "DesktopTestSupport.h"
#include "TestMain.h"
#include "XRootInfo.h"

#include <QImageReader>
#include <QScopeGuard>
#include <QUrl>

using platform::DesktopKind;
using platform::setDesktopWallpaper;

Q_DECLARE_METATYPE(platform::DesktopKind)

using namespace desktoptest;

namespace {

// Every channel differs along some axis, so swapped channels or a wrong
// byte order show up.
QImage gradientPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(
                x, y, qRgb(x * 255 / (width - 1), y * 255 / (height - 1), 255 - x * 255 / (width - 1)));
    return image;
}

QString writeBytes(const QByteArray &bytes, const QString &name)
{
    const QString path = fotoria::test::testHome() + QStringLiteral("/tmp/") + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qWarning() << "cannot write" << path;
    return path;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void setGnomeSetting(const QString &key, const QString &value)
{
    QProcess::execute(QStringLiteral("gsettings"),
        { QStringLiteral("set"), QStringLiteral("org.gnome.desktop.background"), key, value });
}

QString gnomeSetting(const QString &key)
{
    QProcess gsettings;
    gsettings.start(QStringLiteral("gsettings"),
        { QStringLiteral("get"), QStringLiteral("org.gnome.desktop.background"), key });
    gsettings.waitForFinished(10000);
    return gvariantText(QString::fromUtf8(gsettings.readAllStandardOutput()));
}

// Sets a wallpaper through the user's command, giving a known previous state.
QString installThroughCopyCommand(const QString &picture)
{
    const QString sink = fotoria::test::testHome() + QStringLiteral("/sink");
    QDir().mkpath(sink);
    QString error;
    if (!setDesktopWallpaper(picture, QStringLiteral("cp %f \"%1/first.bmp\"").arg(sink), &error))
        qWarning() << "could not set the first wallpaper:" << error;
    const QStringList files = copyFiles();
    return files.size() == 1 ? files.first() : QString();
}

const QStringList kPcmanfmTools { QStringLiteral("pcmanfm"), QStringLiteral("dbus-run-session"),
    QStringLiteral("xwininfo") };

// pcmanfm's desktop window exists. Until then a second pcmanfm would become
// the main instance itself.
bool pcmanfmDesktopShown(const DesktopSession &session)
{
    return session.run(QStringLiteral("xwininfo"), { QStringLiteral("-root"), QStringLiteral("-tree") })
        .contains(QLatin1String("pcmanfm"));
}

} // namespace

class DesktopWallpaperTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        fotoria::test::removeTestFolder(WallpaperCopy::defaultFolder());
        fotoria::test::removeTestFolder(fotoria::test::testHome() + QStringLiteral("/sink"));
        platform::wallpaper::setToolTimeout(10000);
    }

    void detection_data()
    {
        // Variables as "NAME=value" separated by ';'.
        QTest::addColumn<QString>("environment");
        QTest::addColumn<DesktopKind>("expected");

        const std::pair<const char *, DesktopKind> rows[] = {
            { "XDG_CURRENT_DESKTOP=GNOME", DesktopKind::Gnome },
            { "XDG_CURRENT_DESKTOP=ubuntu:GNOME", DesktopKind::Gnome },
            { "XDG_CURRENT_DESKTOP=Unity", DesktopKind::Gnome },
            { "XDG_CURRENT_DESKTOP=Budgie:GNOME", DesktopKind::Gnome },
            { "XDG_CURRENT_DESKTOP=X-Cinnamon", DesktopKind::Cinnamon },
            { "XDG_CURRENT_DESKTOP=MATE", DesktopKind::Mate },
            { "XDG_CURRENT_DESKTOP=XFCE", DesktopKind::Xfce },
            { "XDG_CURRENT_DESKTOP=KDE", DesktopKind::Kde },
            { "XDG_CURRENT_DESKTOP=LXQt", DesktopKind::Lxqt },
            { "XDG_CURRENT_DESKTOP=LXDE", DesktopKind::Lxde },
            { "XDG_CURRENT_DESKTOP=sway", DesktopKind::Sway },
            { "XDG_CURRENT_DESKTOP=i3:XFCE:GNOME", DesktopKind::Xfce },
            { "XDG_CURRENT_DESKTOP=i3;DESKTOP_SESSION=mate", DesktopKind::Mate },
            { "XDG_CURRENT_DESKTOP=GNOME;DESKTOP_SESSION=xubuntu", DesktopKind::Gnome },
            { "DESKTOP_SESSION=cinnamon", DesktopKind::Cinnamon },
            { "DESKTOP_SESSION=cinnamon2d", DesktopKind::Cinnamon },
            { "DESKTOP_SESSION=xfce", DesktopKind::Xfce },
            { "DESKTOP_SESSION=xubuntu", DesktopKind::Xfce },
            { "DESKTOP_SESSION=Lubuntu", DesktopKind::Lxqt },
            { "DESKTOP_SESSION=LXDE", DesktopKind::Lxde },
            { "DESKTOP_SESSION=kubuntu", DesktopKind::Kde },
            { "DESKTOP_SESSION=plasmawayland", DesktopKind::Kde },
            { "DESKTOP_SESSION=ubuntu", DesktopKind::Gnome },
            { "DESKTOP_SESSION=my-xfce-like-session", DesktopKind::RootWindow },
            { "KDE_FULL_SESSION=true", DesktopKind::Kde },
            { "SWAYSOCK=/run/user/1000/sway-ipc.sock;WAYLAND_DISPLAY=wayland-1", DesktopKind::Sway },
            { "", DesktopKind::RootWindow },
            { "XDG_CURRENT_DESKTOP=i3;DESKTOP_SESSION=i3;XDG_SESSION_TYPE=x11", DesktopKind::RootWindow },
            { "XDG_CURRENT_DESKTOP=Hyprland;WAYLAND_DISPLAY=wayland-1", DesktopKind::UnknownWayland },
            { "DESKTOP_SESSION=wayfire;XDG_SESSION_TYPE=wayland", DesktopKind::UnknownWayland },
            { "XDG_CURRENT_DESKTOP=GNOME;XDG_SESSION_TYPE=wayland", DesktopKind::Gnome },
        };
        for (const auto &row : rows)
            QTest::newRow(row.first[0] ? row.first : "nothing")
                << QString::fromLatin1(row.first) << row.second;
    }

    void detection()
    {
        QFETCH(QString, environment);
        QFETCH(DesktopKind, expected);

        QProcessEnvironment env;
        const QStringList pairs = environment.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString &pair : pairs)
            env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        QCOMPARE(platform::detectDesktop(env), expected);
    }

    void rootWindow()
    {
        Xvfb server;
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        EnvGuard env;
        env.set("DISPLAY", server.display());

        const QImage first = gradientPicture(640, 480);
        QVERIFY2(setDesktopWallpaper(writePicture(first, QStringLiteral("first.bmp")), QString(), &error),
            qPrintable(error));
        const QImage shownFirst = readRoot(server.display());
        QVERIFY(!shownFirst.isNull());
        QVERIFY2(largestDifference(shownFirst, first) <= 2, "the root does not show the first picture");

        const quint64 firstPixmap = rootPixmap(server.display(), "_XROOTPMAP_ID");
        QVERIFY(firstPixmap != 0);
        QCOMPARE(rootPixmap(server.display(), "ESETROOT_PMAP_ID"), firstPixmap);
        // Our connection has closed; the pixmap must outlive it.
        QVERIFY(pixmapAlive(server.display(), firstPixmap));

        QVERIFY2(setDesktopWallpaper(
                     writePicture(halvesPicture(), QStringLiteral("second.bmp")), QString(), &error),
            qPrintable(error));
        const QImage shown = readRoot(server.display());
        QCOMPARE(shown.size(), QSize(640, 480));
        // Covered, not stretched or letterboxed: halves meet in the middle,
        // the green ends are cropped away.
        QCOMPARE(QColor(shown.pixel(100, 240)), QColor(Qt::red));
        QCOMPARE(QColor(shown.pixel(540, 240)), QColor(Qt::blue));
        for (int y = 0; y < 480; y += 40) {
            QVERIFY(qGreen(shown.pixel(0, y)) < 40);
            QVERIFY(qGreen(shown.pixel(639, y)) < 40);
        }

        const quint64 secondPixmap = rootPixmap(server.display(), "_XROOTPMAP_ID");
        QVERIFY(secondPixmap != 0 && secondPixmap != firstPixmap);
        QCOMPARE(rootPixmap(server.display(), "ESETROOT_PMAP_ID"), secondPixmap);
        QVERIFY2(!pixmapAlive(server.display(), firstPixmap), "the previous pixmap was not freed");
        QVERIFY(pixmapAlive(server.display(), secondPixmap));
        QVERIFY(copyFiles().isEmpty());

        // Further changes leave the server with no more pixmaps than before.
        const int pixmaps = serverPixmapCount(server.display());
        QVERIFY(pixmaps >= 1);
        for (int i = 0; i < 3; ++i)
            QVERIFY2(setDesktopWallpaper(writePicture(gradientPicture(64 + i, 48), QStringLiteral("n.bmp")),
                         QString(), &error),
                qPrintable(error));
        QCOMPARE(serverPixmapCount(server.display()), pixmaps);
    }

    void xfceEndToEnd_data()
    {
        QTest::addColumn<int>("currentWorkspace");
        QTest::addColumn<int>("singleWorkspace"); // -1: not in single-workspace mode
        QTest::addColumn<int>("expectedWorkspace");
        // Without a window manager xfdesktop itself stays on the first workspace.
        QTest::addColumn<bool>("drawnAtStart");

        QTest::newRow("first workspace") << 0 << -1 << 0 << true;
        QTest::newRow("third workspace is current") << 2 << -1 << 2 << false;
        QTest::newRow("single-workspace mode") << 2 << 1 << 1 << true;
    }

    void xfceEndToEnd()
    {
        QFETCH(int, currentWorkspace);
        QFETCH(int, singleWorkspace);
        QFETCH(int, expectedWorkspace);
        QFETCH(bool, drawnAtStart);
        QString error;
        if (!haveTools({ QStringLiteral("xfdesktop"), QStringLiteral("xfconf-query"),
                           QStringLiteral("dbus-run-session"), QStringLiteral("xprop") },
                &error))
            QSKIP(qPrintable(error));

        Xvfb server;
        QVERIFY2(server.start(&error), qPrintable(error));
        EnvGuard env;
        // A settings folder of its own per row: xfconfd keeps what it saved.
        env.set("XDG_CONFIG_HOME",
            fotoria::test::testHome() + QStringLiteral("/xfce-%1").arg(QTest::currentDataTag()));
        env.set("XDG_CURRENT_DESKTOP", QStringLiteral("XFCE"));
        DesktopSession session;
        QVERIFY2(session.start(server.display(), &error), qPrintable(error));
        session.enter(env);

        const QString xfconf = QStringLiteral("xfconf-query");
        const QStringList channel { QStringLiteral("-c"), QStringLiteral("xfce4-desktop") };
        // Workspaces as a window manager would announce them.
        session.run(QStringLiteral("xprop"),
            { QStringLiteral("-root"), QStringLiteral("-f"), QStringLiteral("_NET_NUMBER_OF_DESKTOPS"),
                QStringLiteral("32c"), QStringLiteral("-set"), QStringLiteral("_NET_NUMBER_OF_DESKTOPS"),
                QStringLiteral("3") });
        session.run(QStringLiteral("xprop"),
            { QStringLiteral("-root"), QStringLiteral("-f"), QStringLiteral("_NET_CURRENT_DESKTOP"),
                QStringLiteral("32c"), QStringLiteral("-set"), QStringLiteral("_NET_CURRENT_DESKTOP"),
                QString::number(currentWorkspace) });
        if (singleWorkspace >= 0) {
            QVERIFY(!session
                         .run(xfconf,
                             channel
                                 + QStringList { QStringLiteral("-p"),
                                     QStringLiteral("/backdrop/single-workspace-mode"), QStringLiteral("-n"),
                                     QStringLiteral("-t"), QStringLiteral("bool"), QStringLiteral("-s"),
                                     QStringLiteral("true") })
                         .isNull());
            QVERIFY(!session
                         .run(xfconf,
                             channel
                                 + QStringList { QStringLiteral("-p"),
                                     QStringLiteral("/backdrop/single-workspace-number"),
                                     QStringLiteral("-n"), QStringLiteral("-t"), QStringLiteral("int"),
                                     QStringLiteral("-s"), QString::number(singleWorkspace) })
                         .isNull());
        }
        // Set before xfdesktop has written any key of its own (as at login),
        // then changed again while it runs.
        const QRgb first = qRgb(200, 60, 30);
        QVERIFY2(setDesktopWallpaper(
                     writePicture(solidPicture(first), QStringLiteral("x.bmp")), QString(), &error),
            qPrintable(error));
        session.launch(QStringLiteral("xfdesktop"), { QStringLiteral("--disable-wm-check") });
        QVERIFY2(waitUntil([&] {
            return drawnAtStart ? showsColour(server.display(), first)
                                : session.run(xfconf, channel + QStringList { QStringLiteral("-l") })
                                      .contains(QLatin1String("workspace0/last-image"));
        }),
            "xfdesktop does not show the first picture");
        const QRgb second = qRgb(40, 90, 220);
        QVERIFY2(setDesktopWallpaper(
                     writePicture(solidPicture(second), QStringLiteral("x.bmp")), QString(), &error),
            qPrintable(error));
        QVERIFY2(waitUntil([&] { return showsColour(server.display(), second); }),
            "xfdesktop does not show the second picture");
        const QStringList copies = copyFiles();
        QCOMPARE(copies.size(), 1);
        const QString key
            = QStringLiteral("/backdrop/screen0/monitorscreen/workspace%1/last-image").arg(expectedWorkspace);
        QCOMPARE(session.run(xfconf, channel + QStringList { QStringLiteral("-p"), key }), copies.first());
    }

    void rootWindowSparesLiveDesktop()
    {
        QString error;
        if (!haveTools(kPcmanfmTools, &error))
            QSKIP(qPrintable(error));
        Xvfb server;
        QVERIFY2(server.start(&error), qPrintable(error));
        EnvGuard env;
        for (const char *name : { "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "SWAYSOCK",
                 "WAYLAND_DISPLAY", "XDG_SESSION_TYPE" })
            env.unset(name);
        DesktopSession session;
        QVERIFY2(session.start(server.display(), &error), qPrintable(error));
        env.set("DISPLAY", server.display());
        session.launch(QStringLiteral("pcmanfm"), { QStringLiteral("--desktop") });
        QVERIFY2(waitUntil([&] { return pcmanfmDesktopShown(session); }), "pcmanfm did not start");
        QVERIFY(!session
                     .run(QStringLiteral("pcmanfm"),
                         { QStringLiteral("--set-wallpaper"),
                             writePicture(solidPicture(qRgb(1, 2, 3)), "p.bmp") })
                     .isNull());
        QVERIFY2(waitUntil([&] { return rootPixmap(server.display(), "_XROOTPMAP_ID") != 0; }),
            "pcmanfm announced no background");
        const quint64 desktopPixmap = rootPixmap(server.display(), "_XROOTPMAP_ID");
        // As desktops that announce their background under both names do.
        setRootPixmap(server.display(), "ESETROOT_PMAP_ID", desktopPixmap);

        QVERIFY2(setDesktopWallpaper(writePicture(gradientPicture(64, 48), "r.bmp"), QString(), &error),
            qPrintable(error));
        QVERIFY2(pcmanfmDesktopShown(session), "the desktop program was killed");
        QVERIFY(pixmapAlive(server.display(), desktopPixmap));
        QVERIFY(rootPixmap(server.display(), "_XROOTPMAP_ID") != desktopPixmap);
    }

    void rootWindowWithoutDisplay()
    {
        EnvGuard env;
        env.unset("DISPLAY");
        QString error;
        QVERIFY(!setDesktopWallpaper(
            writePicture(gradientPicture(64, 48), QStringLiteral("small.bmp")), QString(), &error));
        QVERIFY2(error.contains(QLatin1String("DISPLAY")), qPrintable(error));
    }

    void gnomeGetsNewFileEveryChange()
    {
        EnvGuard env;
        env.set("XDG_CURRENT_DESKTOP", QStringLiteral("GNOME"));
        env.set("GSETTINGS_BACKEND", QStringLiteral("keyfile"));
        // Spaces and a quote in the data folder must survive URI and GVariant quoting.
        env.set("XDG_DATA_HOME", fotoria::test::testHome() + QStringLiteral("/data with 'quote'"));

        const QImage first = gradientPicture(320, 200);
        const QImage second = halvesPicture();
        QString error;
        // The user's picture mode stays as it is...
        setGnomeSetting(QStringLiteral("picture-options"), QStringLiteral("centered"));
        QVERIFY2(setDesktopWallpaper(writePicture(first, QStringLiteral("a.bmp")), QString(), &error),
            qPrintable(error));
        const QString firstFile = QUrl(gnomeSetting(QStringLiteral("picture-uri"))).toLocalFile();
        QVERIFY2(QFile::exists(firstFile), qPrintable(firstFile));
        QVERIFY(firstFile.startsWith(WallpaperCopy::defaultFolder()));
        QCOMPARE(gnomeSetting(QStringLiteral("picture-options")), QStringLiteral("centered"));

        // ...unless it shows no picture at all.
        setGnomeSetting(QStringLiteral("picture-options"), QStringLiteral("none"));

        // The manager writes the same temporary name every time.
        QVERIFY2(setDesktopWallpaper(writePicture(second, QStringLiteral("a.bmp")), QString(), &error),
            qPrintable(error));
        const QString secondFile = QUrl(gnomeSetting(QStringLiteral("picture-uri"))).toLocalFile();
        QCOMPARE(gnomeSetting(QStringLiteral("picture-options")), QStringLiteral("zoom"));
        QCOMPARE(QUrl(gnomeSetting(QStringLiteral("picture-uri-dark"))).toLocalFile(), secondFile);
        QVERIFY(secondFile != firstFile);
        QVERIFY2(!QFile::exists(firstFile), "the older copy was kept");
        QCOMPARE(copyFiles(), QStringList { secondFile });
        QCOMPARE(largestDifference(QImage(secondFile), second), 0);

        // And back to the first name on the third change.
        QVERIFY2(setDesktopWallpaper(writePicture(first, QStringLiteral("a.bmp")), QString(), &error),
            qPrintable(error));
        QCOMPARE(QUrl(gnomeSetting(QStringLiteral("picture-uri"))).toLocalFile(), firstFile);
    }

    void gnomeFailureKeepsPreviousWallpaper()
    {
        EnvGuard env;
        env.set("XDG_CURRENT_DESKTOP", QStringLiteral("ubuntu:GNOME"));
        env.set("GSETTINGS_BACKEND", QStringLiteral("keyfile"));
        const QImage first = gradientPicture(320, 200);
        QString error;
        QVERIFY2(setDesktopWallpaper(writePicture(first, QStringLiteral("b.bmp")), QString(), &error),
            qPrintable(error));
        const QString shown = QUrl(gnomeSetting(QStringLiteral("picture-uri"))).toLocalFile();

        {
            // Without its schema gsettings refuses the change.
            EnvGuard noSchemas;
            const QString empty = fotoria::test::testHome() + QStringLiteral("/no-schemas");
            QDir().mkpath(empty);
            noSchemas.set("XDG_DATA_DIRS", empty);
            QVERIFY(!setDesktopWallpaper(
                writePicture(halvesPicture(), QStringLiteral("b.bmp")), QString(), &error));
            QVERIFY2(error.contains(QLatin1String("gsettings")), qPrintable(error));
        }

        QCOMPARE(QUrl(gnomeSetting(QStringLiteral("picture-uri"))).toLocalFile(), shown);
        QCOMPARE(copyFiles(), QStringList { shown });
        QCOMPARE(largestDifference(QImage(shown), first), 0);
    }

    void commandOverride()
    {
        const QString sink = fotoria::test::testHome() + QStringLiteral("/sink/with space");
        QVERIFY(QDir().mkpath(sink));
        const QImage picture = gradientPicture(200, 100);
        const QString source = writePicture(picture, QStringLiteral("c.bmp"));
        QString error;

        // %f inside the command; the quoted target keeps its space.
        QVERIFY2(setDesktopWallpaper(source, QStringLiteral("cp %f \"%1/out file.bmp\"").arg(sink), &error),
            qPrintable(error));
        QCOMPARE(largestDifference(QImage(sink + QStringLiteral("/out file.bmp")), picture), 0);
        const QStringList copies = copyFiles();
        QCOMPARE(copies.size(), 1);
        QCOMPARE(fileBytes(copies.first()), fileBytes(source));

        // Without %f the file goes last.
        QVERIFY2(
            setDesktopWallpaper(source, QStringLiteral("cp -t \"%1\"").arg(sink), &error), qPrintable(error));
        const QString copied = sink + QLatin1Char('/') + QFileInfo(copyFiles().value(0)).fileName();
        QVERIFY2(QFile::exists(copied), qPrintable(copied));
    }

    void commandOverrideFailure_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("timeout");
        QTest::addColumn<QString>("reason");

        QTest::newRow("error output") << "cp %f /nonexistent-folder/x.bmp" << 10000 << "/nonexistent-folder";
        QTest::newRow("status only") << "false %f" << 10000 << "exited with status 1";
        QTest::newRow("no such program") << "fotoria-no-such-tool %f" << 10000 << "not installed";
        QTest::newRow("hangs") << "tail -f %f" << 300 << "did not finish";
    }

    void commandOverrideFailure()
    {
        QFETCH(QString, command);
        QFETCH(int, timeout);
        QFETCH(QString, reason);

        const QString previous = installThroughCopyCommand(writePicture(gradientPicture(80, 60), "d.bmp"));
        QVERIFY(!previous.isEmpty());
        const QByteArray previousBytes = fileBytes(previous);

        platform::wallpaper::setToolTimeout(timeout);
        QString error;
        QVERIFY(!setDesktopWallpaper(writePicture(halvesPicture(), "e.bmp"), command, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(copyFiles(), QStringList { previous });
        QCOMPARE(fileBytes(previous), previousBytes);
    }

    void missingDesktopTool_data()
    {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QString>("reason");

        QTest::newRow("GNOME") << "GNOME"
                               << "gsettings";
        QTest::newRow("Cinnamon") << "X-Cinnamon"
                                  << "gsettings";
        QTest::newRow("MATE") << "MATE"
                              << "gsettings";
        QTest::newRow("XFCE") << "XFCE"
                              << "xfconf-query";
        QTest::newRow("LXDE") << "LXDE"
                              << "pcmanfm";
        QTest::newRow("LXQt") << "LXQt"
                              << "pcmanfm-qt";
        QTest::newRow("sway") << "sway"
                              << "swaymsg";
        QTest::newRow("KDE without a session bus") << "KDE"
                                                   << "D-Bus";
        QTest::newRow("unknown Wayland desktop") << "wayfire"
                                                 << "Wayland";
    }

    void missingDesktopTool()
    {
        QFETCH(QString, desktop);
        QFETCH(QString, reason);

        const QString emptyBin = fotoria::test::testHome() + QStringLiteral("/empty-bin");
        QDir().mkpath(emptyBin);
        EnvGuard env;
        env.set("XDG_CURRENT_DESKTOP", desktop);
        env.set("PATH", emptyBin);
        env.unset("DISPLAY"); // no D-Bus auto-launch through X
        env.set("WAYLAND_DISPLAY", QStringLiteral("fotoria-test-wayland"));

        QString error;
        QVERIFY(!setDesktopWallpaper(writePicture(gradientPicture(80, 60), "f.bmp"), QString(), &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(copyFiles().isEmpty());
    }

    void badPicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");

        QByteArray bitmap;
        {
            QBuffer buffer(&bitmap);
            buffer.open(QIODevice::WriteOnly);
            gradientPicture(300, 200).save(&buffer, "BMP");
        }
        // A bitmap header that claims 16000 x 16000 pixels and has none.
        QByteArray huge(bitmap.constData(), 54);
        for (int at : { 18, 22 }) {
            for (int i = 0; i < 4; ++i)
                huge[at + i] = char((16000 >> (8 * i)) & 0xff);
        }

        QTest::newRow("missing") << "" << QByteArray() << "cannot open";
        QTest::newRow("empty") << "empty.bmp" << QByteArray() << "empty";
        QTest::newRow("text") << "text.bmp" << QByteArray("not a picture at all\n") << "not a picture";
        QTest::newRow("truncated") << "truncated.bmp" << bitmap.left(bitmap.size() / 3) << "truncated.bmp";
        QTest::newRow("oversized") << "huge.bmp" << huge << "too large";
    }

    void badPicture()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);

        const QString previous = installThroughCopyCommand(writePicture(gradientPicture(80, 60), "g.bmp"));
        QVERIFY(!previous.isEmpty());
        const QString path = name.isEmpty() ? fotoria::test::testHome() + QStringLiteral("/tmp/missing.bmp")
                                            : writeBytes(content, name);
        const QString target = fotoria::test::testHome() + QStringLiteral("/sink/second.bmp");

        QString error;
        QVERIFY(!setDesktopWallpaper(path, QStringLiteral("cp %f %1").arg(target), &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(!QFile::exists(target));
        QCOMPARE(copyFiles(), QStringList { previous });
    }

    void lockScreen_data()
    {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QByteArray>("lockerFile"); // KDE's kscreenlockerrc before
        const QByteArray kde("[Daemon]\nTimeout=5\n\n[Greeter][Wallpaper][org.kde.image][General]\n"
                             "FillMode=2\nImage=file:///old.jpg\n");
        QTest::newRow("GNOME") << QStringLiteral("GNOME") << QByteArray();
        QTest::newRow("KDE, no file yet") << QStringLiteral("KDE") << QByteArray();
        QTest::newRow("KDE, other settings kept") << QStringLiteral("KDE") << kde;
        QTest::newRow("KDE, group without the picture")
            << QStringLiteral("KDE") << kde.left(kde.indexOf("Image"));
        QTest::newRow("XFCE cannot") << QStringLiteral("XFCE") << QByteArray();
    }

    // The lock screen gets a copy of its own, under a new name each time.
    void lockScreen()
    {
        QFETCH(QString, desktop);
        QFETCH(QByteArray, lockerFile);
        EnvGuard env;
        env.set("XDG_CURRENT_DESKTOP", desktop);
        env.set("GSETTINGS_BACKEND", QStringLiteral("keyfile"));
        const QString locker = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/kscreenlockerrc");
        QFile::remove(locker);
        if (!lockerFile.isEmpty())
            QVERIFY(QFile::copy(writeBytes(lockerFile, QStringLiteral("locker")), locker));
        QString error;
        if (desktop == QLatin1String("XFCE")) {
            QVERIFY(!platform::lockScreenSupported(&error));
            QCOMPARE(
                error, QStringLiteral("The lock screen of this desktop (XFCE) cannot be set by Fotoria."));
            return;
        }
        QVERIFY(platform::lockScreenSupported(&error));
        QString previous;
        for (const QRgb colour : { qRgb(10, 200, 30), qRgb(200, 20, 90) }) {
            // The wallpaper's bitmap, written again at the next change.
            const QString bitmap = writePicture(solidPicture(colour), QStringLiteral("lock.bmp"));
            QVERIFY2(platform::setLockScreenPicture(bitmap, &error), qPrintable(error));
            QProcess gsettings;
            gsettings.start(QStringLiteral("gsettings"),
                { QStringLiteral("get"), QStringLiteral("org.gnome.desktop.screensaver"),
                    QStringLiteral("picture-uri") });
            gsettings.waitForFinished(10000);
            const QString text = QString::fromUtf8(fileBytes(locker));
            const QString uri = desktop == QLatin1String("GNOME")
                ? gvariantText(QString::fromUtf8(gsettings.readAllStandardOutput()))
                : text.section(QStringLiteral("[org.kde.image][General]\n"), 1)
                      .section(QStringLiteral("Image="), 1, 1)
                      .section(QLatin1Char('\n'), 0, 0);
            const QString shown = QUrl(uri).toLocalFile();
            QVERIFY2(
                shown != bitmap && shown != previous && showsColour(QImage(shown), colour), qPrintable(uri));
            QVERIFY(previous.isEmpty() || !QFile::exists(previous));
            previous = shown;
            if (!lockerFile.isEmpty())
                QVERIFY2(text.startsWith(QLatin1String("[Daemon]\nTimeout=5\n"))
                        && text.contains(QLatin1String("\nFillMode=2\n"))
                        && text.count(QLatin1String("Image=")) == 1,
                    qPrintable(text));
        }
    }

    void copyAlternatesAndConvertsForSway()
    {
        const QImage picture = gradientPicture(120, 90);
        const QString source = writePicture(picture, QStringLiteral("h.bmp"));
        const QByteArray bytes = fileBytes(source);
        QString error;

        WallpaperCopy asPng;
        QVERIFY2(asPng.write(bytes, "bmp", picture, true, &error), qPrintable(error));
        QVERIFY(asPng.path().endsWith(QLatin1String(".png")));
        QCOMPARE(QImageReader(asPng.path()).format(), QByteArray("png"));
        QCOMPARE(largestDifference(QImage(asPng.path()), picture), 0);
        asPng.commit();

        WallpaperCopy asIs;
        QVERIFY2(asIs.write(bytes, "bmp", picture, false, &error), qPrintable(error));
        QCOMPARE(QFileInfo(asIs.path()).suffix(), QStringLiteral("bmp"));
        QVERIFY(QFileInfo(asIs.path()).baseName() != QFileInfo(asPng.path()).baseName());
        asIs.commit();
        QCOMPARE(copyFiles(), QStringList { asIs.path() });

        WallpaperCopy refused;
        QVERIFY2(refused.write(bytes, "bmp", picture, false, &error), qPrintable(error));
        QCOMPARE(QFileInfo(refused.path()).baseName(), QFileInfo(asPng.path()).baseName());
        refused.discard();
        QCOMPARE(copyFiles(), QStringList { asIs.path() });
        QCOMPARE(fileBytes(asIs.path()), bytes);
    }

    void copyFolderNotWritable()
    {
        // A file where the folder should be: nothing can be written there.
        QVERIFY(QDir().mkpath(QFileInfo(WallpaperCopy::defaultFolder()).path()));
        writeBytes("x", QStringLiteral("placeholder"));
        QVERIFY(QFile::copy(
            fotoria::test::testHome() + QStringLiteral("/tmp/placeholder"), WallpaperCopy::defaultFolder()));
        QString error;
        QVERIFY(!setDesktopWallpaper(
            writePicture(gradientPicture(80, 60), "i.bmp"), QStringLiteral("true"), &error));
        QVERIFY2(error.contains(QLatin1String("wallpaper folder")), qPrintable(error));
        QFile::remove(WallpaperCopy::defaultFolder());
    }
};

// No display of its own is needed: the root window test starts its own X server.
FOTORIA_TEST_GUILESS_MAIN(DesktopWallpaperTest)
#include "DesktopWallpaperTest.moc"
