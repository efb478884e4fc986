// What cannot be reached from outside tessel, run in process against the
// same real parts: picture downloads under every failure of the service, a
// full disk under the playlists, and the wallpaper rotation and the
// thumbnails among pictures that are not pictures.
#include "BadPictures.h"

#include <FotoriaService.h>
#include <TestFiles.h>
#include <TestMain.h>

#include <components/catalog/CAFileGetter.h>
#include <components/catalog/CALocalImages.h>
#include <components/catalog/TileThumbnails.h>
#include <core/FileLocations.h>
#include <core/ImageStore.h>
#include <core/PlaylistLibrary.h>
#include <core/Settings.h>
#include <io/NetworkManager.h>
#include <systray/WallpaperManager.h>

#include <QDirIterator>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>

namespace {

using fotoria::test::countMatching;
using fotoria::test::readFile;
using fotoria::test::writeFile;
using Params = QMap<QString, QString>;

// Every message of the process, kept for the checks (and passed on).
QMutex g_logLock;
QStringList g_log;
QtMessageHandler g_previous = nullptr;

void keepMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        QMutexLocker locker(&g_logLock);
        g_log << message;
    }
    if (g_previous)
        g_previous(type, context, message);
}

QStringList takeLog()
{
    QMutexLocker locker(&g_logLock);
    QStringList log;
    log.swap(g_log);
    return log;
}

