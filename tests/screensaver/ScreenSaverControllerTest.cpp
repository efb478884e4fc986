// The controller with its real picture queue, settings store and interval
// dialog, over a real playlist in the test home.
#include "TestMain.h"

#include <SSConfigurationDialog.h>
#include <SSDialog.h>
#include <SSImageQueue.h>
#include <ScreenSaver.h>
#include <ScreenSaverCommandLine.h>
#include <ScreenSaverStartup.h>

#include <core/FileLocations.h>
#include <core/ImageStore.h>
#include <core/PictureOrder.h>
#include <core/Settings.h>

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>

namespace {

const QString kIntervalKey = QStringLiteral("kSSDisplayInterval");

// What is on disk right now, read past the process's own store object.
QVariant storedOnDisk(const QString &key)
{
    QSettings file(Settings::fileName(), QSettings::NativeFormat);
    return file.value(key);
}

} // namespace

class ScreenSaverControllerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void ownSettingsStore();
    void effectiveInterval_data();
    void effectiveInterval();
    void storedIntervalBelowOneMeansTen();
    void firstPictureAtOnce();
    void intervalChangeEndsWait();
    void queueStopsPromptly();
    void queueFollowsTheTrayClientsOrder();
    void picturesGoToTheModesWindow();
    void dialogShowsStoredInterval_data();
    void dialogShowsStoredInterval();
    void steppingStoresAtOnce();
    void dialogByKeyboard_data();
    void dialogByKeyboard();
    void sameIntervalWritesNothing();

private:
    QString m_picture;
};

void ScreenSaverControllerTest::initTestCase()
{
    ScreenSaverStartup::setQTSettings();
    ScreenSaverStartup::initializeSettings();
    ScreenSaverStartup::createFolders();

    const QString playlist = FileLocations::playlistFolder() + QStringLiteral("/Only");
    QVERIFY(QDir().mkpath(playlist));
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::yellow);
    m_picture = QDir(playlist).absoluteFilePath(QStringLiteral("one.jpg"));
    QVERIFY(picture.save(m_picture, "JPEG"));
    // The process-wide store the queue reads, over the test home's folders.
    ImageStore::instance()->setActive(QStringLiteral("Only"), true);
    QCOMPARE(ImageStore::instance()->pictureCount(), 1);
}

void ScreenSaverControllerTest::init()
{
    Settings::remove(kIntervalKey);
}

void ScreenSaverControllerTest::ownSettingsStore()
{
    QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Fotoria"));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("FotoriaScreensaver"));
    QVERIFY2(Settings::fileName().endsWith(QLatin1String("/Fotoria/FotoriaScreensaver.conf")),
        qPrintable(Settings::fileName()));
    // The first run is over once the store exists.
    QVERIFY(Settings::isFirstRun);
    QCOMPARE(storedOnDisk(QStringLiteral("kFirstTime")).toBool(), false);
}

void ScreenSaverControllerTest::effectiveInterval_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("used");
    QTest::newRow("negative") << -5 << 10;
    QTest::newRow("zero") << 0 << 10;
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("45") << 45 << 45;
    QTest::newRow("above the dialog's range") << 500 << 500;
}

void ScreenSaverControllerTest::effectiveInterval()
{
    QFETCH(int, stored);
    QTEST(SSImageQueue::effectiveInterval(stored), "used");
}

void ScreenSaverControllerTest::storedIntervalBelowOneMeansTen()
{
    Settings::setValue(kIntervalKey, QStringLiteral("not a number"));
    ScreenSaver screenSaver(qApp);
    QCOMPARE(screenSaver.displayInterval(), 10);
    QCOMPARE(screenSaver.imageQueue()->interval(), 10);
}

void ScreenSaverControllerTest::firstPictureAtOnce()
{
    SSImageQueue queue;
    queue.setInterval(60);
    QSignalSpy pictures(&queue, &SSImageQueue::loadNewImageSignal);
    queue.start();
    // The first picture can come before a wait() would begin.
    QTRY_VERIFY_WITH_TIMEOUT(!pictures.isEmpty(), 10000);
    QCOMPARE(pictures.count(), 1);
    QCOMPARE(pictures.first().first().toString(), m_picture);
}

