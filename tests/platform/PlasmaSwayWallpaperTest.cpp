#include <platform/DesktopWallpaper.h>

#include "DesktopTestSupport.h"
#include "TestMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QUrl>

using platform::setDesktopWallpaper;

using namespace desktoptest;

namespace {

QJsonArray plasmaState(const QString &stateFile)
{
    QFile file(stateFile);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).array() : QJsonArray();
}

QUrl plasmaImage(const QJsonArray &state, int desktop)
{
    return QUrl(state.at(desktop)
                    .toObject()
                    .value(QStringLiteral("config"))
                    .toObject()
                    .value(QStringLiteral("Wallpaper/org.kde.image/General"))
                    .toObject()
                    .value(QStringLiteral("Image"))
                    .toString());
}

// Picture desktops point at `copy`; every other desktop kept its plugin and
// was not written to.
bool plasmaShows(const QJsonArray &state, const QStringList &plugins, const QString &copy)
{
    if (state.size() != plugins.size())
        return false;
    const QString image = QStringLiteral("org.kde.image");
    for (int i = 0; i < plugins.size(); ++i) {
        const QJsonObject desktop = state.at(i).toObject();
        const QJsonObject config = desktop.value(QStringLiteral("config")).toObject();
        if (desktop.value(QStringLiteral("plugin")).toString() != plugins.at(i))
            return false;
        if (plugins.at(i) != image) {
            if (!config.isEmpty())
                return false;
            continue;
        }
        const QUrl uri = plasmaImage(state, i);
        if (config.size() != 1 || !uri.isLocalFile() || uri.toLocalFile() != copy) {
            qWarning() << "desktop" << i << "has" << config;
            return false;
        }
    }
    return true;
}

QString onlyCopy()
{
    const QStringList files = copyFiles();
    return files.size() == 1 ? files.first() : QString();
}

QImage waylandScreen()
{
    const QString path = fotoria::test::testHome() + QStringLiteral("/tmp/screen.png");
    QFile::remove(path);
    if (QProcess::execute(QStringLiteral("grim"), { path }) != 0)
        return QImage();
    return QImage(path);
}

QString socketIn(const QString &folder, const QString &pattern)
{
    const QStringList names = QDir(folder).entryList({ pattern }, QDir::System);
    return names.isEmpty() ? QString() : QDir(folder).filePath(names.first());
}

} // namespace

class PlasmaSwayWallpaperTest : public QObject
{
    Q_OBJECT

    // Qt connects to the session bus once per process, so every KDE row
    // shares this one.
    std::unique_ptr<DesktopSession> m_bus;
    EnvGuard m_busEnv;

private slots:
    void cleanup() { fotoria::test::removeTestFolder(WallpaperCopy::defaultFolder()); }

    void plasma_data()
    {
        QTest::addColumn<QStringList>("plugins"); // empty: no plasmashell on the bus
        QTest::addColumn<QString>("dataFolder"); // under the test home; empty: the usual one
        QTest::addColumn<QString>("failure"); // part of the error; empty: success
        QTest::addColumn<QString>("firstLine"); // printed by Plasma itself before the count
        // Where each desktop's screen is; set: a picture per monitor, the primary's at 0,0.
        QTest::addColumn<QString>("screens");

        const QString image = QStringLiteral("org.kde.image");
        // First: a recorder of an earlier row could still own the name.
        QTest::newRow("no plasmashell") << QStringList() << QString() << "plasmashell is not running"
                                        << QString() << QString();
        QTest::newRow("mixed desktops") << QStringList { image, QStringLiteral("org.kde.color"), image }
                                        << QString() << QString() << QString() << QString();
        QTest::newRow("no picture desktop")
            << QStringList { QStringLiteral("org.kde.color"), QStringLiteral("org.kde.slideshow") }
            << QString() << "no KDE desktop shows a picture" << QString() << QString();
        QTest::newRow("quote, backslash, accents") << QStringList { image }
                                                   << QStringLiteral("/data 'it''s' \\ \"q\" Bäckerstraße")
                                                   << QString() << QString() << QString();
        QTest::newRow("a line of Plasma's before the count")
            << QStringList { image } << QString() << QString() << "kf.plasma: 2 desktops found" << QString();
        QTest::newRow("a picture per screen")
            << QStringList { image, image } << QString() << QString() << QString() << "1280,0;0,0";
    }

