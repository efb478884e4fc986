#include <TestFiles.h>
#include <TestMain.h>

#include <core/FileLocations.h>
#include <core/ImageStore.h>
#include <core/PictureDecoder.h>
#include <core/Settings.h>
#include <core/WallpaperBitmap.h>
#include <core/WallpaperOptions.h>
#include <livewallpaper/LiveWallpaperFrame.h>
#include <systray/PreparedWallpaper.h>
#include <systray/RotationSchedule.h>
#include <systray/WallpaperHistory.h>
#include <systray/WallpaperManager.h>

#include <memory>

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>

using fotoria::test::readFile;
using fotoria::test::writeFile;

namespace {

void writePicture(const QString &path, const QSize &size, const QColor &color)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QPainter(&image).fillRect(0, 0, size.width() / 4, size.height(), Qt::white);
    QVERIFY(image.save(path, "jpg"));
}

// The colour right of the white quarter (JPEG keeps it only roughly).
bool showsColor(const QImage &image, const QColor &color)
{
    if (image.isNull())
        return false;
    const QColor seen = image.pixelColor(image.width() * 3 / 4, image.height() / 2);
    return qAbs(seen.red() - color.red()) < 24 && qAbs(seen.green() - color.green()) < 24
        && qAbs(seen.blue() - color.blue()) < 24;
}

const QList<QColor> kColors { Qt::red, Qt::green, Qt::blue };

} // namespace

class WallpaperManagerTest : public QObject
{
    Q_OBJECT

    QString m_root;
    QString m_playlists;
    QString m_installed;
    ImageStore *m_store = nullptr;
    WallpaperManager *m_manager = nullptr;

private slots:
    void init()
    {
        static int counter = 0;
        m_root = fotoria::test::testHome() + QStringLiteral("/case%1").arg(++counter);
        m_playlists = m_root + "/playlists";
        m_installed = m_root + "/installed.bmp";
        QDir().mkpath(m_playlists);
        QFile::remove(WallpaperBitmap::defaultPath());
        // The real install path, with a command that leaves the file where we can see it.
        Settings::setValue("kWallpaperCommand", QStringLiteral("cp %f ") + m_installed);
        Settings::setValue("kChangePicture", 3600);
        Settings::setValue("kWallpaperFill", 0);
        // Each case starts as a first run: the next change is due at once.
        Settings::remove("kLastWallpaperChange");
        m_store = new ImageStore(m_root + "/active.xml", m_playlists);
        m_manager = new WallpaperManager(m_store);
    }
    void cleanup()
    {
        delete m_manager;
        delete m_store;
    }

