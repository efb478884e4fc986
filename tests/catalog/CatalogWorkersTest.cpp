#include <FotoriaService.h>
#include <TestFiles.h>
#include <TestMain.h>

#include <components/catalog/CAFileGetter.h>
#include <components/catalog/CALocalImages.h>
#include <components/catalog/CAPlaylistLeadImage.h>
#include <components/catalog/CATagGetter.h>
#include <components/catalog/ScreenSaverLauncher.h>
#include <components/catalog/Thumbnail.h>
#include <core/FileLocations.h>
#include <core/PhotoPaths.h>
#include <core/Settings.h>
#include <io/NetworkManager.h>

#include <QDateTime>
#include <QDirIterator>
#include <QImage>
#include <QJsonArray>
#include <QPainter>
#include <QSignalSpy>

using fotoria::test::FotoriaService;
using fotoria::test::readFile;
using fotoria::test::writeFile;

namespace {

// A photo-like JPEG (gradient and shapes), `age` hours old.
void writeJpeg(const QString &path, const QSize &size, int age = 0)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, Qt::darkBlue);
    gradient.setColorAt(1, Qt::yellow);
    painter.fillRect(image.rect(), gradient);
    painter.setBrush(Qt::red);
    painter.drawEllipse(image.rect().adjusted(size.width() / 4, size.height() / 4, 0, 0));
    painter.end();
    QVERIFY(image.save(path, "JPG"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(
        QDateTime::currentDateTime().addSecs(-3600 * age), QFileDevice::FileModificationTime));
}

// Every file below the documents folder but the network's disk cache.
QStringList allFiles()
{
    QStringList files;
    QDirIterator it(
        FileLocations::documentsFolder(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (!file.startsWith(NetworkManager::cacheDirectory()))
            files << file;
    }
    files.sort();
    return files;
}

QStringList argumentsAt(const QSignalSpy &spy, int index)
{
    QStringList values;
    for (const QList<QVariant> &call : spy)
        values << call.at(index).toString();
    return values;
}

} // namespace

class CatalogWorkersTest : public QObject
{
    Q_OBJECT

    FotoriaService m_service;
    QStringList m_photos; // full-size addresses of three catalog photos
    QString m_playlists;

    QString thumbnailUrl(int i) const { return m_photos.at(i).chopped(4) + PhotoPaths::kThumbnailEnding; }
    QString pathOf(const QString &url) const { return QUrl(url).path(); }

    QStringList requestedPhotos()
    {
        QStringList paths;
        const QJsonArray journal = m_service.journal(QStringLiteral("/photos/"));
        for (const QJsonValue &entry : journal)
            paths << entry.toObject().value(QStringLiteral("path")).toString();
        return paths;
    }

private slots:
    void initTestCase()
    {
        FileLocations locations;
        locations.createDirectories();
        m_playlists = FileLocations::playlistFolder();
        QString error;
        QVERIFY2(m_service.start(&error), qPrintable(error));
        Settings::setValue(QStringLiteral("kServiceUrl"), m_service.baseUrl());
        // Far beyond the test's time-out: only a cancel can end a hanging transfer.
        Settings::setValue(QStringLiteral("kNetworkTimeout"), 600000);
        const auto reply = m_service.request("GET", QStringLiteral("/api/v3/dailys?date=2014-03-26"));
        for (const QJsonValue &daily : reply.json().value(QStringLiteral("dailys")).toArray())
            m_photos << daily.toObject().value(QStringLiteral("url")).toString();
        QCOMPARE(m_photos.size(), 3);
    }

    void init()
    {
        // Every case talks to the service, not to an earlier case's disk cache.
        QDir(NetworkManager::cacheDirectory()).removeRecursively();
        m_service.clearFailures();
        m_service.clearJournal();
    }

