#include <TestFiles.h>
#include <TestMain.h>

#include <apps/desktopclient/PlaylistsDialog.h>
#include <core/FileLocations.h>
#include <core/ImageStore.h>
#include <core/PhotoPaths.h>
#include <core/PlaylistLibrary.h>
#include <core/PlaylistsModel.h>
#include <core/Settings.h>

#include <QDateTime>
#include <QDir>
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using fotoria::test::readFile;
using fotoria::test::writeFile;

namespace {

// Entries of the index in file order.
QStringList indexEntries(const QString &index)
{
    QSettings ini(index, QSettings::IniFormat);
    QStringList entries;
    const int size = ini.beginReadArray("imagestore");
    for (int i = 0; i < size; ++i) {
        ini.setArrayIndex(i);
        entries << ini.value("path").toString() + "=" + ini.value("active").toString();
    }
    return entries;
}

} // namespace

using Create = PlaylistLibrary::CreateResult;
using Rename = PlaylistLibrary::RenameResult;
using Add = PlaylistLibrary::AddResult;
Q_DECLARE_METATYPE(Create)
Q_DECLARE_METATYPE(Rename)
Q_DECLARE_METATYPE(Add::Status)

class PlaylistTest : public QObject
{
    Q_OBJECT

    QString m_root;
    QString m_playlists;
    QString m_index;
    ImageStore *m_store = nullptr;
    PlaylistLibrary *m_library = nullptr;

private slots:
    void initTestCase()
    {
        FileLocations locations;
        locations.createDirectories();
    }

    // Every test starts from an empty index and playlist folder.
    void init()
    {
        static int counter = 0;
        m_root = fotoria::test::testHome() + QStringLiteral("/case%1").arg(++counter);
        m_playlists = m_root + "/Fotoria Playlist";
        m_index = m_root + "/active.xml";
        QDir().mkpath(m_playlists + "/Favorites");
        m_store = new ImageStore(m_index, m_playlists);
        m_library = new PlaylistLibrary(m_store, m_playlists);
    }
    void cleanup()
    {
        delete m_library;
        delete m_store;
    }