    void noRotationWithoutInterval_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -5;
    }
    void noRotationWithoutInterval()
    {
        QFETCH(int, seconds);
        writePicture(m_playlists + "/A/1.jpg", QSize(300, 200), Qt::red);
        m_store->setActive("A", true);
        Settings::setValue("kChangePicture", seconds);
        QSignalSpy changed(m_manager, &WallpaperManager::wallpaperChanged_Signal);
        m_manager->start();
        QVERIFY(!m_manager->isRunning());
        QCOMPARE(changed.count(), 0);
        QVERIFY(!QFile::exists(WallpaperBitmap::defaultPath()));
        QVERIFY(!QFile::exists(m_installed));
    }

    void startChangesOnceAndASecondStartNothing()
    {
        writePicture(m_playlists + "/A/1.jpg", QSize(300, 200), Qt::red);
        m_store->setActive("A", true);
        QSignalSpy changed(m_manager, &WallpaperManager::wallpaperChanged_Signal);

        m_manager->start();
        QVERIFY(m_manager->isRunning());
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, 10000);
        QTRY_VERIFY(!m_manager->isChanging());
        QCOMPARE(changed.first().first().toString(), WallpaperBitmap::defaultPath());
        const QByteArray bitmap = readFile(WallpaperBitmap::defaultPath());
        QVERIFY(bitmap.startsWith("BM"));
        QCOMPARE(readFile(m_installed), bitmap);

        // The bitmap covers the primary screen's available area.
        const QImage shown(WallpaperBitmap::defaultPath());
        QCOMPARE(shown.size(),
            QSize(300, 200).scaled(WallpaperBitmap::screenSize(), Qt::KeepAspectRatioByExpanding));

        QFile::remove(m_installed);
        m_manager->start();
        QVERIFY(!m_manager->isChanging());
        QCOMPARE(changed.count(), 1);
        QVERIFY(!QFile::exists(m_installed));

        m_manager->stop();
        QVERIFY(!m_manager->isRunning());
        m_manager->stop();
        QVERIFY(!m_manager->isRunning());
    }

    void runningTimerChangesEachInterval()
    {
        writePicture(m_playlists + "/A/1.jpg", QSize(160, 90), Qt::red);
        writePicture(m_playlists + "/A/2.jpg", QSize(160, 90), Qt::blue);
        m_store->setActive("A", true);
        Settings::setValue("kChangePicture", 1);
        QSignalSpy changed(m_manager, &WallpaperManager::wallpaperChanged_Signal);
        m_manager->start();
        QVERIFY(changed.wait(10000));
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() >= 3, 10000);
        QVERIFY(m_manager->isRunning());
    }

    void noActivePictureKeepsTheTimer()
    {
        Settings::setValue("kChangePicture", 1);
        QSignalSpy changed(m_manager, &WallpaperManager::wallpaperChanged_Signal);
        m_manager->start();
        QVERIFY(m_manager->isRunning());
        QCOMPARE(changed.count(), 0);
        QVERIFY(!QFile::exists(WallpaperBitmap::defaultPath()));

        // A picture arriving later is picked up by the next tick.
        writePicture(m_playlists + "/Late/1.jpg", QSize(160, 90), Qt::green);
        m_store->setActive("Late", true);
        QVERIFY(changed.wait(5000));
        QVERIFY(QFile::exists(m_installed));
    }

    void unreadablePictureLeavesTheWallpaper_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("text") << QByteArray("not a picture at all");
        QTest::newRow("truncated jpeg") << QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF", 10);
    }
    void unreadablePictureLeavesTheWallpaper()
    {
        QFETCH(QByteArray, content);
        const QString good = m_playlists + "/A/good.jpg";
        writePicture(good, QSize(160, 90), Qt::red);
        QCOMPARE(m_manager->setOsWallpaper(good), WallpaperBitmap::defaultPath());
        const QByteArray before = readFile(WallpaperBitmap::defaultPath());
        const QByteArray installedBefore = readFile(m_installed);
        QVERIFY(!before.isEmpty());

        const QString bad = m_playlists + "/A/bad.jpg";
        if (!content.isEmpty()) {
            QFile file(bad);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QSignalSpy changed(m_manager, &WallpaperManager::wallpaperChanged_Signal);
        QCOMPARE(m_manager->setOsWallpaper(bad), QString());
        QCOMPARE(changed.count(), 0);
        QCOMPARE(readFile(WallpaperBitmap::defaultPath()), before);
        QCOMPARE(readFile(m_installed), installedBefore);
    }

    void oversizedPictureIsRefusedBeforeDecoding()
    {
        // A JPEG header claiming 30000 x 30000 (900 megapixels).
        QByteArray bytes;
        {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImage small(16, 16, QImage::Format_RGB32);
            small.fill(Qt::red);
            small.save(&buffer, "jpg");
        }
        const int sof = bytes.indexOf(QByteArray("\xff\xc0", 2));
        QVERIFY(sof > 0);
        bytes[sof + 5] = char(30000 >> 8);
        bytes[sof + 6] = char(30000 & 0xff);
        bytes[sof + 7] = char(30000 >> 8);
        bytes[sof + 8] = char(30000 & 0xff);
        const QString path = m_playlists + "/huge.jpg";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("too large"));
        QCOMPARE(m_manager->setOsWallpaper(path), QString());
        QVERIFY(!QFile::exists(WallpaperBitmap::defaultPath()));
    }

    void bitmapWriteFailures()
    {
        const QString good = m_playlists + "/A/good.jpg";
        writePicture(good, QSize(160, 90), Qt::red);
        const QString nowhere = m_root + "/no-such-folder/wallpaper.bmp";
        QString error;
        QCOMPARE(WallpaperBitmap::write(good, QSize(64, 36), nowhere, &error),
            WallpaperBitmap::Result::WriteFailed);
        QVERIFY(error.contains(nowhere));
        QCOMPARE(WallpaperBitmap::write(m_playlists + "/A/missing.jpg", QSize(64, 36), nowhere, &error),
            WallpaperBitmap::Result::UnreadablePicture);

        // Replacing leaves no temporary files behind.
        const QString bitmap = m_root + "/wallpaper.bmp";
        for (int i = 0; i < 3; ++i)
            QCOMPARE(WallpaperBitmap::write(good, QSize(64, 36), bitmap, &error),
                WallpaperBitmap::Result::Written);
        QCOMPARE(QDir(m_root).entryList({ "wallpaper.bmp*" }, QDir::Files), QStringList({ "wallpaper.bmp" }));
        QCOMPARE(QImage(bitmap).size(), QSize(64, 36));
    }

    void failedInstallIsLoggedAndKeepsRotating()
    {
        writePicture(m_playlists + "/A/1.jpg", QSize(160, 90), Qt::red);
        m_store->setActive("A", true);
        Settings::setValue("kWallpaperCommand", "false %f");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Failed to set wallpaper: .+"));
        QSignalSpy changed(m_manager, &WallpaperManager::wallpaperChanged_Signal);
        m_manager->start();
        QVERIFY(m_manager->isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!m_manager->isChanging(), 10000);
        QCOMPARE(changed.count(), 0);
        // The bitmap was written; only the install failed.
        QVERIFY(QFile::exists(WallpaperBitmap::defaultPath()));
    }

    void callsFromWorkerThreadsRunOnTheManagersThread()
    {
        QStringList pictures;
        for (int i = 0; i < kColors.size(); ++i) {
            pictures << m_playlists + QStringLiteral("/A/%1.jpg").arg(i);
            writePicture(pictures.last(), QSize(160, 90), kColors[i]);
        }
        QThread *changedOn = nullptr;
        connect(
            m_manager, &WallpaperManager::wallpaperChanged_Signal, this,
            [&] { changedOn = QThread::currentThread(); }, Qt::DirectConnection);
        QSignalSpy changed(m_manager, &WallpaperManager::wallpaperChanged_Signal);

        QThread *worker = QThread::create([&] {
            for (const QString &picture : std::as_const(pictures))
                m_manager->showWallpaper(picture);
        });
        worker->start();
        QVERIFY(worker->wait(10000));
        delete worker;
        QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty() && !m_manager->isChanging(), 10000);
        QCOMPARE(changedOn, QThread::currentThread());
        QVERIFY(showsColor(QImage(m_installed), kColors.last()));
    }

    void newestRequestWinsWhileAChangeRuns()
    {
        const QString started = m_root + "/started";
        Settings::setValue("kWallpaperCommand",
            QStringLiteral("sh -c \"touch %1; sleep 1; cp %f %2\"").arg(started, m_installed));
        QStringList pictures;
        for (int i = 0; i < kColors.size(); ++i) {
            pictures << m_playlists + QStringLiteral("/A/%1.jpg").arg(i);
            writePicture(pictures.last(), QSize(160, 90), kColors[i]);
        }
        QSignalSpy changed(m_manager, &WallpaperManager::wallpaperChanged_Signal);
        m_manager->showWallpaper(pictures[0]);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 10000);
        m_manager->showWallpaper(pictures[1]);
        m_manager->showWallpaper(pictures[2]);
        QTRY_VERIFY_WITH_TIMEOUT(!m_manager->isChanging(), 20000);
        // The first one, then only the newest of those that waited.
        QCOMPARE(changed.count(), 2);
        QVERIFY(showsColor(QImage(m_installed), kColors[2]));
    }

    void guiThreadRunsDuringASlowInstall()
    {
        Settings::setValue(
            "kWallpaperCommand", QStringLiteral("sh -c \"sleep 2; cp %f %1\"").arg(m_installed));
        const QString picture = m_playlists + "/A/1.jpg";
        writePicture(picture, QSize(160, 90), Qt::red);
        int ticks = 0;
        int ticksWhenChanged = -1;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
        connect(
            m_manager, &WallpaperManager::wallpaperChanged_Signal, &timer, [&] { ticksWhenChanged = ticks; });
        timer.start(10);
        m_manager->showWallpaper(picture);
        QTRY_VERIFY_WITH_TIMEOUT(ticksWhenChanged >= 0, 20000);
        // Fired again and again while the command ran, not once after it.
        QVERIFY2(ticksWhenChanged >= 5, qPrintable(QString::number(ticksWhenChanged)));
        QVERIFY(showsColor(QImage(m_installed), Qt::red));
    }

    void fitBlurredShowsAPortraitWhole()
    {
        Settings::setValue("kWallpaperFill", int(WallpaperOptions::Fill::FitBlurred));
        const QString picture = m_playlists + "/A/tall.jpg";
        writePicture(picture, QSize(300, 600), Qt::blue);
        QSignalSpy changed(m_manager, &WallpaperManager::wallpaperChanged_Signal);
        m_manager->showWallpaper(picture);
        QVERIFY(changed.wait(10000));
        const QImage installed(m_installed);
        const QSize screen = WallpaperBitmap::screenSize();
        QCOMPARE(installed.size(), screen);
        // The photo's white quarter at its left edge, the blurred copy beside it.
        const int photoLeft = (screen.width() - screen.height() / 2) / 2;
        QVERIFY(installed.pixelColor(photoLeft + 4, screen.height() / 2).lightness() > 230);
        const int side = installed.pixelColor(4, screen.height() / 2).lightness();
        QVERIFY2(side > 20 && side < 200, qPrintable(QString::number(side)));
    }

    void liveFrameShowsTheInstalledPicture()
    {
        const QString picture = m_playlists + "/A/1.jpg";
        writePicture(picture, QSize(320, 180), Qt::blue);
        LiveWallpaperFrame frame;
        connect(m_manager, &WallpaperManager::wallpaperChanged_Signal, &frame,
            &LiveWallpaperFrame::showPicture_Slot);
        QSignalSpy shown(&frame, &LiveWallpaperFrame::pictureShown_Signal);
        m_manager->showWallpaper(picture);
        QVERIFY(shown.wait(10000));
        QCOMPARE(frame.picturePath(), WallpaperBitmap::defaultPath());
        const QImage image = frame.label()->pixmap(Qt::ReturnByValue).toImage();
        QCOMPARE(image.size(), frame.size());
        QVERIFY(showsColor(image, Qt::blue));
        QVERIFY(image.pixelColor(2, image.height() / 2).lightness() > 230);
    }

    // Steps: "+N" shows picture N ("+1..101" each of them), "-N" deletes it,
    // "<" and ">" walk back and forward ("<99": 99 times, the last answer
    // counts), "?" asks for a way back, "reload" reads the file again,
    // "damage" spoils it first. Walks and "?" add their answers.
    void historyWalk_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("current");
        QTest::newRow("back and forward again") << "+1 +2 +3 < < < > > >" << "2 1 _ 2 3 _" << "3";
        QTest::newRow("a new picture after going back is the newest") << "+1 +2 +3 < < +4 < <" << "2 1 3 2" << "2";
        QTest::newRow("the same picture twice is one entry") << "+1 +1 ? <" << "n _" << "1";
        QTest::newRow("gone pictures are stepped over") << "+1 +2 +3 -2 < > -1 ?" << "1 3 n" << "3";
        QTest::newRow("the newest hundred") << "+1..101 <99 <" << "2 _" << "2";
        QTest::newRow("across a restart") << "+1 +2 +3 < reload ? < >" << "2 y 1 2" << "2";
        QTest::newRow("damaged file: empty, logged") << "+1 +2 damage ? <" << "n _" << "";
    }
    void historyWalk()
    {
        QFETCH(QString, steps);
        QFETCH(QString, answers);
        QFETCH(QString, current);
        const QString file = m_root + "/history.json";
        auto history = std::make_unique<WallpaperHistory>(file);
        const auto picture = [this](int n) { return m_root + QStringLiteral("/%1.jpg").arg(n); };
        QStringList seen;
        for (const QString &step : steps.split(' ')) {
            const QStringList numbers = step.mid(1).split("..");
            if (step.startsWith('+')) {
                for (int n = numbers.first().toInt(); n <= numbers.last().toInt(); ++n) {
                    writeFile(picture(n));
                    history->record(picture(n));
                }
            } else if (step.startsWith('-')) {
                QVERIFY(QFile::remove(picture(numbers.first().toInt())));
            } else if (step.startsWith('<') || step.startsWith('>')) {
                QString answer;
                for (int i = 0; i < qMax(1, numbers.first().toInt()); ++i)
                    answer = step.startsWith('<') ? history->back() : history->forward();
                seen << (answer.isEmpty() ? "_" : QFileInfo(answer).baseName());
            } else if (step == "?") {
                seen << (history->canGoBack() ? "y" : "n");
            } else {
                if (step == "damage") {
                    writeFile(file, "{\"position\": 1, \"pictures\": [\"/a.jpg\"");
                    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Wallpaper history unreadable"));
                }
                history = std::make_unique<WallpaperHistory>(file);
            }
        }
        QCOMPARE(seen.join(' '), answers);
        QCOMPARE(QFileInfo(history->current()).baseName(), current);
    }

    // When the next timed change is due, for a fixed "now".
    void rotationSchedule_data()
    {
        const qint64 now = 1800000000;
        QTest::addColumn<qint64>("lastChange");
        QTest::addColumn<qint64>("interval");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<qint64>("wait");
        QTest::newRow("restart before due: the rest") << now - 600 << qint64(3600) << false << qint64(3000000);
        QTest::newRow("restart long after due: at once") << now - 86400 * 3 << qint64(3600) << false << qint64(0);
        QTest::newRow("clock jumped forward (suspend)") << now - 3601 << qint64(3600) << false << qint64(0);
        QTest::newRow("clock jumped back: one interval") << now + 86400 << qint64(3600) << false << qint64(3600000);
        QTest::newRow("interval 0: never") << now - 7200 << qint64(0) << false << qint64(-1);
        QTest::newRow("negative interval: never") << now - 7200 << qint64(-5) << false << qint64(-1);
        QTest::newRow("paused") << now - 7200 << qint64(3600) << true << qint64(-1);
    }
    void rotationSchedule()
    {
        QFETCH(qint64, lastChange);
        QFETCH(qint64, interval);
        QFETCH(bool, paused);
        QFETCH(qint64, wait);
        QCOMPARE(RotationSchedule::wait(lastChange, interval, paused, qint64(1800000000) * 1000), wait);
    }

    // The manager follows the stored time and pause (interval one hour).
    void startKeepsTheRhythm_data()
    {
        QTest::addColumn<int>("secondsAgo"); // -1: no change stored
        QTest::addColumn<bool>("paused");
        QTest::addColumn<bool>("changesAtOnce");
        QTest::newRow("never changed") << -1 << false << true;
        QTest::newRow("due a minute ago") << 3660 << false << true;
        QTest::newRow("due in 59 minutes") << 60 << false << false;
        QTest::newRow("paused, resumed when due") << 7200 << true << false;
    }
    void startKeepsTheRhythm()
    {
        QFETCH(int, secondsAgo);
        QFETCH(bool, paused);
        QFETCH(bool, changesAtOnce);
        writePicture(m_playlists + "/A/1.jpg", QSize(160, 90), Qt::red);
        m_store->setActive("A", true);
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        if (secondsAgo >= 0)
            Settings::setValue("kLastWallpaperChange", before - secondsAgo);
        Settings::setValue("kRotationPaused", paused);
        m_manager->start();
        QCOMPARE(m_manager->isChanging(), changesAtOnce);
        QCOMPARE(m_manager->isRunning(), !paused);
        // Resumed, a change is due at the last one plus the interval.
        m_manager->setPaused(false);
        QCOMPARE(m_manager->isChanging(), changesAtOnce || paused);
        QTRY_VERIFY_WITH_TIMEOUT(!m_manager->isChanging(), 10000);
        QCOMPARE(Settings::value("kLastWallpaperChange").toLongLong() >= before, changesAtOnce || paused);
    }

    // "Next" walks the history forward before it takes a new picture, and
    // never the one shown while there is another. Steps: "+N" shows picture
    // N from elsewhere, "*N" puts it into the active playlist.
    void stepsWalkTheHistoryFirst()
    {
        QStringList shown;
        connect(m_manager, &WallpaperManager::changeFinished_Signal, this,
            [&shown](const QString &picture) { shown << QFileInfo(picture).baseName(); });
        for (const QString step : { "+1", "+2", "<", ">", "*3", ">", "*4", ">", ">", ">", ">", ">" }) {
            const QString picture = m_playlists + (step[0] == '+' ? "/B/" : "/A/") + step.mid(1) + ".jpg";
            if (step.size() > 1)
                writePicture(picture, QSize(160, 90), Qt::red);
            if (step[0] == '+')
                m_manager->showWallpaper(picture);
            else if (step[0] == '*')
                m_store->setActive("A", true);
            else
                step == "<" ? m_manager->stepBack() : m_manager->stepForward();
            QTRY_VERIFY_WITH_TIMEOUT(!m_manager->isChanging(), 10000);
        }
        QCOMPARE(shown.join(' '), QStringLiteral("1 2 1 2 3 4 3 4 3 4"));
    }

    // A bitmap made ahead serves only the change it was made for.
    void preparedBitmapFitsOnlyItsRequest_data()
    {
        QTest::addColumn<QString>("since");
        QTest::addColumn<bool>("taken");
        QTest::newRow("nothing changed") << "" << true;
        QTest::newRow("picture replaced") << "picture" << false;
        QTest::newRow("other screen") << "screen" << false;
        QTest::newRow("other fill") << "fill" << false;
        QTest::newRow("calendar drawn") << "calendar" << false;
    }
    void preparedBitmapFitsOnlyItsRequest()
    {
        QFETCH(QString, since);
        QFETCH(bool, taken);
        WallpaperRequest request;
        request.picture = m_playlists + "/A/1.jpg";
        request.screen = QSize(160, 90);
        writePicture(request.picture, QSize(300, 600), Qt::red);
        PreparedWallpaper prepared(m_root + "/next.bmp");
        prepared.make(request, [](const WallpaperRequest &r, const QString &file, int *) {
            return WallpaperBitmap::write(r.picture, r.screen, file, nullptr);
        });
        if (since == "picture")
            writePicture(request.picture, QSize(300, 601), Qt::blue);
        request.screen.rwidth() += since == "screen";
        request.fill = since == "fill" ? WallpaperOptions::Fill::FitBlurred : request.fill;
        request.calendar = since == "calendar" ? QImage(8, 8, QImage::Format_ARGB32) : QImage();
        int placed = -1;
        const QString bitmap = m_root + "/bitmap.bmp";
        QCOMPARE(prepared.take(request, bitmap, &placed), taken);
        QCOMPARE(showsColor(QImage(bitmap), Qt::red), taken);
    }

    // Between changes the next pick is made ahead, and "Next" takes it.
    void nextIsPreparedBetweenChanges()
    {
        for (int i = 0; i < 2; ++i)
            writePicture(m_playlists + QStringLiteral("/A/%1.jpg").arg(i), QSize(160, 90), kColors[i]);
        m_store->setActive("A", true);
        QSignalSpy changed(m_manager, &WallpaperManager::wallpaperChanged_Signal);
        m_manager->showWallpaper(m_playlists + "/A/0.jpg");
        QVERIFY(changed.wait(10000));
        const QString prepared = PreparedWallpaper::defaultPath();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(prepared) && !m_manager->isChanging(), 10000);
        const qint64 made = modifiedMs(prepared);
        m_manager->showNextWallpaper();
        QVERIFY(changed.wait(10000));
        QVERIFY(showsColor(QImage(m_installed), kColors[1]));
        QCOMPARE(modifiedMs(WallpaperBitmap::defaultPath()), made);
    }

    void instanceLivesOnTheGuiThread()
    {
        WallpaperManager *fromWorker = nullptr;
        QThread *worker = QThread::create([&] { fromWorker = WallpaperManager::instance(); });
        worker->start();
        QVERIFY(worker->wait(10000));
        delete worker;
        QCOMPARE(fromWorker, WallpaperManager::instance());
        QCOMPARE(fromWorker->thread(), QCoreApplication::instance()->thread());
    }
};

FOTORIA_TEST_MAIN(WallpaperManagerTest)
#include "WallpaperManagerTest.moc"
