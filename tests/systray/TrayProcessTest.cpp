#include <FotoriaService.h>
#include <TestFiles.h>
#include <TestMain.h>
#include <XTestServer.h>

#include <core/ImageStore.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>

#include <csignal>

// The real program on a display of its own with a real tray (trayer): the
// icon docks, the service account signs in, the delayed start-up sets the
// wallpaper on the root window, and "Exit" in the tray menu ends it; what
// pops up at start comes one at a time.
class TrayProcessTest : public QObject
{
    Q_OBJECT

    fotoria::test::FotoriaService m_service;
    XTestServer m_x;
    QProcess m_trayer;

    QString trayerWindow() const
    {
        return m_x.runTool("xdotool", { "search", "--class", "trayer" })
            .split('\n', Qt::SkipEmptyParts)
            .value(0);
    }

    // The screen positions of this program's windows docked in the tray's
    // panel.
    QList<QPoint> dockedIcons() const
    {
        QList<QPoint> icons;
        int panelDepth = -1;
        const QRegularExpression position(QStringLiteral("\\+(-?\\d+)\\+(-?\\d+)\\s*$"));
        for (const QString &line : m_x.runTool("xwininfo", { "-root", "-tree" }).split('\n')) {
            const int depth = line.indexOf(QRegularExpression(QStringLiteral("\\S")));
            if (line.contains(QLatin1String("(\"panel\" \"trayer\")"))) {
                panelDepth = depth;
            } else if (panelDepth >= 0 && depth > panelDepth) {
                const QRegularExpressionMatch match = position.match(line);
                if (line.contains(QLatin1String("(\"tessel\"")) && match.hasMatch())
                    icons << QPoint(match.captured(1).toInt(), match.captured(2).toInt());
            } else {
                panelDepth = -1;
            }
        }
        return icons;
    }

    // Starts tessel in `home` with these settings on this display.
    void startTessel(QProcess &tessel, const QString &home, const QVariantMap &values)
    {
        {
            QSettings settings(
                home + "/.config/Fotoria/FotoriaWallpaperScreensaver.conf", QSettings::IniFormat);
            settings.setValue("kServiceUrl", m_service.baseUrl());
            for (auto it = values.begin(); it != values.end(); ++it)
                settings.setValue(it.key(), it.value());
        }
        QProcessEnvironment env = fotoria::test::homeEnvironment(m_x.environment(), home);
        env.remove("XDG_CURRENT_DESKTOP");
        env.remove("DESKTOP_SESSION");
        QDir().mkpath(home + "/tmp");
        tessel.setProcessEnvironment(env);
        tessel.setWorkingDirectory(home);
        tessel.start(TESSEL_BINARY, QStringList());
        QVERIFY(tessel.waitForStarted());
    }

    // Escape, or a click on the button in the bottom-right corner.
    void closeWindow(const QString &id, bool byButton) const
    {
        if (!byButton) {
            m_x.runTool("xdotool", { "windowfocus", "--sync", id, "key", "Escape" });
            return;
        }
        QMap<QString, int> geometry;
        for (const QString &line : m_x.runTool("xdotool", { "getwindowgeometry", "--shell", id }).split('\n'))
            geometry.insert(line.section('=', 0, 0), line.section('=', 1).toInt());
        const int x = geometry.value("X") + geometry.value("WIDTH") - 40;
        const int y = geometry.value("Y") + geometry.value("HEIGHT") - 24;
        m_x.runTool("xdotool", { "mousemove", QString::number(x), QString::number(y), "click", "1" });
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_service.start(&error), qPrintable(error));
        QVERIFY(m_x.start(QSize(1920, 1080)));
        m_trayer.setProcessEnvironment(m_x.environment());
        m_trayer.start(
            "trayer", { "--edge", "bottom", "--align", "right", "--widthtype", "request", "--height", "32" });
        QVERIFY(m_trayer.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(!trayerWindow().isEmpty(), 10000);
    }

    void cleanupTestCase()
    {
        m_trayer.terminate();
        m_trayer.waitForFinished(3000);
    }