// Files beside the expected ones: temporary or partial downloads.
QStringList filesIn(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

int run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(20000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

class InProcessTest : public QObject
{
    Q_OBJECT

    fotoria::test::FotoriaService m_service;
    QString m_photoUrl; // a full-size catalog picture of the service

    // Waits until the getter has served everything queued.
    static bool fetch(CAFileGetter &getter, const QString &url, const QString &file)
    {
        QSignalSpy done(&getter, &CAFileGetter::closeProgress_Signal);
        getter.fetch("notused", url, file, false);
        return done.wait(30000);
    }

private slots:
    void initTestCase()
    {
        g_previous = qInstallMessageHandler(keepMessage);
        QString error;
        QVERIFY2(m_service.start(&error), qPrintable(error));
        Settings::setValue("kServiceUrl", m_service.baseUrl());
        Settings::setValue("kNetworkTimeout", 2000);
        const QJsonObject dailys = m_service.request("GET", "/api/v3/dailys?date=2024-05-01").json();
        m_photoUrl = dailys.value("dailys").toArray().first().toObject().value("url").toString();
        QVERIFY2(m_photoUrl.endsWith(".jpg"), qPrintable(m_photoUrl));
    }

    // A picture added from the catalog is downloaded whole or not at all,
    // with a line saying which address failed.
    void pictureDownloads_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<Params>("params");
        QTest::addColumn<bool>("arrives");
        QTest::newRow("http_error") << "http_error" << Params() << false;
        QTest::newRow("status 404") << "status" << Params { { "status", "404" }, { "body", "gone" } } << false;
        QTest::newRow("empty") << "empty" << Params() << false;
        QTest::newRow("malformed") << "malformed" << Params() << false;
        QTest::newRow("redirect") << "redirect" << Params() << true;
        QTest::newRow("redirect_loop") << "redirect_loop" << Params() << false;
        QTest::newRow("hang") << "hang" << Params() << false;
        QTest::newRow("slow") << "slow" << Params { { "delay_ms", "300" } } << true;
    }

    void pictureDownloads()
    {
        QFETCH(QString, mode);
        QFETCH(Params, params);
        QFETCH(bool, arrives);

        const QString folder = FileLocations::playlistFolder() + "/Downloads-" + mode;
        const QString file = folder + "/picture.jpg";
        const QString path = QUrl(m_photoUrl).path();
        m_service.clearFailures();
        QVERIFY(m_service.setFailure(path, mode, params));
        CAFileGetter getter;
        takeLog();
        QVERIFY(fetch(getter, m_photoUrl, file));
        m_service.clearFailures();

        const QStringList log = takeLog();
        const int failureLines = countMatching(log, "problem getting url:.*" + QRegularExpression::escape(path));
        if (arrives) {
            QCOMPARE(filesIn(folder), QStringList { "picture.jpg" });
            QVERIFY(!QImage(file).isNull());
            QCOMPARE(failureLines, 0);
        } else {
            QCOMPARE(filesIn(folder), QStringList());
            QVERIFY2(failureLines == 1, qPrintable(log.join('\n')));
        }
        getter.stop();
    }

    // The playlists on a full 1 MiB file system: a download, a move from a
    // playlist on another file system and a change of the index all fail
    // with a line; the index still lists what it listed and nothing is lost.
    void fullDisk()
    {
        const QString documents = fotoria::test::testHome() + "/Documents";
        const QString playlists = FileLocations::playlistFolder();
        QVERIFY(playlists.startsWith(documents + "/"));
        if (run("mount", { "-t", "tmpfs", "-o", "size=1m", "tmpfs", documents }) != 0)
            QSKIP("cannot mount a tmpfs here (mount needs root)");
        auto unmount = qScopeGuard([&documents] { run("umount", { "-l", documents }); });

        // Two playlists on the small disk with a picture each; a third on a
        // file system of its own, so a move from it copies.
        const QByteArray red = badpictures::goodJpeg(Qt::red);
        const QByteArray green = badpictures::goodJpeg(Qt::green);
        writeFile(playlists + "/Full/red.jpg", red);
        writeFile(playlists + "/Kept/green.jpg", green);
        const QString roomy = playlists + "/Roomy";
        QVERIFY(QDir().mkpath(roomy));
        QCOMPARE(run("mount", { "-t", "tmpfs", "-o", "size=4m", "tmpfs", roomy }), 0);
        auto unmountRoomy = qScopeGuard([&roomy] { run("umount", { "-l", roomy }); });
        const QByteArray big = badpictures::goodJpeg(Qt::blue, QSize(1600, 900)) + QByteArray(1 << 20, 'x');
        writeFile(roomy + "/big.jpg", big);
        QVERIFY(QDir().mkpath(FileLocations::baseFolder()));
        const QString index = FileLocations::baseFolder() + "/active.xml";
        ImageStore store(index, playlists);
        store.setActive("Full", true);
        store.setActive("Roomy", true);
        const QMap<QString, bool> listed = store.playlists();
        const QByteArray indexBefore = readFile(index);
        QVERIFY(indexBefore.contains("Roomy"));

        // Filled to the last byte.
        {
            QFile filler(documents + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            for (const int size : { 65536, 4096, 1 }) {
                const QByteArray block(size, 'f');
                while (filler.write(block) == block.size()) { }
            }
            filler.close();
            QFile probe(documents + "/probe");
            QVERIFY(probe.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            QVERIFY2(probe.write("x", 1) != 1, "the disk is not full");
            probe.close();
            probe.remove();
        }
        takeLog();

        store.setActive("Kept", true);
        PlaylistLibrary library(&store, playlists);
        const PlaylistLibrary::AddResult moved = library.addPicture("Full", roomy + "/big.jpg", false);
        CAFileGetter getter;
        QVERIFY(fetch(getter, m_photoUrl, playlists + "/Full/downloaded.jpg"));
        getter.stop();
        const QStringList log = takeLog();

        QCOMPARE(readFile(index), indexBefore);
        QVERIFY2(countMatching(log, "cannot write.*active\\.xml") == 1, qPrintable(log.join('\n')));
        // The caller logs the reason.
        QCOMPARE(int(moved.status), int(PlaylistLibrary::AddResult::Failed));
        QVERIFY2(moved.error.startsWith("Cannot move"), qPrintable(moved.error));
        QCOMPARE(readFile(roomy + "/big.jpg"), big);
        QVERIFY2(countMatching(log, "problem getting url:") == 1, qPrintable(log.join('\n')));

        QCOMPARE(filesIn(playlists + "/Full"), QStringList { "red.jpg" });
        QCOMPARE(readFile(playlists + "/Full/red.jpg"), red);
        QCOMPARE(readFile(playlists + "/Kept/green.jpg"), green);

        // Whole: it still parses to what it listed.
        const QString copy = fotoria::test::testHome() + "/index-copy.xml";
        QFile source(index);
        QVERIFY2(source.copy(copy), qPrintable(source.errorString()));
        QCOMPARE(ImageStore(copy, playlists).playlists(), listed);
    }

    // The thumbnails of the playlist view over a playlist of a bad entry and a good
    // picture: a line for the bad one and no thumbnail, the good one's made.
    void thumbnailsSkipBadPictures_data() { badpictures::addRows(); }
    void thumbnailsSkipBadPictures()
    {
        QFETCH(QString, name);
        QFETCH(bool, isFile);
        const QString playlist = QString("Thumbs-%1").arg(QTest::currentDataTag()).remove(' ');
        badpictures::make(FileLocations::playlistFolder() + "/" + playlist, name);
        takeLog();
        QSignalSpy reported(CALocalImages::instance(), &CALocalImages::newFiles_Signal);
        CALocalImages::instance()->start_Slot();
        CALocalImages::instance()->listFolder(FileLocations::playlistFolder() + "/" + playlist);
        QTRY_COMPARE_WITH_TIMEOUT(reported.size(), 1, 30000);
        const QStringList listed = reported.first().at(2).toStringList();
        QCOMPARE(listed.size(), isFile ? 2 : 1);
        TileThumbnails tiles; // as the playlist view asks for its tiles
        QSignalSpy made(&tiles, &TileThumbnails::ready);
        for (const QString &path : listed)
            tiles.find(path, QSize(256, 144));
        QTRY_COMPARE_WITH_TIMEOUT(made.size(), listed.size(), 30000);
        const QString thumbnails = FileLocations::baseFolder() + "/PlaylistCache/" + playlist;
        QVERIFY(!QImage(thumbnails + "/good-256x144.jpg").isNull());
        const QStringList log = takeLog();
        if (isFile) {
            QVERIFY2(countMatching(log, "No thumbnail:.*" + QRegularExpression::escape(name)) == 1,
                qPrintable(log.join('\n')));
        }
        QCOMPARE(filesIn(thumbnails), QStringList { "good-256x144.jpg" });
    }

    // The wallpaper: a bad picture leaves it alone with a line, and the
    // rotation over the same playlist still shows the good one.
    void wallpaperSkipsBadPictures_data() { badpictures::addRows(); }
    void wallpaperSkipsBadPictures()
    {
        QFETCH(QString, name);
        const QString root = fotoria::test::testHome() + "/wallpaper-" + QString::number(qHash(name));
        badpictures::make(root + "/Bad", name);
        ImageStore store(root + "/active.xml", root);
        store.setActive("Bad", true);
        const QString shown = root + "/shown.bmp";
        Settings::setValue("kWallpaperCommand", "cp %f " + shown);
        auto forget = qScopeGuard([] { Settings::remove("kWallpaperCommand"); });
        WallpaperManager manager(&store);
        QSignalSpy changed(&manager, &WallpaperManager::wallpaperChanged_Signal);

        takeLog();
        manager.showWallpaper(root + "/Bad/" + name);
        QTRY_VERIFY_WITH_TIMEOUT(!manager.isChanging(), 30000);
        const QStringList log = takeLog();
        QVERIFY2(countMatching(log, "^Wallpaper unchanged:") == 1 && changed.isEmpty(), qPrintable(log.join('\n')));
        QVERIFY(!QFileInfo::exists(shown));

        for (int i = 0; i < 100 && changed.isEmpty(); ++i) {
            manager.showNextWallpaper();
            QTRY_VERIFY_WITH_TIMEOUT(!manager.isChanging(), 30000);
        }
        QCOMPARE(changed.count(), 1);
        const QImage wallpaper(shown);
        const QColor centre = wallpaper.pixelColor(wallpaper.rect().center());
        QVERIFY2(centre.red() > 180 && centre.green() < 60, qPrintable(centre.name()));
        manager.shutdown();
    }
};

FOTORIA_TEST_MAIN(InProcessTest)
#include "InProcessTest.moc"