void ScreenSaverControllerTest::intervalChangeEndsWait()
{
    Settings::setValue(kIntervalKey, 60);
    ScreenSaver screenSaver(qApp);
    QCOMPARE(screenSaver.displayInterval(), 60);
    QSignalSpy pictures(screenSaver.imageQueue(), &SSImageQueue::loadNewImageSignal);
    screenSaver.start(); // mode 0: no window, the queue runs
    QTRY_VERIFY_WITH_TIMEOUT(!pictures.isEmpty(), 10000);
    QCOMPARE(pictures.count(), 1);

    screenSaver.displayIntervalChanged(10);
    // The running 60-second wait gives way within a second.
    QTRY_COMPARE_WITH_TIMEOUT(pictures.count(), 2, 1000);
    QCOMPARE(screenSaver.imageQueue()->interval(), 10);
    QCOMPARE(storedOnDisk(kIntervalKey).toInt(), 10);
}

void ScreenSaverControllerTest::queueStopsPromptly()
{
    auto *queue = new SSImageQueue;
    queue->setInterval(3600);
    QSignalSpy pictures(queue, &SSImageQueue::loadNewImageSignal);
    queue->start();
    QTRY_VERIFY_WITH_TIMEOUT(!pictures.isEmpty(), 10000);
    QVERIFY(queue->isRunning());
    // Deleting joins the thread; it must not wait out the hour.
    QElapsedTimer clock;
    clock.start();
    delete queue;
    QVERIFY2(clock.elapsed() < 5000, "the queue did not wake from its wait");
}

void ScreenSaverControllerTest::queueFollowsTheTrayClientsOrder()
{
    // The order lives in the tray client's store; the place in a file of our own.
    const QString trayStore = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Fotoria/FotoriaWallpaperScreensaver.conf");
    QSettings(trayStore, QSettings::IniFormat).setValue(QStringLiteral("kWallpaperOrder"), 2);
    QFile state(PictureOrder::defaultStateFile());
    QVERIFY(state.fileName().endsWith(QLatin1String("/Fotoria/FotoriaScreensaver-order.json")));
    {
        SSImageQueue queue;
        queue.setInterval(60);
        QSignalSpy pictures(&queue, &SSImageQueue::loadNewImageSignal);
        queue.start();
        QTRY_VERIFY_WITH_TIMEOUT(!pictures.isEmpty(), 10000);
        QCOMPARE(pictures.first().first().toString(), m_picture);
    }
    QVERIFY(QFile::remove(trayStore) && state.open(QIODevice::ReadOnly));
    QVERIFY(state.readAll().contains("\"order\":2"));
}

void ScreenSaverControllerTest::picturesGoToTheModesWindow()
{
    ScreenSaver screenSaver(qApp);
    screenSaver.setMode(ScreenSaverCommandLine::FullScreenMode);
    QSignalSpy pictures(screenSaver.imageQueue(), &SSImageQueue::loadNewImageSignal);
    QVERIFY(screenSaver.start());
    QVERIFY(screenSaver.screenSaverWindow());
    QVERIFY(screenSaver.screenSaverWindow()->isFullScreen());
    QTRY_COMPARE(screenSaver.screenSaverWindow()->currentPath(), m_picture);
    QCOMPARE(screenSaver.previewWindow(), nullptr);
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
    QGuiApplication::restoreOverrideCursor();

    // In configuration mode a picture has nowhere to go.
    ScreenSaver configuring(qApp);
    configuring.setMode(ScreenSaverCommandLine::ConfigurationMode);
    QVERIFY(configuring.start());
    configuring.loadNewImageSlot(m_picture);
    QVERIFY(!configuring.imageQueue()->isRunning());
}