    void thumbnailIsServedBeforeAnEarlierPicture()
    {
        CAFileGetter getter;
        QSignalSpy files(&getter, &CAFileGetter::newFile_Signal);
        QSignalSpy passes(&getter, &CAFileGetter::closeProgress_Signal);
        QSignalSpy wallpapers(&getter, &CAFileGetter::wallpaperRequested_Signal);
        QVERIFY(m_service.setFailure(pathOf(m_photos[0]), "slow", { { "delay_ms", "1500" } }));

        getter.fetch("notused", m_photos[0], m_playlists + "/Order/p0.jpg", false);
        QTRY_COMPARE(requestedPhotos().size(), 1); // the worker is busy with p0
        getter.fetch("notused", m_photos[1], m_playlists + "/Order/p1.jpg", true);
        getter.fetch("notused", thumbnailUrl(2), m_playlists + "/Order/t2.jpg", false);
        QTRY_COMPARE_WITH_TIMEOUT(files.size(), 2, 20000);

        QCOMPARE(requestedPhotos(),
            QStringList({ pathOf(m_photos[0]), pathOf(thumbnailUrl(2)), pathOf(m_photos[1]) }));
        QCOMPARE(argumentsAt(files, 0), QStringList({ "Order", "Order" }));
        QCOMPARE(argumentsAt(files, 1),
            QStringList({ m_playlists + "/Order/p0.jpg", m_playlists + "/Order/p1.jpg" }));
        QCOMPARE(QImage(m_playlists + "/Order/t2.jpg").size(), QSize(256, 144));
        QCOMPARE(argumentsAt(wallpapers, 0), QStringList({ m_playlists + "/Order/p1.jpg" }));
        QVERIFY(passes.size() >= 2);

        // A file that is there already is not fetched again.
        m_service.clearJournal();
        getter.fetch("notused", m_photos[0], m_playlists + "/Order/p0.jpg", false);
        QTRY_COMPARE(files.size(), 3);
        QVERIFY(requestedPhotos().isEmpty());
    }

    // Failed downloads and refused names leave no file and no report.
    void fetchWritesNothing_data()
    {
        QTest::addColumn<QString>("url"); // "photo" stands for a catalog address
        QTest::addColumn<QString>("name"); // below the playlist folder
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("requests");
        QTest::newRow("server error") << "photo"
                                      << "Fail/a.jpg"
                                      << "http_error" << 1;
        QTest::newRow("empty body") << "photo"
                                    << "Fail/a.jpg"
                                    << "empty" << 1;
        QTest::newRow("climbing name") << "photo"
                                       << "Fail/../../escape.jpg"
                                       << "" << 0;
        QTest::newRow("no playlist") << "photo"
                                     << "a.jpg"
                                     << "" << 0;
        QTest::newRow("nested") << "photo"
                                << "Fail/sub/a.jpg"
                                << "" << 0;
        QTest::newRow("file scheme") << "file:///etc/hostname"
                                     << "Fail/a.jpg"
                                     << "" << 0;
        QTest::newRow("ftp scheme") << "ftp://127.0.0.1/a.jpg"
                                    << "Fail/a.jpg"
                                    << "" << 0;
    }
    void fetchWritesNothing()
    {
        QFETCH(QString, url);
        QFETCH(QString, name);
        QFETCH(QString, failure);
        QFETCH(int, requests);
        if (url == "photo")
            url = m_photos[0];
        if (!failure.isEmpty())
            QVERIFY(m_service.setFailure(pathOf(url), failure));
        const QStringList before = allFiles();

        CAFileGetter getter;
        QSignalSpy files(&getter, &CAFileGetter::newFile_Signal);
        getter.fetch("notused", url, m_playlists + "/" + name, false);
        // A good request queued behind it shows that the bad one is done.
        const QString good = m_playlists + "/Good/" + QTest::currentDataTag() + ".jpg";
        getter.fetch("notused", m_photos[1], good, false);
        QTRY_VERIFY_WITH_TIMEOUT(argumentsAt(files, 1).contains(good), 20000);

        QCOMPARE(argumentsAt(files, 1), QStringList({ good }));
        QTRY_COMPARE(requestedPhotos().size(), requests + 1);
        QStringList after = allFiles();
        after.removeOne(good);
        QCOMPARE(after, before);
    }