    void createCleansTheName_data()
    {
        QTest::addColumn<QString>("entered");
        QTest::addColumn<Create>("result");
        QTest::addColumn<QString>("name");
        QTest::newRow("colon and bang") << "My: Trip!" << Create::Created << "My Trip";
        QTest::newRow("dots and marks") << "My.Trip: 2014?!" << Create::Created << "MyTrip 2014";
        QTest::newRow("plain") << "Beach" << Create::Created << "Beach";
        QTest::newRow("only removed characters") << ".:?!" << Create::Exists << "";
        QTest::newRow("dot dot") << ".." << Create::Exists << "";
        QTest::newRow("existing") << "Favorites" << Create::Exists << "Favorites";
        QTest::newRow("existing after cleaning") << "Fav.orites!" << Create::Exists << "Favorites";
        QTest::newRow("separator") << "a/b" << Create::Refused << "a/b";
        QTest::newRow("device name") << "con" << Create::Refused << "con";
        QTest::newRow("climbing") << "../../x" << Create::Refused << "//x";
        QTest::newRow("nothing entered") << "" << Create::Ignored << "";
    }
    void createCleansTheName()
    {
        QFETCH(QString, entered);
        QFETCH(Create, result);
        QFETCH(QString, name);
        Settings::setValue("kSelectedPlaylist", "before");
        const QStringList before = QDir(m_root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        QString created;
        QCOMPARE(m_library->create(entered, &created), result);
        if (result != Create::Ignored)
            QCOMPARE(created, name);
        if (result == Create::Created) {
            QVERIFY(QFileInfo(m_playlists + "/" + name).isDir());
            QVERIFY(m_store->isActive(name));
            QCOMPARE(Settings::getString("kSelectedPlaylist"), name);
        } else {
            QCOMPARE(Settings::getString("kSelectedPlaylist"), QString("before"));
            QCOMPARE(m_store->activeCount(), 0);
            QCOMPARE(QDir(m_root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
            QCOMPARE(m_library->playlistNames(), QStringList({ "Favorites" }));
        }
    }

    void renameKeepsBothEntries()
    {
        QCOMPARE(m_library->create("A"), Create::Created);
        writeFile(m_playlists + "/A/1.jpg");
        QCOMPARE(m_library->rename("A", "B"), Rename::Renamed);
        QVERIFY(!QFileInfo::exists(m_playlists + "/A"));
        QVERIFY(QFileInfo::exists(m_playlists + "/B/1.jpg"));
        QCOMPARE(indexEntries(m_index), QStringList({ "A=true", "B=true" }));
        // The old entry still counts but gives no pictures.
        QCOMPARE(m_store->activeCount(), 2);
        QCOMPARE(m_store->pictures(), QStringList({ m_playlists + "/B/1.jpg" }));

        // An inactive playlist stays inactive under its new name.
        m_library->setChecked("B", false);
        QCOMPARE(m_library->rename("B", "C"), Rename::Renamed);
        QCOMPARE(indexEntries(m_index), QStringList({ "A=true", "B=false", "C=false" }));
    }

    void renameRefusals_data()
    {
        QTest::addColumn<QString>("newName");
        QTest::addColumn<Rename>("result");
        QTest::newRow("same name") << "A" << Rename::Unchanged;
        QTest::newRow("existing playlist") << "Favorites" << Rename::Exists;
        QTest::newRow("climbing") << "../x" << Rename::Refused;
        QTest::newRow("nested") << "a/b" << Rename::Refused;
        QTest::newRow("trailing space") << "B " << Rename::Refused;
        QTest::newRow("parent") << ".." << Rename::Refused;
        QTest::newRow("empty") << "" << Rename::Refused;
    }
    void renameRefusals()
    {
        QFETCH(QString, newName);
        QFETCH(Rename, result);
        QCOMPARE(m_library->create("A"), Create::Created);
        writeFile(m_playlists + "/A/1.jpg");
        QCOMPARE(m_library->rename("A", newName), result);
        QVERIFY(QFileInfo::exists(m_playlists + "/A/1.jpg"));
        QCOMPARE(m_library->playlistNames(), QStringList({ "A", "Favorites" }));
        QVERIFY(!QFileInfo::exists(m_root + "/x"));
        QCOMPARE(indexEntries(m_index), QStringList({ "A=true" }));
    }

    void deleteKeepsTheEntry()
    {
        QCOMPARE(m_library->create("Trip"), Create::Created);
        writeFile(m_playlists + "/Trip/1.jpg");
        writeFile(m_playlists + "/Trip/.hidden");
        writeFile(m_playlists + "/Trip/sub/2.jpg");
        m_store->rebuild();
        QCOMPARE(m_store->pictureCount(), 1);

        QVERIFY(m_library->remove("Trip"));
        QVERIFY(!QFileInfo::exists(m_playlists + "/Trip"));
        QCOMPARE(indexEntries(m_index), QStringList({ "Trip=true" }));
        QCOMPARE(m_store->activeCount(), 1);
        m_store->rebuild();
        QCOMPARE(m_store->pictureCount(), 0);

        // Unsafe or missing names remove nothing.
        QVERIFY(!m_library->remove(".."));
        QVERIFY(!m_library->remove("Trip"));
        QVERIFY(QFileInfo::exists(m_playlists + "/Favorites"));

        m_store->setActive("Trip", false);
        QCOMPARE(m_library->create("Trip"), Create::Created);
        QVERIFY(m_store->isActive("Trip"));
    }

    // A link is removed as a link: what it points at stays.
    void deleteRemovesLinksNotTheirTargets_data()
    {
        QTest::addColumn<QString>("link");
        QTest::newRow("linked playlist") << "Fotoria Playlist/Trip";
        QTest::newRow("linked sub-folder") << "Fotoria Playlist/Trip/sub";
    }
    void deleteRemovesLinksNotTheirTargets()
    {
        QFETCH(QString, link);
        writeFile(m_root + "/elsewhere/keep.jpg");
        writeFile(m_playlists + "/Trip/1.jpg");
        if (link.endsWith("/Trip"))
            QVERIFY(QDir(m_playlists + "/Trip").removeRecursively());
        QVERIFY(QFile::link(m_root + "/elsewhere", m_root + "/" + link));

        QVERIFY(m_library->remove("Trip"));
        QVERIFY(!QFileInfo(m_playlists + "/Trip").exists());
        QVERIFY(!QFileInfo(m_playlists + "/Trip").isSymLink());
        QCOMPARE(readFile(m_root + "/elsewhere/keep.jpg"), QByteArray("x"));
    }

    void useOnlyTheCurrentPlaylist()
    {
        m_library->create("A");
        m_library->create("B");
        m_library->create("C");
        m_library->useOnly("B");
        QCOMPARE(indexEntries(m_index), QStringList({ "A=false", "B=true", "C=false" }));
        m_library->useOnly(QString());
        QCOMPARE(m_store->activeCount(), 0);
    }

    void photoPaths_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("uuid");
        QTest::addColumn<QString>("playlist");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("thumbnail");
        QTest::addColumn<QString>("fullUrl");
        QTest::addColumn<QString>("fileName");
        const QString lists = FileLocations::playlistFolder();
        const QString cache = FileLocations::baseFolder() + "/PlaylistCache";
        const QString cdn = "https://cdn.example/p/";
        QTest::newRow("thumbnail url") << cdn + "abc-256x144.jpg"
                                       << "abc"
                                       << "" << cdn + "abc.jpg"
                                       << "" << cdn + "abc.jpg"
                                       << "abc.jpg";
        QTest::newRow("preview url") << "http://cdn.example/p/abc-1024x576x.jpg"
                                     << "abc"
                                     << ""
                                     << "http://cdn.example/p/abc.jpg"
                                     << ""
                                     << "http://cdn.example/p/abc.jpg"
                                     << "abc.jpg";
        QTest::newRow("full-size url") << cdn + "abc.jpg"
                                       << "abc"
                                       << "" << cdn + "abc.jpg"
                                       << "" << cdn + "abc.jpg"
                                       << "abc.jpg";
        // The query still goes to the service; the fragment never does.
        QTest::newRow("url with query and fragment") << cdn + "abc.jpg?sig=1#f"
                                                     << "abc"
                                                     << "" << cdn + "abc.jpg?sig=1"
                                                     << "" << cdn + "abc.jpg?sig=1"
                                                     << "abc.jpg";
        QTest::newRow("thumbnail url with query") << cdn + "abc-256x144.jpg?w=1&h=2"
                                                  << "abc"
                                                  << "" << cdn + "abc.jpg?w=1&h=2"
                                                  << "" << cdn + "abc.jpg?w=1&h=2"
                                                  << "abc.jpg";
        QTest::newRow("local thumbnail")
            << cache + "/Trip/abc-256x144.jpg"
            << "abc"
            << "Trip" << lists + "/Trip/abc.jpg" << cache + "/Trip/abc-256x144.jpg"
            << ""
            << "abc.jpg";
        QTest::newRow("local picture")
            << lists + "/Trip/abc.def.jpg"
            << "abc"
            << "Trip" << lists + "/Trip/abc.def.jpg" << cache + "/Trip/abc-256x144.jpg"
            << ""
            << "abc.def.jpg";
        QTest::newRow("file url is decoded") << "file:///tmp/My%20Trip.jpg"
                                             << "My Trip"
                                             << "tmp"
                                             << "/tmp/My Trip.jpg" << cache + "/tmp/My Trip-256x144.jpg"
                                             << ""
                                             << "My Trip.jpg";
        QTest::newRow("broken file url names nothing") << "file://x y/a.jpg"
                                                       << ""
                                                       << ""
                                                       << ""
                                                       << ""
                                                       << ""
                                                       << "";
        QTest::newRow("upper-case scheme is local") << "HTTP://x/y/abc.jpg"
                                                    << "abc"
                                                    << "y"
                                                    << "HTTP://x/y/abc.jpg" << cache + "/y/abc-256x144.jpg"
                                                    << ""
                                                    << "abc.jpg";
    }
    void photoPaths()
    {
        QFETCH(QString, from);
        QFETCH(QString, uuid);
        QFETCH(QString, playlist);
        QFETCH(QString, path);
        QFETCH(QString, thumbnail);
        QFETCH(QString, fullUrl);
        PhotoPaths photo(from);
        QCOMPARE(photo.uuid(), uuid);
        QCOMPARE(photo.playlist(), playlist);
        QCOMPARE(photo.path(), path);
        QCOMPARE(photo.thumbnailPath(), thumbnail);
        QCOMPARE(photo.fullUrl(), fullUrl);
        QTEST(photo.fileName(), "fileName");
    }

    void fullUrlIsLookedUpLazily()
    {
        PhotoPaths photo(FileLocations::playlistFolder() + "/Trip/lazy1.jpg");
        Settings::setValue("kUuidToUrlPrefixlazy1", "https://cdn.example/lazy1.jpg");
        QCOMPARE(photo.fullUrl(), QString("https://cdn.example/lazy1.jpg"));
    }

    void addFromTheService()
    {
        const auto result = m_library->addPicture("New", "https://cdn.example/p/u1-256x144.jpg", false);
        QCOMPARE(result.status, Add::Download);
        QCOMPARE(result.target, m_playlists + "/New/u1.jpg");
        QCOMPARE(result.fullUrl, QString("https://cdn.example/p/u1.jpg"));
        QVERIFY(result.createdPlaylist);
        QVERIFY(QFileInfo(m_playlists + "/New").isDir());
        QVERIFY(m_store->isActive("New"));

        writeFile(result.target);
        const auto again = m_library->addPicture("New", "https://cdn.example/p/u1-1024x576x.jpg", false);
        QCOMPARE(again.status, Add::AlreadyThere);
        QVERIFY(!again.createdPlaylist);
    }

    void addLocalCopiesOrMoves()
    {
        const QString source = m_root + "/outside/photo.jpg";
        writeFile(source, "first");
        const QDateTime old = QDateTime::currentDateTime().addDays(-10);
        {
            QFile f(source);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
        }

        auto copied = m_library->addPicture("Copies", source, true);
        QCOMPARE(copied.status, Add::Added);
        QCOMPARE(copied.target, m_playlists + "/Copies/photo.jpg");
        QCOMPARE(readFile(copied.target), QByteArray("first"));
        QVERIFY(QFileInfo::exists(source));
        QCOMPARE(
            copied.thumbnailPath, FileLocations::baseFolder() + "/PlaylistCache/Copies/photo-256x144.jpg");

        writeFile(m_playlists + "/Moves/older.jpg");
        {
            QFile f(m_playlists + "/Moves/older.jpg");
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(old.addDays(5), QFileDevice::FileModificationTime));
        }
        // A picture of another playlist is moved.
        auto moved = m_library->addPicture("Moves", copied.target, false);
        QCOMPARE(moved.status, Add::Added);
        QCOMPARE(moved.target, m_playlists + "/Moves/photo.jpg");
        QVERIFY(!QFileInfo::exists(copied.target));
        QCOMPARE(readFile(moved.target), QByteArray("first"));
        // The moved picture is now the newest of its playlist.
        QDir moves(m_playlists + "/Moves");
        QCOMPARE(moves.entryList(QDir::Files, QDir::Time).first(), QString("photo.jpg"));
        QVERIFY(QFileInfo(moved.target).lastModified() > old.addDays(9));

        // A "file://" address is always copied.
        QVERIFY(QFileInfo::exists(source));
        writeFile(source, "second");
        auto fromUrl = m_library->addPicture("Urls", QUrl::fromLocalFile(source).toString(), false);
        QCOMPARE(fromUrl.status, Add::Added);
        QVERIFY(QFileInfo::exists(source));
        QCOMPARE(readFile(m_playlists + "/Urls/photo.jpg"), QByteArray("second"));
    }

    // Dropped without `copy`: only pictures that already are in a playlist move.
    void dropsFromOutsideAreCopied_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("moved");
        QTest::newRow("another playlist") << "Fotoria Playlist/Other/drop.jpg" << true;
        QTest::newRow("outside") << "outside/drop.jpg" << false;
        QTest::newRow("folder with a longer name") << "Fotoria Playlist2/drop.jpg" << false;
        QTest::newRow("playlist linked to outside") << "Fotoria Playlist/Linked/drop.jpg" << false;
        QTest::newRow("climbing out") << "Fotoria Playlist/../outside/drop.jpg" << false;
    }
    void dropsFromOutsideAreCopied()
    {
        QFETCH(QString, source);
        QFETCH(bool, moved);
        writeFile(m_root + "/outside/drop.jpg", "user's own");
        writeFile(m_playlists + "/Other/drop.jpg", "user's own");
        writeFile(m_root + "/Fotoria Playlist2/drop.jpg", "user's own");
        QVERIFY(QFile::link(m_root + "/outside", m_playlists + "/Linked"));
        const QString from = m_root + "/" + source;

        const auto result = m_library->addPicture("Trip", from, false);
        QCOMPARE(result.status, Add::Added);
        QCOMPARE(readFile(result.target), QByteArray("user's own"));
        QCOMPARE(QFileInfo::exists(from), !moved);
        // A copy made for a drop still leads its playlist.
        QVERIFY(QFileInfo(result.target).lastModified() > QDateTime::currentDateTime().addSecs(-60));
        // Deleting the playlist later leaves the original where it was.
        QVERIFY(m_library->remove("Trip"));
        QCOMPARE(QFileInfo::exists(from), !moved);
    }