    void plasma()
    {
        QFETCH(QStringList, plugins);
        QFETCH(QString, dataFolder);
        QFETCH(QString, failure);
        QFETCH(QString, firstLine);
        QFETCH(QString, screens);
        QString error;
        if (!haveTools({ QStringLiteral("dbus-run-session") }, &error))
            QSKIP(qPrintable(error));
        if (!m_bus) {
            m_bus = std::make_unique<DesktopSession>();
            QVERIFY2(m_bus->start(QString(), &error), qPrintable(error));
            m_busEnv.set("DBUS_SESSION_BUS_ADDRESS", m_bus->busAddress());
        }
        EnvGuard env;
        env.set("XDG_CURRENT_DESKTOP", QStringLiteral("KDE"));
        if (!dataFolder.isEmpty())
            env.set("XDG_DATA_HOME", fotoria::test::testHome() + dataFolder);

        // A wallpaper set before, which a failure must leave in place.
        QVERIFY2(setDesktopWallpaper(
                     writePicture(solidPicture(qRgb(1, 2, 3)), "k.bmp"), QStringLiteral("true"), &error),
            qPrintable(error));
        const QString previous = onlyCopy();
        QVERIFY(!previous.isEmpty());

        const QString stateFile = fotoria::test::testHome() + QStringLiteral("/plasma-state.json");
        QFile::remove(stateFile);
        QProcess shell;
        const auto stop = qScopeGuard([&] {
            shell.kill();
            shell.waitForFinished();
        });
        if (!plugins.isEmpty()) {
            shell.setProcessEnvironment(m_bus->environment());
            shell.setProcessChannelMode(QProcess::ForwardedChannels);
            shell.start(QCoreApplication::applicationDirPath() + QStringLiteral("/plasma-shell-recorder"),
                (firstLine.isEmpty() ? QStringList() : QStringList { "--first-line=" + firstLine })
                    + (screens.isEmpty() ? QStringList() : QStringList { "--screens=" + screens })
                    + QStringList { stateFile } + plugins);
            QVERIFY(shell.waitForStarted());
            QVERIFY2(waitUntil([&] {
                return QFile::exists(stateFile) || shell.state() == QProcess::NotRunning;
            }) && shell.state() == QProcess::Running,
                "the stand-in plasmashell did not start");
        }
        const QJsonArray before = plasmaState(stateFile);
        if (!screens.isEmpty()) {
            const QList<platform::MonitorPicture> pictures {
                { { QStringLiteral("M0"), QRect(0, 0, 1280, 1024), true }, solidPicture(qRgb(200, 30, 30)) },
                { { QStringLiteral("M1"), QRect(1280, 0, 1280, 1024), false }, solidPicture(qRgb(30, 30, 200)) }
            };
            QVERIFY2(platform::setDesktopWallpapers(pictures, {}, &error), qPrintable(error));
            const QJsonArray state = plasmaState(stateFile);
            QVERIFY(showsColour(QImage(plasmaImage(state, 0).toLocalFile()), qRgb(30, 30, 200)));
            QVERIFY(showsColour(QImage(plasmaImage(state, 1).toLocalFile()), qRgb(200, 30, 30)));
            return;
        }

        const bool changed
            = setDesktopWallpaper(writePicture(solidPicture(qRgb(9, 8, 7)), "k.bmp"), {}, &error);
        if (!failure.isEmpty()) {
            QVERIFY(!changed);
            QVERIFY2(error.contains(failure), qPrintable(error));
            QCOMPARE(copyFiles(), QStringList { previous });
            QCOMPARE(plasmaState(stateFile), before);
            return;
        }
        QVERIFY2(changed, qPrintable(error));
        const QString first = onlyCopy();
        QVERIFY(!first.isEmpty() && first != previous);
        QVERIFY(plasmaShows(plasmaState(stateFile), plugins, first));

        // KDE ignores a change that keeps the file name.
        QVERIFY2(setDesktopWallpaper(writePicture(solidPicture(qRgb(7, 8, 9)), "k.bmp"), {}, &error),
            qPrintable(error));
        const QString second = onlyCopy();
        QVERIFY(!second.isEmpty() && second != first);
        QVERIFY(plasmaShows(plasmaState(stateFile), plugins, second));
    }

    void sway_data()
    {
        QTest::addColumn<QString>("dataFolder"); // under the test home; empty: the usual one
        QTest::addColumn<QString>("refusal"); // empty: the picture shows
        QTest::addColumn<bool>("twoOutputs"); // each with a picture of its own

        QTest::newRow("usual data folder") << QString() << QString() << false;
        // sway passes the path through wordexp(), a small shell.
        QTest::newRow("spaces, quotes, shell characters")
            << QStringLiteral("/data \"quoted\"  it's $HOME; *") << QString() << false;
        // ... which loses a line break: refused rather than a silent failure.
        QTest::newRow("line break") << QStringLiteral("/data\nline") << QStringLiteral("line break") << false;
        QTest::newRow("two outputs, a picture each") << QString() << QString() << true;
    }