    // A stop while the service does not answer returns and reports nothing.
    void stopWhileTheServiceHangs_data()
    {
        QTest::addColumn<bool>("tags");
        QTest::newRow("file getter") << false;
        QTest::newRow("tag getter") << true;
    }
    void stopWhileTheServiceHangs()
    {
        QFETCH(bool, tags);
        const QString path = tags ? QStringLiteral("/api/v2/clients") : pathOf(m_photos[2]);
        QVERIFY(m_service.setFailure(path, "hang"));
        CAFileGetter files;
        CATagGetter tagGetter(nullptr);
        QSignalSpy fileReports(&files, &CAFileGetter::newFile_Signal);
        QSignalSpy tagReports(&tagGetter, &CATagGetter::newCategory_Signal);
        if (tags)
            tagGetter.start_Slot();
        else
            files.fetch("notused", m_photos[2], m_playlists + "/Hang/p2.jpg", false);
        QTRY_COMPARE_WITH_TIMEOUT(m_service.journal(path).size(), 1, 10000);

        files.stop();
        tagGetter.stop();
        files.stop(); // twice is harmless
        files.fetch("notused", m_photos[1], m_playlists + "/Hang/p1.jpg", false);
        tagGetter.start_Slot();
        QTest::qWait(100);
        QCOMPARE(fileReports.size() + tagReports.size(), 0);
        QVERIFY(!QFileInfo::exists(m_playlists + "/Hang/p2.jpg"));
        QVERIFY(!QFileInfo::exists(m_playlists + "/Hang/p1.jpg"));
    }

    void tagNamesArriveAsTheSecondArgument()
    {
        QStringList expected;
        const auto reply = m_service.request("GET", QStringLiteral("/api/v2/clients"));
        for (const QJsonValue &tag : reply.json().value(QStringLiteral("tags")).toArray())
            expected << tag.toObject().value(QStringLiteral("name")).toString();
        QCOMPARE(expected.size(), 12);

        CATagGetter getter(nullptr);
        QSignalSpy tags(&getter, &CATagGetter::newCategory_Signal);
        getter.start_Slot();
        QTRY_COMPARE(tags.size(), 12);
        QCOMPARE(argumentsAt(tags, 1), expected);
        for (const QList<QVariant> &tag : tags) {
            QCOMPARE(tag.at(0).toBool(), true);
            QCOMPARE(tag.at(2).toString(), QString());
            QCOMPARE(tag.at(3).toBool(), false);
        }

        getter.start_Slot(); // fetched again on request
        QTRY_COMPARE(tags.size(), 24);
    }

    void localImagesNewestFirst()
    {
        const QString trip = m_playlists + "/Listed";
        writeJpeg(trip + "/old.jpg", QSize(640, 480), 3);
        writeJpeg(trip + "/new.jpg", QSize(480, 640), 1);
        writeJpeg(trip + "/mid.jpg", QSize(800, 200), 2);
        writeFile(trip + "/broken.jpg", "not a picture");
        QDir().mkpath(m_playlists + "/Nothing");

        CALocalImages lister;
        QSignalSpy files(&lister, &CALocalImages::newFiles_Signal);
        const int first = lister.listFolder(m_playlists + "/Nothing");
        QCOMPARE(lister.listFolder(trip), first + 1);
        QTRY_COMPARE(files.size(), 2);

        QCOMPARE(argumentsAt(files, 0), QStringList({ QString::number(first), QString::number(first + 1) }));
        QCOMPARE(argumentsAt(files, 1), QStringList({ "Nothing", "Listed" }));
        QCOMPARE(files.at(0).at(2).toStringList(), QStringList());
        QCOMPARE(files.at(1).at(2).toStringList(),
            QStringList({ trip + "/broken.jpg", trip + "/new.jpg", trip + "/mid.jpg", trip + "/old.jpg" }));
        QCOMPARE(argumentsAt(files, 3), QStringList({ "true", "true" }));
        // Thumbnails are the view's business, for the tiles it shows.
        QVERIFY(!QFileInfo::exists(FileLocations::baseFolder() + "/PlaylistCache/Listed"));
    }

