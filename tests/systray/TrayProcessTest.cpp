#include <FotoriaService.h>
#include <TestFiles.h>
#include <TestMain.h>
#include <XTestServer.h>

#include <core/ImageStore.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>

// The real program on a display of its own with a real tray (trayer): the
// icon docks, the service account signs in, the delayed start-up sets the
// wallpaper on the root window, and "Exit" in the tray menu ends it.
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
        {
            QSettings settings(
                home + "/.config/Fotoria/FotoriaWallpaperScreensaver.conf", QSettings::IniFormat);
            settings.setValue("kServiceUrl", m_service.baseUrl());
            settings.setValue("kChangePicture", 3600);
            settings.setValue("kShowWelcomeScreen", false);
        }

        QProcessEnvironment env = m_x.environment();
        env.insert("HOME", home);
        env.insert("XDG_CONFIG_HOME", home + "/.config");
        env.insert("XDG_DATA_HOME", home + "/.local/share");
        env.insert("XDG_CACHE_HOME", home + "/.cache");
        env.insert("TMPDIR", home + "/tmp");
        env.remove("XDG_CURRENT_DESKTOP");
        env.remove("DESKTOP_SESSION");
        QDir().mkpath(home + "/tmp");
        QProcess tessel;
        auto killOnFailure = qScopeGuard([&tessel] {
            if (tessel.state() != QProcess::NotRunning) {
                tessel.kill();
                tessel.waitForFinished(3000);
            }
        });
        tessel.setProcessEnvironment(env);
        tessel.setWorkingDirectory(home);
        tessel.start(TESSEL_BINARY, QStringList());
        QVERIFY(tessel.waitForStarted());

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
};

FOTORIA_TEST_MAIN(TrayProcessTest)
#include "TrayProcessTest.moc"