void ScreenSaverControllerTest::dialogShowsStoredInterval_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("shown");
    QTest::newRow("nothing stored") << QVariant() << 10;
    QTest::newRow("45") << QVariant(45) << 45;
    QTest::newRow("above 120") << QVariant(500) << 120;
    QTest::newRow("below 10") << QVariant(5) << 10;
}

void ScreenSaverControllerTest::dialogShowsStoredInterval()
{
    QFETCH(QVariant, stored);
    if (stored.isValid())
        Settings::setValue(kIntervalKey, stored);
    ScreenSaver screenSaver(qApp);
    screenSaver.setMode(ScreenSaverCommandLine::ConfigurationMode);
    QVERIFY(screenSaver.start());
    SSConfigurationDialog *dialog = screenSaver.configurationDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Fotoria - Fotoria Screensaver"));
    QTEST(dialog->value(), "shown");
    QCOMPARE(dialog->delegate(), static_cast<SSConfigurationDialogDelegate *>(&screenSaver));
    // Opening stores nothing, not even the clamped value.
    QCOMPARE(storedOnDisk(kIntervalKey), stored.isValid() ? QVariant(stored.toString()) : QVariant());
    QVERIFY(!screenSaver.imageQueue()->isRunning());
    // No text covered or cut, whatever font stands in for the dialog's own.
    const QLabel *label = dialog->findChild<QLabel *>(QStringLiteral("label"));
    const QLabel *unit = dialog->findChild<QLabel *>(QStringLiteral("label_2"));
    QVERIFY(label->x() + label->fontMetrics().horizontalAdvance(label->text().trimmed()) <= dialog->spinBox()->x());
    QVERIFY(dialog->spinBox()->geometry().right() < unit->x());
    QVERIFY(unit->fontMetrics().horizontalAdvance(unit->text()) <= unit->width());
    QVERIFY(unit->geometry().right() < dialog->width());
}

void ScreenSaverControllerTest::steppingStoresAtOnce()
{
    ScreenSaver screenSaver(qApp);
    screenSaver.setMode(ScreenSaverCommandLine::ConfigurationMode);
    QVERIFY(screenSaver.start());
    SSConfigurationDialog *dialog = screenSaver.configurationDialog();
    QCOMPARE(dialog->value(), 10);
    dialog->spinBox()->stepUp();
    QCOMPARE(storedOnDisk(kIntervalKey).toInt(), 11);
    QCOMPARE(screenSaver.displayInterval(), 11);
    QCOMPARE(screenSaver.imageQueue()->interval(), 11);
    dialog->close();
    QCOMPARE(storedOnDisk(kIntervalKey).toInt(), 11);
}

// The spin box has the focus at once; Escape or Tab to Close and Space close it.
void ScreenSaverControllerTest::dialogByKeyboard_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::newRow("Escape") << QList<int> { Qt::Key_Escape };
    QTest::newRow("Close") << QList<int> { Qt::Key_Tab, Qt::Key_Space };
}

void ScreenSaverControllerTest::dialogByKeyboard()
{
    QFETCH(QList<int>, keys);
    ScreenSaver screenSaver(qApp);
    screenSaver.setMode(ScreenSaverCommandLine::ConfigurationMode);
    QVERIFY(screenSaver.start());
    SSConfigurationDialog *dialog = screenSaver.configurationDialog();
    // Before any activation: whichever way the window comes up.
    QCOMPARE(dialog->focusWidget(), dialog->spinBox());
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QVERIFY(dialog->closeButton()->geometry().bottom() < dialog->height());
    for (int key : keys)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QTRY_VERIFY(!dialog->isVisible());
}

void ScreenSaverControllerTest::sameIntervalWritesNothing()
{
    ScreenSaver screenSaver(qApp);
    screenSaver.displayIntervalChanged(10);
    QVERIFY(!storedOnDisk(kIntervalKey).isValid());
    screenSaver.displayIntervalChanged(30);
    QCOMPARE(storedOnDisk(kIntervalKey).toInt(), 30);
}

FOTORIA_TEST_MAIN(ScreenSaverControllerTest)
#include "ScreenSaverControllerTest.moc"