    void startsIntoTheTrayAndExitsFromItsMenu()
    {
        const QString home = fotoria::test::testHome() + "/tray";
        const QString playlists = home + "/Documents/Fotoria Playlist";
        QDir().mkpath(playlists + "/Favorites");
        QDir().mkpath(home + "/Documents/Fotoria");
        QImage red(1280, 720, QImage::Format_RGB32);
        red.fill(QColor(200, 20, 20));
        QVERIFY(red.save(playlists + "/Favorites/red.jpg"));
        ImageStore(home + "/Documents/Fotoria/active.xml", playlists).setActive("Favorites", true);

        QProcess tessel;
        auto killOnFailure = qScopeGuard([&tessel] {
            if (tessel.state() != QProcess::NotRunning) {
                tessel.kill();
                tessel.waitForFinished(3000);
            }
        });
        startTessel(tessel, home, { { "kChangePicture", 3600 }, { "kShowWelcomeScreen", false } });

        QTRY_COMPARE_WITH_TIMEOUT(dockedIcons().size(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!m_service.journal("/gallery/home").isEmpty(), 10000);
        const QJsonArray signIns = m_service.journal("/api/v3/tokens");
        QCOMPARE(signIns.first().toObject().value("method").toString(), QStringLiteral("POST"));

        // The delayed start-up sets a picture of the active playlist on the
        // bare root window.
        QTRY_VERIFY_WITH_TIMEOUT(
            m_x.runTool("xprop", { "-root", "_XROOTPMAP_ID" }).contains("pixmap id"), 15000);
        const QColor corner = m_x.screenshot().pixelColor(1900, 20);
        QVERIFY2(corner.red() > 150 && corner.green() < 80, qPrintable(corner.name()));

        // "Exit" is the menu's last entry.
        const QPoint icon = dockedIcons().first() + QPoint(6, 6);
        m_x.runTool(
            "xdotool", { "mousemove", QString::number(icon.x()), QString::number(icon.y()), "click", "3" });
        QTest::qWait(500);
        m_x.runTool("xdotool", { "key", "Up", "Return" });
        QVERIFY(tessel.waitForFinished(5000));
        QCOMPARE(tessel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tessel.exitCode(), 0);
        QVERIFY(!fotoria::test::readFile(home + "/Documents/Fotoria/log.txt").contains("QThread: Destroyed"));
    }

    // A second tessel with a command hands it to the running one and ends:
    // the root window and the Favorites folder show what it did.
    void commandsReachTheRunningTessel()
    {
        const QString home = fotoria::test::testHome() + "/control";
        const QString playlists = home + "/Documents/Fotoria Playlist";
        QDir().mkpath(home + "/Documents/Fotoria");
        for (const char *name : { "red", "blue" }) {
            QImage picture(1280, 720, QImage::Format_RGB32);
            picture.fill(QColor(name));
            QVERIFY(QDir().mkpath(playlists + "/Trip") && picture.save(playlists + "/Trip/" + name + ".jpg"));
        }
        ImageStore(home + "/Documents/Fotoria/active.xml", playlists).setActive("Trip", true);
        m_x.runTool("xprop", { "-root", "-remove", "_XROOTPMAP_ID" });
        QProcess tessel;
        auto killOnFailure = qScopeGuard([&tessel] { tessel.kill(), tessel.waitForFinished(3000); });
        startTessel(tessel, home, { { "kChangePicture", 3600 }, { "kShowWelcomeScreen", false } });
        // The exit status, then what it said on stderr.
        const auto command = [&tessel](const QString &option) {
            QProcess second;
            second.setProcessEnvironment(tessel.processEnvironment());
            second.start(TESSEL_BINARY, { option });
            second.waitForFinished(10000);
            return QString::number(second.exitCode()) + second.readAllStandardError();
        };
        // The top right corner of the root window: red or blue.
        const auto shown = [this] {
            return QString(m_x.screenshot().pixelColor(1900, 20).red() > 128 ? "red" : "blue");
        };
        QTRY_VERIFY_WITH_TIMEOUT(
            m_x.runTool("xprop", { "-root", "_XROOTPMAP_ID" }).contains("pixmap id"), 15000);
        const QString first = shown(), second = first == "red" ? "blue" : "red";

        QCOMPARE(command("--next"), "0");
        QTRY_COMPARE_WITH_TIMEOUT(shown(), second, 10000);
        QCOMPARE(command("--previous"), "0");
        QTRY_COMPARE_WITH_TIMEOUT(shown(), first, 10000);
        QCOMPARE(command("--pause"), "0");
        const QString settings = home + "/.config/Fotoria/FotoriaWallpaperScreensaver.conf";
        QTRY_VERIFY(QSettings(settings, QSettings::IniFormat).value("kRotationPaused").toBool());
        // Paused holds back the timer only; "Next" walks forward through the history.
        QCOMPARE(command("--next"), "0");
        QTRY_COMPARE_WITH_TIMEOUT(shown(), second, 10000);
        QCOMPARE(command("--favorite"), "0");
        QTRY_VERIFY(QFileInfo::exists(playlists + "/Favorites/" + second + ".jpg"));
        QVERIFY(QFileInfo::exists(playlists + "/Trip/" + second + ".jpg"));

        ::kill(pid_t(tessel.processId()), SIGTERM);
        QVERIFY(tessel.waitForFinished(10000));
        const QString refused = command("--next");
        QVERIFY2(refused.startsWith("1tessel is not running"), qPrintable(refused));
    }

    // A later start with the welcome pages ticked, a changed service notice,
    // a failed update's note and a newer version: never two of them on the
    // screen, and in the order welcome, notice, update. Each is closed with
    // Escape (the update question so is declined), the notice with its OK
    // button: its page has the keyboard.
    void startPopupsComeOneAtATime()
    {
        const QString home = fotoria::test::testHome() + "/queue";
        const QString updates = home + "/.cache/fotoria-update";
        QVERIFY(QDir().mkpath(updates) && QFile::setPermissions(updates, QFileDevice::Permissions(0x7700)));
        fotoria::test::writeFile(updates + "/update-failed.txt", "the installer ended with status 3.\n");
        QVERIFY(m_service.setConfig("linux_version", "1.5.0.0"));
        auto reset = qScopeGuard([this] { m_service.resetConfig(); });
        QProcess tessel;
        auto killOnFailure = qScopeGuard([&tessel] {
            tessel.kill();
            tessel.waitForFinished(3000);
        });
        startTessel(tessel, home,
            { { "kFirstTime", false }, { "kShowWelcomeScreen", true }, { "last_notification_size", 0 },
                { "kIgnoreSslErrors", true }, { "kChangePicture", 3600 } });

        const QString titles = "^(Welcome to Fotoria|Information|Auto update|Update available)$";
        QStringList order, together;
        QDeadlineTimer deadline(60000);
        while (order.size() < 4 && !deadline.hasExpired()) {
            const QStringList shown = m_x.runTool("xdotool", { "search", "--onlyvisible", "--name", titles })
                                          .split('\n', Qt::SkipEmptyParts);
            QStringList names;
            for (const QString &id : shown)
                names << m_x.runTool("xdotool", { "getwindowname", id }).trimmed();
            if (names.size() > 1)
                together << names.join(" + ");
            if (names.size() == 1) {
                if (order.value(order.size() - 1) != names.first())
                    order << names.first();
                closeWindow(shown.first(), names.first() == "Information");
            }
            QTest::qWait(100);
        }
        QCOMPARE(together, QStringList());
        QCOMPARE(order, QStringList({ "Welcome to Fotoria", "Information", "Auto update", "Update available" }));
        QVERIFY(!QFileInfo::exists(updates + "/update-failed.txt"));
        QTRY_COMPARE(QSettings(home + "/.config/Fotoria/FotoriaWallpaperScreensaver.conf", QSettings::IniFormat)
                         .value("kDeclinedVersion")
                         .toString(),
            QStringLiteral("1.5.0.0"));
        ::kill(pid_t(tessel.processId()), SIGTERM);
        QVERIFY(tessel.waitForFinished(10000));
    }
};

FOTORIA_TEST_MAIN(TrayProcessTest)
#include "TrayProcessTest.moc"