    void moveOntoADifferentFileKeepsBoth()
    {
        const QString source = m_playlists + "/Other/same.jpg";
        writeFile(source, "new picture");
        writeFile(m_playlists + "/Trip/same.jpg", "old picture");
        writeFile(m_playlists + "/Trip/same (2).jpg", "another");

        auto result = m_library->addPicture("Trip", source, false);
        QCOMPARE(result.status, Add::Added);
        QCOMPARE(result.target, m_playlists + "/Trip/same (3).jpg");
        QCOMPARE(readFile(m_playlists + "/Trip/same.jpg"), QByteArray("old picture"));
        QCOMPARE(readFile(m_playlists + "/Trip/same (2).jpg"), QByteArray("another"));
        QCOMPARE(readFile(result.target), QByteArray("new picture"));
        QVERIFY(!QFileInfo::exists(source));
    }

    // Into a playlist linked to another file system: a copy that reaches the
    // disk, and only then the source goes.
    void moveAcrossFileSystems_data()
    {
        QTest::addColumn<bool>("copyFails");
        QTest::newRow("arrives, source gone") << false;
        QTest::newRow("failed copy keeps the source") << true;
    }
    void moveAcrossFileSystems()
    {
        QFETCH(bool, copyFails);
        QTemporaryDir memory("/dev/shm/fotoria-test-XXXXXX");
        if (!memory.isValid())
            QSKIP("no /dev/shm to move to");
        struct stat onDisk, inMemory;
        if (::stat(QFile::encodeName(m_playlists).constData(), &onDisk) != 0
            || ::stat(QFile::encodeName(memory.path()).constData(), &inMemory) != 0
            || onDisk.st_dev == inMemory.st_dev)
            QSKIP("the test home and /dev/shm are one file system");
        QVERIFY(QFile::link(memory.path(), m_playlists + "/Memory"));
        const QString source = m_playlists + "/Disk/big.jpg";
        QByteArray content(40000, 0);
        for (int i = 0; i < content.size(); ++i)
            content[i] = char(i * 7);
        writeFile(source, content);

        rlimit limit;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit unchanged = limit;
        if (copyFails) {
            // Files may not grow past 36,000 bytes: the last part of the copy fails.
            ::signal(SIGXFSZ, SIG_IGN);
            limit.rlim_cur = 36000;
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        }
        const auto result = m_library->addPicture("Memory", source, false);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &unchanged), 0);

        if (copyFails) {
            QCOMPARE(result.status, Add::Failed);
            QCOMPARE(readFile(source), content);
            QCOMPARE(QDir(memory.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                QStringList());
        } else {
            QCOMPARE(result.status, Add::Added);
            QCOMPARE(result.target, m_playlists + "/Memory/big.jpg");
            QCOMPARE(readFile(memory.path() + "/big.jpg"), content);
            QVERIFY(!QFileInfo::exists(source));
        }
    }

    void moveOntoTheSameContentRemovesOnlyTheSource()
    {
        const QString source = m_playlists + "/Other/dup.jpg";
        writeFile(source, "same bytes");
        writeFile(m_playlists + "/Trip/dup.jpg", "same bytes");
        auto result = m_library->addPicture("Trip", source, false);
        QCOMPARE(result.status, Add::AlreadyThere);
        QVERIFY(!QFileInfo::exists(source));
        QCOMPARE(readFile(m_playlists + "/Trip/dup.jpg"), QByteArray("same bytes"));

        // Moving a picture onto itself deletes nothing.
        result = m_library->addPicture("Trip", m_playlists + "/Trip/dup.jpg", false);
        QCOMPARE(result.status, Add::AlreadyThere);
        QCOMPARE(readFile(m_playlists + "/Trip/dup.jpg"), QByteArray("same bytes"));

        // A copy onto the same content keeps the source.
        writeFile(source, "same bytes");
        QCOMPARE(m_library->addPicture("Trip", source, true).status, Add::AlreadyThere);
        QVERIFY(QFileInfo::exists(source));
    }

    void addRefusesUnsafeNamesAndMissingFiles_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("path");
        QTest::addColumn<Add::Status>("status");
        QTest::newRow("climbing playlist") << "../x"
                                           << "https://cdn.example/u-256x144.jpg" << Add::Refused;
        QTest::newRow("nested playlist") << "a/b"
                                         << "https://cdn.example/u-256x144.jpg" << Add::Refused;
        QTest::newRow("dot-dot file") << "Trip"
                                      << "https://cdn.example/.." << Add::Refused;
        QTest::newRow("line break in the file name")
            << "Trip"
            << "https://cdn.example/a%0Ab-256x144.jpg" << Add::Refused;
        QTest::newRow("missing local file") << "Trip"
                                            << "/nowhere/gone.jpg" << Add::Failed;
    }
    void addRefusesUnsafeNamesAndMissingFiles()
    {
        QFETCH(QString, category);
        QFETCH(QString, path);
        QFETCH(Add::Status, status);
        const auto result = m_library->addPicture(category, path, false);
        QCOMPARE(result.status, status);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(!QFileInfo::exists(m_root + "/x"));
        QVERIFY(!QFileInfo::exists(m_playlists + "/a"));
        QVERIFY(!QFileInfo::exists(m_playlists + "/Trip"));
        QCOMPARE(m_store->activeCount(), 0);
    }

    void favorites()
    {
        const QString folder = m_root + "/fav";
        writeFile(folder + "/b-uuid.jpg");
        writeFile(folder + "/A-uuid.jpg");
        writeFile(folder + "/c-uuid.jpg");
        QDir().mkpath(folder + "/sub.jpg");
        FavoritesSet favorites;
        favorites.rebuild(folder);
        QCOMPARE(favorites.uuids(), QStringList({ "A-uuid", "b-uuid", "c-uuid" }));
        favorites.add("b-uuid");
        favorites.add("d-uuid");
        QCOMPARE(favorites.uuids(), QStringList({ "A-uuid", "b-uuid", "c-uuid", "d-uuid" }));
        QVERIFY(favorites.contains("d-uuid"));
        favorites.rebuild(folder);
        QVERIFY(!favorites.contains("d-uuid"));
    }

    void modelChecksAndStores()
    {
        writeFile(m_playlists + "/A/1.jpg");
        m_store->setActive("A", true);
        m_store->setActive("B", false);
        PlaylistsModel model({ "A", "B" }, m_store);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.columnCount(), 1);
        const QModelIndex b = model.index(1, 0);
        QCOMPARE(model.data(model.index(0, 0)).toString(), QString("A"));
        QCOMPARE(model.data(model.index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(model.data(b, Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QVERIFY(!model.data(b, Qt::ToolTipRole).isValid());
        QCOMPARE(int(model.flags(b) & (Qt::ItemIsUserCheckable | Qt::ItemIsEditable)), 0x12);

        QSignalSpy edited(&model, &PlaylistsModel::editCompleted);
        QSignalSpy changed(&model, &PlaylistsModel::playlistsChanged_Signal);
        QVERIFY(model.setData(b, Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(edited.count(), 1);
        QCOMPARE(edited.first().first().toBool(), true);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(indexEntries(m_index), QStringList({ "A=true", "B=true" }));

        // Other roles answer true and change nothing.
        QVERIFY(model.setData(b, "renamed", Qt::EditRole));
        QCOMPARE(edited.count(), 1);
        QCOMPARE(model.data(b).toString(), QString("B"));
        QCOMPARE(indexEntries(m_index), QStringList({ "A=true", "B=true" }));
    }

    void dialogMessages()
    {
        writeFile(m_playlists + "/Full/1.jpg");
        QDir().mkpath(m_playlists + "/Empty");
        PlaylistsDialog dialog({ "Empty", "Full" }, m_store);
        QCOMPARE(dialog.windowTitle(), QString("Playlists"));
        QCOMPARE(dialog.message(), QString());
        dialog.playlistsChanged_Slot();
        QCOMPARE(dialog.message(), QString("Please select at least one playlist."));

        PlaylistsModel *model = dialog.model();
        model->setData(model->index(0, 0), Qt::Checked, Qt::CheckStateRole);
        QCOMPARE(dialog.message(), QString("Please select a playlist with photos in it."));
        model->setData(model->index(1, 0), Qt::Checked, Qt::CheckStateRole);
        QCOMPARE(dialog.message(), QString());
        QCOMPARE(closeAnswering(dialog, "Go Back"), QString()); // a photo to show: no question
        model->setData(model->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
        model->setData(model->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
        QCOMPARE(dialog.message(), QString("Please select at least one playlist."));
        QCOMPARE(dialog.view()->model(), model);

        // Nothing to show: closing asks; going back keeps the dialog.
        QSignalSpy finished(&dialog, &QDialog::finished);
        QCOMPARE(closeAnswering(dialog, "Go Back"), QString("No photos for the wallpaper and the screensaver"));
        QCOMPARE(finished.size(), 0);
        QVERIFY(!closeAnswering(dialog, "Close Anyway").isEmpty());
        QCOMPARE(finished.size(), 1);
    }

    // Closes `dialog`, clicking `answer` in the question it asks; the question, or empty.
    static QString closeAnswering(QDialog &dialog, const QString &answer)
    {
        QString asked;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            for (QAbstractButton *button : box ? box->buttons() : QList<QAbstractButton *>())
                if (button->text() == answer)
                    asked = box->text(), button->click();
        });
        dialog.reject();
        QCoreApplication::processEvents();
        return asked;
    }
};

FOTORIA_TEST_MAIN(PlaylistTest)
#include "PlaylistTest.moc"