    void leadPictureIsTheNewest()
    {
        const QString root = FileLocations::documentsFolder() + "/LeadRoot";
        writeJpeg(root + "/beach/a.jpg", QSize(400, 300), 2);
        writeJpeg(root + "/beach/b.jpg", QSize(400, 300), 1);
        writeJpeg(root + "/Alps/c.jpg", QSize(400, 300), 5);
        QDir().mkpath(root + "/Empty");

        CAPlaylistLeadImage lead(nullptr);
        QSignalSpy categories(&lead, &CAPlaylistLeadImage::newCategory_Signal);
        QSignalSpy files(&lead, &CAPlaylistLeadImage::newFile_Signal);
        lead.listRoot(root);
        QTRY_COMPARE(files.size(), 3);

        QCOMPARE(argumentsAt(categories, 1), QStringList({ "Alps", "beach", "Empty", "" }));
        QCOMPARE(argumentsAt(categories, 2),
            QStringList({ root + "/Alps", root + "/beach", root + "/Empty", "" }));
        const QString cache = FileLocations::baseFolder() + "/PlaylistCache/";
        QCOMPARE(argumentsAt(files, 1),
            QStringList({ cache + "Alps/c-256x144.jpg", cache + "beach/b-256x144.jpg", "empty-flag" }));

        lead.listRoot(root); // every request lists again
        QTRY_COMPARE(files.size(), 6);
        QCOMPARE(categories.size(), 8);
    }

    void screenSaverFoundBesideOrInstalled_data();
    void screenSaverFoundBesideOrInstalled();

    void thumbnails_data()
    {
        QTest::addColumn<QSize>("picture"); // empty: not a picture
        QTest::addColumn<QSize>("thumbnail"); // 0x0: nothing written
        QTest::newRow("landscape") << QSize(1200, 800) << QSize(216, 144);
        QTest::newRow("portrait") << QSize(800, 1200) << QSize(96, 144);
        QTest::newRow("panorama") << QSize(2048, 256) << QSize(256, 32);
        QTest::newRow("small") << QSize(100, 50) << QSize(256, 128);
        QTest::newRow("unreadable") << QSize() << QSize(0, 0);
    }
    void thumbnails()
    {
        QFETCH(QSize, picture);
        QFETCH(QSize, thumbnail);
        const QString file = m_playlists + "/Thumbs/" + QTest::currentDataTag() + ".jpg";
        if (picture.isEmpty())
            writeFile(file, "GIF89a broken");
        else
            writeJpeg(file, picture);
        const QString expected = FileLocations::baseFolder() + "/PlaylistCache/Thumbs/"
            + QTest::currentDataTag() + "-256x144.jpg";

        QCOMPARE(makeThumbnail(file), expected);
        QCOMPARE(QImage(expected).size(), thumbnail);
        // Complete or absent: no temporary file is left beside it.
        QCOMPARE(QDir(QFileInfo(expected).path())
                     .entryList({ "*" + QString(QTest::currentDataTag()) + "*" }, QDir::Files | QDir::Hidden),
            thumbnail.isEmpty() ? QStringList() : QStringList({ QFileInfo(expected).fileName() }));
        // An existing thumbnail is kept as it is.
        const QByteArray made = readFile(expected);
        QCOMPARE(makeThumbnail(file), expected);
        QCOMPARE(readFile(expected), made);
    }
};

void CatalogWorkersTest::screenSaverFoundBesideOrInstalled_data()
{
    QTest::addColumn<QStringList>("programs"); // executables under the prefix
    QTest::addColumn<QString>("found");
    QTest::newRow("build tree") << QStringList { "bin/fotoria-screensaver" } << "bin/fotoria-screensaver";
    QTest::newRow("installed")
        << QStringList { "libexec/fotoria/fotoria-screensaver" } << "libexec/fotoria/fotoria-screensaver";
    QTest::newRow("beside wins")
        << QStringList { "bin/fotoria-screensaver", "libexec/fotoria/fotoria-screensaver" }
        << "bin/fotoria-screensaver";
    QTest::newRow("missing: named beside") << QStringList() << "bin/fotoria-screensaver";
}

void CatalogWorkersTest::screenSaverFoundBesideOrInstalled()
{
    QFETCH(QStringList, programs);
    QFETCH(QString, found);
    QTemporaryDir prefix;
    QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
    for (const QString &program : programs) {
        QVERIFY(QDir(prefix.path()).mkpath(QFileInfo(program).path()));
        QFile file(prefix.filePath(program));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
    }
    QCOMPARE(ScreenSaverLauncher::program(prefix.filePath(QStringLiteral("bin"))), prefix.filePath(found));
}

FOTORIA_TEST_MAIN(CatalogWorkersTest)
#include "CatalogWorkersTest.moc"
