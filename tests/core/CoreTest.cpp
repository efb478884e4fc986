#include <TestFiles.h>
#include <TestMain.h>

#include <core/AppInfo.h>
#include <core/FileLocations.h>
#include <core/ServiceAddress.h>
#include <core/Settings.h>
#include <core/SystemInfo.h>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QThread>

#include <unistd.h>

using fotoria::test::readFile;
using fotoria::test::writeFile;

namespace {


QSettings storeOnDisk()
{
    return QSettings(Settings::fileName(), QSettings::IniFormat);
}

} // namespace

class CoreTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(AppInfo::organization);
        QCoreApplication::setApplicationName(AppInfo::applicationName());
        QVERIFY(Settings::fileName().startsWith(fotoria::test::testHome()));
    }

    void applicationNameHasNoBlankOrAmpersand()
    {
        QCOMPARE(AppInfo::applicationName(), QStringLiteral("FotoriaWallpaperScreensaver"));
    }

    void firstRunOnceThenStoredFalse()
    {
        QFile::remove(Settings::fileName());
        Settings::isFirstRun = false;
        Settings::initialize();
        QVERIFY(Settings::isFirstRun);
        QCOMPARE(storeOnDisk().value("kFirstTime").toString(), QStringLiteral("false"));

        Settings::isFirstRun = false;
        Settings::initialize();
        QVERIFY(!Settings::isFirstRun);
    }

    void readsWithDefaultsAndConversions_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("asBool");
        QTest::addColumn<int>("asInt");
        QTest::addColumn<QString>("asString");

        QTest::newRow("absent") << QVariant() << true << 42 << "fallback";
        QTest::newRow("bool true") << QVariant(true) << true << 1 << "true";
        QTest::newRow("number text") << QVariant("86400") << true << 86400 << "86400";
        QTest::newRow("zero") << QVariant(0) << false << 0 << "0";
        QTest::newRow("garbage text") << QVariant("abc") << false << 0 << "abc";
        QTest::newRow("false text") << QVariant("false") << false << 0 << "false";
        QTest::newRow("list") << QVariant(QStringList{"a", "b"}) << false << 0 << "a, b";
    }

    void readsWithDefaultsAndConversions()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, asBool);
        QFETCH(int, asInt);
        QFETCH(QString, asString);

        const QString key = QStringLiteral("kProbe");
        Settings::remove(key);
        if (stored.isValid())
            Settings::setValue(key, stored);
        // Reload from disk: values come back as the file holds them.
        Settings::initialize();
        QCOMPARE(Settings::getBool(key, true), asBool);
        QCOMPARE(Settings::getInt(key, 42), asInt);
        QCOMPARE(Settings::getString(key, "fallback"), asString);
    }

    void everyWriteReachesTheFileAtOnce()
    {
        Settings::setValue("kChangePicture", 600);
        QCOMPARE(storeOnDisk().value("kChangePicture").toInt(), 600);
    }

    void writesFromManyThreads()
    {
        QList<QThread *> threads;
        for (int t = 0; t < 4; ++t) {
            threads << QThread::create([t]() {
                for (int i = 0; i < 50; ++i) {
                    Settings::setValue(QStringLiteral("thread%1").arg(t), i);
                    Settings::getInt(QStringLiteral("thread%1").arg((t + 1) % 4), 0);
                }
            });
            threads.last()->start();
        }
        for (QThread *thread : threads) {
            QVERIFY(thread->wait(30000));
            delete thread;
        }
        for (int t = 0; t < 4; ++t)
            QCOMPARE(storeOnDisk().value(QStringLiteral("thread%1").arg(t)).toInt(), 49);
    }

    void foldersFollowTheDocumentsFolder()
    {
        FileLocations locations;
        const QString docs = fotoria::test::testHome() + "/Documents";
        QCOMPARE(FileLocations::documentsFolder(), docs);
        QCOMPARE(FileLocations::baseFolder(), docs + "/Fotoria");
        QCOMPARE(FileLocations::photosFolder(), docs + "/Fotoria/FotoriaPhotos");
        QCOMPARE(FileLocations::playlistFolder(), docs + "/Fotoria Playlist");
        QCOMPARE(FileLocations::favoritesFolder(), docs + "/Fotoria Playlist/Favorites");
        QCOMPARE(locations.bringToFrontFile(), docs + "/Fotoria/bringtofront.xml");

        locations.createDirectories();
        for (const QString &dir : {FileLocations::baseFolder(), FileLocations::photosFolder(),
                                   FileLocations::playlistFolder(), FileLocations::favoritesFolder()})
            QVERIFY2(QFileInfo(dir).isDir(), qPrintable(dir));
    }

    void removeTreeRemovesNestedAndHiddenEntries()
    {
        const QString root = fotoria::test::testHome() + "/tree";
        writeFile(root + "/a/b/c.txt");
        writeFile(root + "/.hidden");
        writeFile(root + "/a/.also");
        QVERIFY(removeTree(root));
        QVERIFY(!QFileInfo::exists(root));
        QVERIFY(!removeTree(root)); // gone: nothing to remove
    }

    void removeTreeStopsAtAnEntryItCannotRemove()
    {
        const QString root = fotoria::test::testHome() + "/stuck";
        writeFile(root + "/a-first/keep.txt");
        writeFile(root + "/b-second/other.txt");
        writeFile(root + "/z.txt");

        // Root may delete anything that is not immutable.
        const bool root_user = ::geteuid() == 0;
        const QString stuck = root + "/a-first/keep.txt";
        if (root_user) {
            if (QProcess::execute("chattr", {"+i", stuck}) != 0)
                QSKIP("cannot make a file immutable here");
        } else {
            QFile::setPermissions(root + "/a-first", QFile::ReadOwner | QFile::ExeOwner);
        }

        const bool removed = removeTree(root);

        if (root_user)
            QProcess::execute("chattr", {"-i", stuck});
        else
            QFile::setPermissions(root + "/a-first", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QVERIFY(!removed);
        QVERIFY(QFileInfo::exists(stuck));
        // Folders come first, and the walk stops at the first failure.
        QVERIFY(QFileInfo::exists(root + "/b-second/other.txt"));
        QVERIFY(QFileInfo::exists(root + "/z.txt"));
        QVERIFY(removeTree(root));
    }

    void resetKeepsPhotosAndDeletesTheRest()
    {
        FileLocations locations;
        locations.createDirectories();
        const QString base = FileLocations::baseFolder();
        writeFile(FileLocations::photosFolder() + "/kept.jpg", "photo");
        writeFile(base + "/active.xml");
        writeFile(base + "/bringtofront.xml");
        writeFile(base + "/CatalogCache/tag/a.jpg");
        writeFile(base + "/.cachedir/data");
        writeFile(FileLocations::favoritesFolder() + "/pic.jpg");
        writeFile(FileLocations::cookieFile(), "[cookies]");
        Settings::setValue("kChangePicture", 60);

        QMainWindow window;
        window.resize(400, 300);
        Settings::saveWindowStateOnExit = true;

        Settings::reset();

        QVERIFY(!Settings::saveWindowStateOnExit);
        QVERIFY(storeOnDisk().allKeys().isEmpty());
        QVERIFY(QFileInfo::exists(FileLocations::photosFolder() + "/kept.jpg"));
        QVERIFY(QFileInfo::exists(FileLocations::favoritesFolder() + "/pic.jpg"));
        const QStringList left = QDir(base).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(left, QStringList{"FotoriaPhotos"});
        QVERIFY(!QFileInfo::exists(FileLocations::cookieFile()));

        // The quit that follows a reset leaves the window group out.
        if (Settings::saveWindowStateOnExit)
            Settings::saveWindowState(&window, "cabrowser");
        QVERIFY(!storeOnDisk().childGroups().contains("cabrowser"));
        Settings::saveWindowStateOnExit = true;
    }

    void windowStateRoundTripsAndCentresWhenNeverSaved()
    {
        QScreen *screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        QDialog fresh;
        fresh.resize(300, 200);
        Settings::restoreWindowState(&fresh, "never-saved");
        QCOMPARE(fresh.size(), QSize(300, 200));
        QCOMPARE(fresh.geometry().center(), screen->availableGeometry().center());

        QMainWindow window;
        window.setGeometry(40, 50, 420, 310);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Settings::saveWindowState(&window, "cabrowser");
        QSettings disk = storeOnDisk();
        disk.beginGroup("cabrowser");
        for (const char *key : {"geometry", "savestate", "maximized", "pos", "size"})
            QVERIFY2(disk.contains(key), key);
        QCOMPARE(disk.value("size").toSize(), QSize(420, 310));

        QMainWindow restored;
        Settings::restoreWindowState(&restored, "cabrowser");
        QCOMPARE(restored.size(), QSize(420, 310));
    }

    void systemDescriptionHidesSecrets()
    {
        const QString text = SystemInfo::systemDescription(
            {"PATH=/usr/bin", "GITHUB_TOKEN=ghp_secret", "db_password=hunter2", "API_KEY=k",
             "SESSION_ID=s", "LANG=C"});
        const QStringList lines = text.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), QStringLiteral("1.4.0.19"));
        QCOMPARE(lines.value(1), QStringLiteral("Linux"));
        QCOMPARE(lines.value(2), SystemInfo::osVersionCode());
        QVERIFY(!SystemInfo::osVersionCode().isEmpty());
        QVERIFY(lines.contains("PATH=/usr/bin"));
        QVERIFY(lines.contains("LANG=C"));
        QVERIFY(lines.contains("GITHUB_TOKEN=<hidden>"));
        for (const char *secret : {"ghp_secret", "hunter2", "API_KEY=k", "SESSION_ID=s"})
            QVERIFY2(!text.contains(secret), secret);

        QCOMPARE(SystemInfo::systemDescription(QStringList()).count('\n'), 3);
    }

    void serviceOrigin_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("sameOrigin");
        QTest::newRow("another path") << "https://fotoria.example/photos/a.jpg" << true;
        QTest::newRow("default port written out, host in capitals") << "https://FOTORIA.example:443/a" << true;
        QTest::newRow("http to the same host") << "http://fotoria.example/a" << false;
        QTest::newRow("http on port 443") << "http://fotoria.example:443/a" << false;
        QTest::newRow("another port") << "https://fotoria.example:8443/a" << false;
        QTest::newRow("sub-domain") << "https://cdn.fotoria.example/a" << false;
        QTest::newRow("host as user name") << "https://fotoria.example@evil.example/a" << false;
        QTest::newRow("file") << "file:///etc/passwd" << false;
    }

    void serviceOrigin()
    {
        QFETCH(QString, address);
        QFETCH(bool, sameOrigin);
        Settings::setValue("kServiceUrl", "https://fotoria.example/api/");
        QCOMPARE(ServiceAddress::isServiceOrigin(QUrl(address)), sameOrigin);
        Settings::remove("kServiceUrl");
    }
};

FOTORIA_TEST_MAIN(CoreTest)
#include "CoreTest.moc"
