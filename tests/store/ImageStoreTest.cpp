#include <TestFiles.h>
#include <TestMain.h>

#include <core/FileLocations.h>
#include <core/ImageStore.h>
#include <core/PictureOrder.h>

#include <QAtomicInt>
#include <QBitArray>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

using fotoria::test::readFile;
using fotoria::test::writeFile;

namespace {

// A fresh index file and playlist folder for each test.
struct Place
{
    QString index;
    QString playlists;
};

Place newPlace()
{
    static int counter = 0;
    const QString root = fotoria::test::testHome() + QStringLiteral("/store%1").arg(++counter);
    QDir().mkpath(root + "/playlists");
    return { root + "/active.xml", root + "/playlists" };
}

// The playlists of the golden index file, with their flags.
QMap<QString, bool> goldenEntries()
{
    QStringList names = { "A", "B", QString::fromUtf8("Café, déjà vu"), "Favorites", "My Trip", "Wallpaper",
        "a; b = c", QString::fromUtf8("旅行"), " spaced ", "Zoo", "b" };
    names.sort();
    QMap<QString, bool> entries;
    for (int i = 0; i < names.size(); ++i)
        entries.insert(names.at(i), i % 3 != 1);
    return entries;
}

// What the toolkit's own writer makes of the golden entries: Qt 6 keeps
// characters beyond ASCII as UTF-8, Qt 5 escapes them.
const QString goldenFile = QStringLiteral(TEST_DATA_DIR "/active_golden")
    + QLatin1String(QT_VERSION_MAJOR >= 6 ? "_qt6.xml" : ".xml");

} // namespace

class ImageStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void writesTheToolkitsIniArray()
    {
        // The golden file is what the toolkit itself writes for these entries.
        const Place place = newPlace();
        const auto entries = goldenEntries();
        {
            QSettings direct(place.index + ".direct", QSettings::IniFormat);
            direct.beginWriteArray("imagestore");
            int i = 0;
            for (auto it = entries.cbegin(); it != entries.cend(); ++it, ++i) {
                direct.setArrayIndex(i);
                direct.setValue("path", it.key());
                direct.setValue("active", it.value());
            }
            direct.endArray();
        }
        QCOMPARE(readFile(place.index + ".direct"), readFile(goldenFile));

        // Inserted in reverse order: the file still lists them by name.
        ImageStore store(place.index, place.playlists);
        for (auto it = entries.cend(); it != entries.cbegin();) {
            --it;
            store.setActive(it.key(), it.value());
        }
        QCOMPARE(readFile(place.index), readFile(goldenFile));
    }

    void loadsTheGoldenFile()
    {
        const Place place = newPlace();
        QVERIFY(QFile::copy(goldenFile, place.index));
        ImageStore store(place.index, place.playlists);
        QCOMPARE(store.playlists(), goldenEntries());
        QCOMPARE(store.isActive(QString::fromUtf8("Café, déjà vu")), true);
        QCOMPARE(store.isActive("A"), false);
        QCOMPARE(store.isActive("unknown"), false);
    }

    void loadsAHandWrittenFile()
    {
        const Place place = newPlace();
        writeFile(place.index,
            "; written by hand\n"
            "[imagestore]\n"
            "size = 5\n"
            "2\\path = Beach\n"
            "2\\active = false\n"
            "1\\path=Trip\n"
            "3\\path=\n" // empty path: skipped
            "3\\active=true\n"
            "4\\path=Beach\n" // a later entry replaces the flag
            "4\\active=true\n"
            "5\\path=NoFlag\n" // a missing flag reads as active
            "[other]\n"
            "key=value\n");
        ImageStore store(place.index, place.playlists);
        QMap<QString, bool> expected;
        expected.insert("Beach", true);
        expected.insert("NoFlag", true);
        expected.insert("Trip", true);
        QCOMPARE(store.playlists(), expected);
        QCOMPARE(store.activeCount(), 3);
    }

    void unreadableIndexLoadsEmptyAndIsRewritten_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<bool>("setAside"); // kept as "<index>.unreadable"
        QTest::newRow("missing") << QByteArray() << false << false;
        QTest::newRow("empty") << QByteArray() << true << false;
        QTest::newRow("binary garbage")
            << QByteArray("\x00\xff\x13[imag\x00\x01=\x7f\n\n[", 15) << true << true;
        QTest::newRow("text garbage") << QByteArray("this is not an index\n[[[\n=====\n") << true << true;
        QTest::newRow("no size key") << QByteArray("[imagestore]\n1\\path=A\n1\\active=true\n") << true
                                     << true;
        QTest::newRow("a streamed value")
            << QByteArray("[imagestore]\nsize=1\n1\\path=@Variant(\\0\\0\\0\\v)\n") << true << true;
    }
    void unreadableIndexLoadsEmptyAndIsRewritten()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, exists);
        QFETCH(bool, setAside);
        const Place place = newPlace();
        if (exists)
            writeFile(place.index, content);
        ImageStore store(place.index, place.playlists);
        QVERIFY(store.playlists().isEmpty());
        QCOMPARE(store.activeCount(), 0);
        QCOMPARE(readFile(place.index + ".unreadable"), setAside ? content : QByteArray());

        store.setActive("Trip", true);
        QCOMPARE(readFile(place.index), QByteArray("[imagestore]\n1\\active=true\n1\\path=Trip\nsize=1\n"));
        ImageStore again(place.index, place.playlists);
        QCOMPARE(again.isActive("Trip"), true);
    }

    void entriesAreOrderedByCodeUnits()
    {
        const Place place = newPlace();
        ImageStore store(place.index, place.playlists);
        store.setActive("b", true);
        store.setActive("a", false);
        store.setActive("B", true);
        store.setActive(QString::fromUtf8("É"), true);
        QCOMPARE(store.playlists().keys(), QStringList({ "B", "a", "b", QString::fromUtf8("É") }));
        QSettings ini(place.index, QSettings::IniFormat);
        QCOMPARE(ini.beginReadArray("imagestore"), 4);
        ini.setArrayIndex(0);
        QCOMPARE(ini.value("path").toString(), QString("B"));
        ini.setArrayIndex(3);
        QCOMPARE(ini.value("path").toString(), QString::fromUtf8("É"));
    }

    void rebuildTakesTheFirstFilesByName()
    {
        const Place place = newPlace();
        const QString big = place.playlists + "/Big";
        for (int i = 0; i < 1500; ++i)
            writeFile(big + QStringLiteral("/%1.jpg").arg(1500 - i, 4, 10, QLatin1Char('0')));
        writeFile(place.playlists + "/Small/b.jpg");
        writeFile(place.playlists + "/Small/a.txt"); // any extension counts
        writeFile(place.playlists + "/Small/.hidden.jpg");
        QDir().mkpath(place.playlists + "/Small/sub");
        writeFile(place.playlists + "/Small/sub/deeper.jpg");
        writeFile(place.playlists + "/Off/c.jpg");
        // A link to a picture counts; a link to a folder and a broken link do not.
        QVERIFY(QFile::link(place.playlists + "/Off/c.jpg", place.playlists + "/Small/c-link.jpg"));
        QVERIFY(QFile::link(place.playlists + "/Off", place.playlists + "/Small/d-folder-link"));
        QVERIFY(QFile::link(place.playlists + "/gone.jpg", place.playlists + "/Small/e-broken.jpg"));

        ImageStore store(place.index, place.playlists);
        store.setActive("Off", false);
        store.setActive("Small", true);
        QCOMPARE(store.pictures(),
            QStringList({ place.playlists + "/Small/a.txt", place.playlists + "/Small/b.jpg",
                place.playlists + "/Small/c-link.jpg" }));
        store.setActive("Gone", true); // no folder: contributes nothing
        store.setActive("Big", true);
        const QStringList pictures = store.pictures();
        QCOMPARE(pictures.size(), 1002 + 3);
        QCOMPARE(pictures.first(), big + "/0001.jpg");
        QCOMPARE(pictures.at(1001), big + "/1002.jpg");
        QCOMPARE(pictures.at(1002), place.playlists + "/Small/a.txt");
        QCOMPARE(store.activeCount(), 3);
    }

    void deactivateAllKeepsPicturesUntilTheNextChange()
    {
        const Place place = newPlace();
        writeFile(place.playlists + "/A/1.jpg");
        writeFile(place.playlists + "/B/2.jpg");
        ImageStore store(place.index, place.playlists);
        store.setActive("A", true);
        store.setActive("B", true);
        QCOMPARE(store.pictureCount(), 2);

        store.deactivateAll();
        QCOMPARE(store.activeCount(), 0);
        QCOMPARE(store.pictureCount(), 2);
        QCOMPARE(ImageStore(place.index, place.playlists).activeCount(), 0);

        store.setActive("B", true);
        QCOMPARE(store.pictures(), QStringList({ place.playlists + "/B/2.jpg" }));
    }

    void folderChangesAreSeenAfterTheNextChangeOrReload()
    {
        const Place place = newPlace();
        writeFile(place.playlists + "/A/1.jpg");
        ImageStore store(place.index, place.playlists);
        store.setActive("A", true);
        writeFile(place.playlists + "/A/2.jpg");
        QCOMPARE(store.pictureCount(), 1);
        store.rebuild();
        QCOMPARE(store.pictureCount(), 2);

        // Another process changes the index; reload sees it.
        ImageStore other(place.index, place.playlists);
        other.setActive("A", false);
        QCOMPARE(store.pictureCount(), 2);
        store.reload();
        QCOMPARE(store.pictureCount(), 0);
        QCOMPARE(store.isActive("A"), false);
    }

    void randomPicture()
    {
        const Place place = newPlace();
        ImageStore store(place.index, place.playlists);
        QCOMPARE(store.randomPicture(), QString());

        writeFile(place.playlists + "/One/only.jpg");
        store.setActive("One", true);
        for (int i = 0; i < 2000; ++i)
            QCOMPARE(store.randomPicture(), place.playlists + "/One/only.jpg");

        writeFile(place.playlists + "/One/second.jpg");
        writeFile(place.playlists + "/One/third.jpg");
        store.rebuild();
        const QSet<QString> all(store.pictures().cbegin(), store.pictures().cend());
        QSet<QString> seen;
        for (int i = 0; i < 3000; ++i) {
            const QString picked = store.randomPicture();
            QVERIFY(all.contains(picked));
            QVERIFY(QFileInfo(picked).isAbsolute());
            seen.insert(picked);
        }
        QCOMPARE(seen, all);
    }

    void pickReachesEveryPicture()
    {
        // More pictures than a 15-bit random number can tell apart.
        const Place place = newPlace();
        // Many files are made much faster in memory than on disk.
        QTemporaryDir memory(QStringLiteral("/dev/shm/fotoria-test-XXXXXX"));
        const QString playlists = memory.isValid() ? memory.path() : place.playlists;
        // Every playlist active (an entry without a flag is active).
        QByteArray entries = "[imagestore]\nsize=33\n";
        for (int p = 0; p < 33; ++p) {
            const QString folder = playlists + QStringLiteral("/P%1").arg(p);
            QVERIFY(QDir().mkpath(folder));
            entries += QStringLiteral("%1\\path=P%2\n").arg(p + 1).arg(p).toLatin1();
            for (int i = 0; i < ImageStore::kMaxPicturesPerPlaylist; ++i) {
                QFile file(folder + QStringLiteral("/%1.jpg").arg(i));
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
        }
        writeFile(place.index, entries);
        const ImageStore store(place.index, playlists);
        const QStringList pictures = store.pictures();
        QCOMPARE(pictures.size(), 33 * ImageStore::kMaxPicturesPerPlaylist);
        QHash<QString, int> index;
        for (int i = 0; i < pictures.size(); ++i)
            index.insert(pictures.at(i), i);
        // A million draws miss a given picture with odds of about e^-30.
        QBitArray seen(pictures.size());
        for (int i = 0; i < 1000000; ++i)
            seen.setBit(index.value(store.randomPicture()));
        QCOMPARE(seen.count(true), pictures.size());
    }

    void indexIsWrittenWithoutTheTemporaryFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "Trip";
        QTest::newRow("quoted") << "a; b = c, d";
        QTest::newRow("spaces at the ends") << " x ";
        QTest::newRow("escapes") << "q\"b @t\tn\x01"
                                    "7";
        QTest::newRow("leading at") << "@home";
        QTest::newRow("non-ASCII then hex digit") << QString::fromUtf8("\xc3\xa9"
                                                                       "a"
                                                                       "\xe6\x97\x85"
                                                                       "F");
        QTest::newRow("outside the basic plane") << QString::fromUtf8("\xf0\x9f\x8c\x8a waves");
    }
    void indexIsWrittenWithoutTheTemporaryFolder()
    {
        QFETCH(QString, name);
        const Place place = newPlace();
        writeFile(place.playlists + "/Old/1.jpg");
        ImageStore store(place.index, place.playlists);
        store.setActive("Old", true);
        // A temporary folder that is a file. (A missing one would make the
        // toolkit fall back to "/", writable for root.)
        writeFile(place.index + ".blocker");
        const QByteArray tmpdir = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(place.index + ".blocker"));
        store.setActive(name, true);
        store.setActive("Old", false);
        qputenv("TMPDIR", tmpdir);

        QMap<QString, bool> expected;
        expected.insert("Old", false);
        expected.insert(name, true);
        QCOMPARE(ImageStore(place.index, place.playlists).playlists(), expected);
        // Byte for byte what the toolkit's own writer makes of the entries.
        {
            QSettings direct(place.index + ".direct", QSettings::IniFormat);
            direct.beginWriteArray("imagestore");
            int i = 0;
            for (auto it = expected.cbegin(); it != expected.cend(); ++it, ++i) {
                direct.setArrayIndex(i);
                direct.setValue("path", it.key());
                direct.setValue("active", it.value());
            }
            direct.endArray();
        }
        QCOMPARE(readFile(place.index), readFile(place.index + ".direct"));
        QCOMPARE(QDir(QFileInfo(place.index).absolutePath()).entryList({ "active.xml*" }, QDir::Files),
            QStringList({ "active.xml", "active.xml.blocker", "active.xml.direct" }));
    }

    void namesNeverLeaveThePlaylistFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("parent") << "..";
        QTest::newRow("current") << ".";
        QTest::newRow("climbing") << "../outside";
        QTest::newRow("nested") << "a/b";
        QTest::newRow("backslash") << "a\\b";
        QTest::newRow("absolute") << "/etc";
        QTest::newRow("empty") << "";
    }
    void namesNeverLeaveThePlaylistFolder()
    {
        QFETCH(QString, name);
        const Place place = newPlace();
        const QString root = QFileInfo(place.playlists).absolutePath();
        writeFile(root + "/outside/secret.jpg");
        writeFile(place.playlists + "/a/b/deep.jpg");

        ImageStore store(place.index, place.playlists);
        store.setActive(name, true);
        QCOMPARE(store.activeCount(), 0);
        QCOMPARE(store.pictureCount(), 0);

        // The same name written into the index by hand is not listed either.
        writeFile(place.index,
            QStringLiteral("[imagestore]\n1\\path=%1\n1\\active=true\nsize=1\n").arg(name).toUtf8());
        ImageStore loaded(place.index, place.playlists);
        QCOMPARE(loaded.pictureCount(), 0);
    }

    void portableNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<QString>("logged"); // the log's form of a refused name
        QTest::newRow("line break forging a log line") << "a\nERROR b" << false << "\"a\\u000aERROR b\"";
        QTest::newRow("climbing") << "../x" << false << "";
        QTest::newRow("colon") << "a:b" << false << "";
        QTest::newRow("trailing dot") << "Trip." << false << "";
        QTest::newRow("trailing space") << "Trip " << false << "";
        QTest::newRow("device name") << "CON" << false << "";
        QTest::newRow("device name, lower case, extension") << "com1.txt" << false << "";
        QTest::newRow("device name, space before the extension") << "lpt9 .jpg" << false << "";
        QTest::newRow("256 bytes of UTF-8") << QString(128, QChar(0xe9)) << false << "";
        QTest::newRow("255 bytes of UTF-8") << QString(85, QChar(0x20ac)) << true << "";
        QTest::newRow("Unicode, spaces and dots inside") << "Ferien 2024 – Ålesund 東京 v1.2" << true << "";
        QTest::newRow("a device name inside a longer one") << "Console.con-trip" << true << "";
        QTest::newRow("leading dot") << ".trip" << true << "";
    }
    void portableNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, usable);
        QFETCH(QString, logged);
        if (!logged.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable("ImageStore: refused the name " + logged));
        QCOMPARE(ImageStore::acceptName(name), usable);
    }

    void readersAlwaysSeeACompleteIndex()
    {
        const Place place = newPlace();
        ImageStore store(place.index, place.playlists);
        store.setActive("start", true);

        QAtomicInt stop(0);
        QAtomicInt reads(0);
        QAtomicInt broken(0);
        QThread *reader = QThread::create([&] {
            while (!stop.loadAcquire()) {
                const QByteArray text = readFile(place.index);
                // Every complete index starts with the group and ends with its size.
                if (!text.startsWith("[imagestore]\n") || !text.contains("\nsize="))
                    broken.fetchAndAddOrdered(1);
                reads.fetchAndAddOrdered(1);
            }
        });
        reader->start();
        for (int i = 0; i < 150; ++i)
            store.setActive(QStringLiteral("playlist %1").arg(i), i % 2);
        QTRY_VERIFY(reads.loadAcquire() > 10);
        stop.storeRelease(1);
        reader->wait();
        delete reader;
        QCOMPARE(broken.loadAcquire(), 0);
        QCOMPARE(ImageStore(place.index, place.playlists).playlists().size(), 151);
    }

    void picturesComeInTheChosenOrder_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("before"); // picks before the restart
        QTest::addColumn<int>("gone"); // the pick whose picture goes at the restart; -1: one not shown
        QTest::addColumn<QByteArray>("state"); // written over the state file at the restart
        QTest::addColumn<QString>("after"); // the picks after it
        // By name a1 B3 a2 a10; newest B3 a2 a10 a1; a4, the newest, comes at the restart.
        QTest::newRow("shuffle: once per round over restarts") << 1 << 2 << -1 << QByteArray() << QString();
        QTest::newRow("by name: after the last one shown, gone") << 2 << 2 << 1 << QByteArray() << "a2 a10 a1 a4";
        QTest::newRow("newest first") << 3 << 1 << 0 << QByteArray() << "a2 a10 a1 a4";
        QTest::newRow("damaged state") << 2 << 2 << 1 << QByteArray("{\"kind\": 7") << "a1 a4 a2 a10";
        QTest::newRow("foreign state") << 2 << 2 << 1
                                       << QByteArray("{\"kind\":\"fotoria-picture-order/0\",\"order\":2,\"last\":\"/b/a2.jpg\"}")
                                       << "a1 a4 a2 a10";
        QTest::newRow("another order's state") << 2 << 2 << 1
                                               << QByteArray("{\"kind\":\"fotoria-picture-order/1\",\"order\":3,\"last\":\"/b/a2.jpg\"}")
                                               << "a1 a4 a2 a10";
    }

    void picturesComeInTheChosenOrder()
    {
        QFETCH(int, order);
        QFETCH(int, before);
        QFETCH(int, gone);
        QFETCH(QByteArray, state);
        QFETCH(QString, after);
        const auto chosen = PictureOrder::Order(order);
        const Place place = newPlace();
        const QString stateFile = place.index + ".order";
        const QStringList names = { "A/a1.jpg", "b/a10.jpg", "b/a2.jpg", "A/B3.jpg", "A/a4.jpg" };
        const QDateTime day = QDateTime::currentDateTime().addDays(-1);
        const auto add = [&](int i) {
            QFile file(place.playlists + "/" + names.at(i));
            QVERIFY(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly));
            QVERIFY(file.setFileTime(day.addSecs(i), QFileDevice::FileModificationTime));
        };
        const auto name = [](const QString &path) { return QFileInfo(path).completeBaseName(); };
        for (int i = 0; i < 4; ++i)
            add(i);
        ImageStore store(place.index, place.playlists);
        store.setActive("A", true);
        store.setActive("b", true);
        QStringList picks;
        PictureOrder first(&store, stateFile);
        for (int i = 0; i < before; ++i)
            picks << name(first.next(chosen));
        add(4);
        for (const QString &path : store.pictures()) {
            if ((gone < 0 ? !picks.contains(name(path)) : picks.at(gone) == name(path)) && QFile::remove(path))
                break;
        }
        if (!state.isEmpty()) {
            writeFile(stateFile, state);
            if (!state.contains("order/1"))
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be used"));
        }
        ImageStore restarted(place.index, place.playlists);
        QStringList present;
        for (const QString &path : restarted.pictures())
            present << name(path);
        // Shuffled: every pick after a restart, to the end of the next round.
        const int count = chosen == PictureOrder::Order::Shuffle ? 2 * present.size() - before : 4;
        PictureOrder again(&restarted, stateFile);
        for (int i = 0; i < count; ++i) {
            // A look ahead, by an order that then ends, leaves the place where it was.
            PictureOrder shuffled(&restarted, stateFile);
            PictureOrder &order = chosen == PictureOrder::Order::Shuffle ? shuffled : again;
            const QString ahead = PictureOrder(&restarted, stateFile).upcoming(chosen);
            QCOMPARE(order.upcoming(chosen), ahead);
            picks << name(order.next(chosen));
            if (!ahead.isEmpty())
                QCOMPARE(picks.last(), name(ahead));
        }
        if (!after.isEmpty()) {
            QCOMPARE(picks.mid(before).join(' '), after);
            return;
        }
        present.sort();
        for (int round = 0; round < 2; ++round) {
            QStringList dealt = picks.mid(round * present.size(), present.size());
            dealt.sort();
            QCOMPARE(dealt, present);
        }
    }

    void randomLookAheadIsTheNextPick()
    {
        const Place place = newPlace();
        for (int i = 0; i < 5; ++i)
            writeFile(place.playlists + QStringLiteral("/A/%1.jpg").arg(i));
        ImageStore store(place.index, place.playlists);
        store.setActive("A", true);
        PictureOrder order(&store, place.index + ".order");
        QString shown;
        for (int i = 0; i < 30; ++i) {
            const QString ahead = order.upcoming(PictureOrder::Order::Random, shown);
            QVERIFY(!ahead.isEmpty() && ahead != shown);
            shown = order.next(PictureOrder::Order::Random);
            QCOMPARE(shown, ahead);
        }
    }

    void instanceUsesTheUserFolders()
    {
        FileLocations locations;
        locations.createDirectories();
        writeFile(FileLocations::favoritesFolder() + "/fav.jpg");
        ImageStore *store = ImageStore::instance();
        QCOMPARE(ImageStore::instance(), store);
        QCOMPARE(store->indexFile(), FileLocations::baseFolder() + "/active.xml");
        store->setActive("Favorites", true);
        QCOMPARE(store->randomPicture(), FileLocations::favoritesFolder() + "/fav.jpg");
        QVERIFY(QFile::exists(FileLocations::baseFolder() + "/active.xml"));
    }
};

FOTORIA_TEST_GUILESS_MAIN(ImageStoreTest)
#include "ImageStoreTest.moc"