    void sway()
    {
        QFETCH(QString, dataFolder);
        QFETCH(QString, refusal);
        QFETCH(bool, twoOutputs);
        // sway refuses to run as root; in a user namespace it runs as an
        // ordinary user that still owns our files.
        const bool asRoot = ::geteuid() == 0;
        QString error;
        QStringList tools { QStringLiteral("sway"), QStringLiteral("swaybg"), QStringLiteral("swaymsg"),
            QStringLiteral("grim"), QStringLiteral("dbus-run-session") };
        if (asRoot)
            tools << QStringLiteral("unshare");
        if (!haveTools(tools, &error))
            QSKIP(qPrintable(error));

        const QString runtime
            = fotoria::test::testHome() + QStringLiteral("/sway-%1").arg(QTest::currentDataTag());
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString config = runtime + QStringLiteral("/config");
        QFile configFile(config);
        QVERIFY(configFile.open(QIODevice::WriteOnly));
        configFile.write("xwayland disable\noutput HEADLESS-1 resolution 640x480\n");
        if (twoOutputs)
            configFile.write("output HEADLESS-1 position 0 0\noutput HEADLESS-2 resolution 640x480 position 640 0\n");
        configFile.close();

        EnvGuard env;
        env.set("XDG_RUNTIME_DIR", runtime);
        env.set("WLR_BACKENDS", QStringLiteral("headless"));
        env.set("WLR_HEADLESS_OUTPUTS", QString::number(twoOutputs ? 2 : 1));
        env.set("WLR_LIBINPUT_NO_DEVICES", QStringLiteral("1"));
        env.set("WLR_RENDERER", QStringLiteral("pixman"));
        env.set("XDG_CURRENT_DESKTOP", QStringLiteral("sway"));
        env.unset("WAYLAND_DISPLAY");
        env.unset("SWAYSOCK");
        if (!dataFolder.isEmpty())
            env.set("XDG_DATA_HOME", fotoria::test::testHome() + dataFolder);
        // Refused before sway is asked.
        if (!refusal.isEmpty()) {
            QVERIFY(!setDesktopWallpaper(writePicture(solidPicture(qRgb(200, 60, 30)), "s.bmp"), {}, &error));
            QVERIFY2(error.contains(refusal), qPrintable(error));
            QVERIFY(copyFiles().isEmpty());
            return;
        }
        DesktopSession session;
        QVERIFY2(session.start(QString(), &error), qPrintable(error));
        const QStringList sway { QStringLiteral("sway"), QStringLiteral("-c"), config };
        if (asRoot)
            session.launch(QStringLiteral("unshare"),
                QStringList { QStringLiteral("--user"), QStringLiteral("--map-user=1000"),
                    QStringLiteral("--map-group=1000") }
                    + sway);
        else
            session.launch(sway.first(), sway.mid(1));
        waitUntil([&] {
            return !session.running(1)
                || (!socketIn(runtime, QStringLiteral("sway-ipc.*.sock")).isEmpty()
                    && !socketIn(runtime, QStringLiteral("wayland-?")).isEmpty());
        });
        if (!session.running(1))
            QSKIP("sway does not start here (its error output is above)");
        const QString socket = socketIn(runtime, QStringLiteral("sway-ipc.*.sock"));
        QVERIFY2(!socket.isEmpty(), "sway made no command socket");
        env.set("SWAYSOCK", socket);
        env.set("WAYLAND_DISPLAY", QFileInfo(socketIn(runtime, QStringLiteral("wayland-?"))).fileName());

        if (twoOutputs) {
            const QVector<platform::DesktopMonitor> outputs = platform::desktopMonitors();
            QCOMPARE(outputs.size(), 2);
            const QList<QRgb> colours { qRgb(200, 60, 30), qRgb(40, 90, 220) };
            const QList<platform::MonitorPicture> pictures { { outputs[0], solidPicture(colours[0]) },
                { outputs[1], solidPicture(colours[1]) } };
            QVERIFY2(platform::setDesktopWallpapers(pictures, {}, &error), qPrintable(error));
            QVERIFY2(waitUntil([&] {
                const QImage screen = waylandScreen();
                return showsColour(screen.copy(outputs[0].geometry), colours[0])
                    && showsColour(screen.copy(outputs[1].geometry), colours[1]);
            }),
                "sway does not show a picture per output");
            return;
        }
        QString previous;
        for (const QRgb colour : { qRgb(200, 60, 30), qRgb(40, 90, 220) }) {
            QVERIFY2(setDesktopWallpaper(writePicture(solidPicture(colour), "s.bmp"), {}, &error),
                qPrintable(error));
            const QString copy = onlyCopy();
            QVERIFY(copy.endsWith(QLatin1String(".png")) && copy != previous);
            QVERIFY2(waitUntil([&] { return showsColour(waylandScreen(), colour); }),
                "sway does not show the picture");
            previous = copy;
        }
    }
};

FOTORIA_TEST_GUILESS_MAIN(PlasmaSwayWallpaperTest)
#include "PlasmaSwayWallpaperTest.moc"
