// Runs the real fotoria-screensaver on a private X server: what it shows,
// how it ends, and how it lives inside another program's window.
#include "TestMain.h"
#include "XTestServer.h"

#include <core/FileLocations.h>
#include <core/ImageStore.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>

namespace {

const QString kBinary = QStringLiteral(SCREENSAVER_BINARY);
const QString kHostWindow = QStringLiteral(HOST_WINDOW_BINARY);

// The one picture of the active playlist: red left half, blue right half.
// The preview shows one in four colours: its corners tell what is shown.
const QSize kPictureSize(1000, 2000);
const QVector<QRgb> kQuadrants { qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 255, 0), qRgb(255, 255, 0) };

// Quadrants top left, top right, bottom left, bottom right.
bool writePicture(const QString &path, const QVector<QRgb> &quadrants)
{
    QImage picture(kPictureSize, QImage::Format_RGB32);
    for (int i = 0; i < 4; ++i)
        QPainter(&picture).fillRect(
            QRect(QPoint(i % 2 * 500, i / 2 * 1000), QSize(500, 1000)), quadrants.at(i));
    return picture.save(path, "JPEG", 95);
}

// A screensaver process whose diagnostic lines are kept for inspection.
class Run
{
public:
    Run(const XTestServer &server, const QStringList &args)
        : Run(server.environment(), args)
    {
    }
    Run(const QProcessEnvironment &environment, const QStringList &args)
    {
        m_process.setProcessEnvironment(environment);
        m_process.start(kBinary, args);
    }
    ~Run()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    bool waitForLine(const QString &line, int timeoutMs = 20000)
    {
        return waitFor([&] { return lines().contains(line); }, timeoutMs);
    }

    bool waitForText(const QString &text, int timeoutMs = 20000)
    {
        return waitFor([&] { return m_output.contains(text); }, timeoutMs);
    }

    bool waitFor(const std::function<bool()> &seen, int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            m_output += QString::fromLocal8Bit(m_process.readAllStandardError());
            if (seen())
                return true;
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return false;
            m_process.waitForReadyRead(int(qBound(qint64(1), deadline.remainingTime(), qint64(200))));
        }
    }

    bool waitForExit(int timeoutMs = 20000)
    {
        const bool done = m_process.waitForFinished(timeoutMs);
        m_output += QString::fromLocal8Bit(m_process.readAllStandardError());
        return done;
    }

    bool isRunning() const { return m_process.state() == QProcess::Running; }
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    QStringList lines() const { return m_output.split(QLatin1Char('\n')); }
    QString output() const { return m_output; }

private:
    QProcess m_process;
    QString m_output;
};

int luminance(QRgb c)
{
    return (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000;
}

bool near(QRgb actual, QRgb expected, int tolerance)
{
    return qAbs(qRed(actual) - qRed(expected)) <= tolerance
        && qAbs(qGreen(actual) - qGreen(expected)) <= tolerance
        && qAbs(qBlue(actual) - qBlue(expected)) <= tolerance;
}

double meanLuminance(const QImage &image, const QRect &area)
{
    qint64 sum = 0;
    qint64 count = 0;
    for (int y = area.top(); y <= area.bottom(); y += 4) {
        for (int x = area.left(); x <= area.right(); x += 4) {
            sum += luminance(image.pixel(x, y));
            ++count;
        }
    }
    return count ? double(sum) / count : 0;
}

} // namespace

class ScreenSaverProcessTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void usageEndsWithMinusOne_data();
    void usageEndsWithMinusOne();
    void fullScreenFadesInFittedPictureAndEndsOnKey();
    void secondMouseMoveEnds();
    void buttonReleaseEndsButPressDoesNot();
    void previewLivesInHostWindow_data();
    void previewLivesInHostWindow();
    void missingHostWindowFails();
    void damagedFilesAreSetAside_data();
    void damagedFilesAreSetAside();

private:
    QImage waitForScreenshot(const std::function<bool(const QImage &)> &ready, int timeoutMs = 20000);
    bool waitForViewableWindow(const QString &name, QString *info, int timeoutMs = 20000);

    XTestServer *m_server = nullptr;
};

void ScreenSaverProcessTest::initTestCase()
{
    const FileLocations locations;
    const QString playlist = FileLocations::playlistFolder() + QStringLiteral("/Test");
    const QString quadrants = FileLocations::playlistFolder() + QStringLiteral("/Quadrants");
    QVERIFY(QDir().mkpath(playlist) && QDir().mkpath(quadrants));
    QVERIFY(
        writePicture(playlist + "/tall.jpg", { kQuadrants[0], kQuadrants[1], kQuadrants[0], kQuadrants[1] }));
    QVERIFY(writePicture(quadrants + "/tall.jpg", kQuadrants));

    ensureFolder(FileLocations::baseFolder());
    ImageStore store(
        FileLocations::baseFolder() + QStringLiteral("/active.xml"), FileLocations::playlistFolder());
    store.setActive(QStringLiteral("Test"), true);
    QCOMPARE(store.pictureCount(), 1);
}

void ScreenSaverProcessTest::init()
{
    m_server = new XTestServer;
    QVERIFY2(m_server->start(), "cannot start a private Xvfb");
}

void ScreenSaverProcessTest::cleanup()
{
    delete m_server;
    m_server = nullptr;
}

QImage ScreenSaverProcessTest::waitForScreenshot(
    const std::function<bool(const QImage &)> &ready, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QImage shot;
    do {
        shot = m_server->screenshot();
        if (!shot.isNull() && ready(shot))
            return shot;
        QTest::qWait(50);
    } while (!deadline.hasExpired());
    return shot;
}

bool ScreenSaverProcessTest::waitForViewableWindow(const QString &name, QString *info, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    do {
        *info = m_server->runTool(QStringLiteral("xwininfo"), { QStringLiteral("-name"), name });
        if (info->contains(QLatin1String("IsViewable")))
            return true;
        QTest::qWait(50);
    } while (!deadline.hasExpired());
    return false;
}

void ScreenSaverProcessTest::usageEndsWithMinusOne_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no argument") << QStringList();
    QTest::newRow("switch that matches no mode") << QStringList { QStringLiteral("/x") };
    QTest::newRow("two arguments, first not /p")
        << QStringList { QStringLiteral("/s"), QStringLiteral("/x") };
    QTest::newRow("three arguments") << QStringList { QStringLiteral("/p"), QStringLiteral("1"),
        QStringLiteral("2") };
}

void ScreenSaverProcessTest::usageEndsWithMinusOne()
{
    QFETCH(QStringList, args);
    Run run(*m_server, args);
    QVERIFY(run.waitForExit());
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 255);
    const QStringList expected = {
        QStringLiteral("ERROR! No parameters were passed to this screensaver. Program will exit!"),
        QStringLiteral("Usage:"),
        QStringLiteral(" *Display configuration dialog"),
        QStringLiteral("\t Fotoria.scr /c"),
        QStringLiteral(" *Display screensaver"),
        QStringLiteral("\t Fotoria.scr /s"),
        QStringLiteral(" *Display screensaver in preview window"),
        QStringLiteral("\t Fotoria.scr /p <hwnd>"),
        QStringLiteral(" *This situation (immediate exit)"),
        QStringLiteral("\t Fotoria.scr"),
        QStringLiteral("\t Fotoria.scr <any other case>"),
    };
    const QStringList lines = run.lines();
    const int first = lines.indexOf(expected.first());
    QVERIFY2(first >= 0, qPrintable(run.output()));
    QCOMPARE(lines.mid(first, expected.size()), expected);
}

void ScreenSaverProcessTest::fullScreenFadesInFittedPictureAndEndsOnKey()
{
    Run run(*m_server, { QStringLiteral("/s") });
    QString info;
    QVERIFY2(waitForViewableWindow(QStringLiteral("Dialog"), &info), qPrintable(run.output()));
    QVERIFY2(info.contains(QLatin1String("Absolute upper-left X:  0")), qPrintable(info));
    QVERIFY2(info.contains(QLatin1String("Absolute upper-left Y:  0")), qPrintable(info));
    QVERIFY2(info.contains(QLatin1String("Width: 1920")), qPrintable(info));
    QVERIFY2(info.contains(QLatin1String("Height: 1080")), qPrintable(info));

    // 1000x2000 on 1920x1080: 540x1080 at (690, 0).
    const QRect picture(690, 0, 540, 1080);
    const QRect leftOfPicture(0, 0, 680, 1080);
    const QRect rightOfPicture(1240, 0, 680, 1080);

    // The first frame the window paints (the root's pattern gone) is black or
    // nearly: the picture only starts to fade in.
    const QImage early = waitForScreenshot([&](const QImage &shot) {
        return meanLuminance(shot, leftOfPicture) < 2 && meanLuminance(shot, rightOfPicture) < 2;
    });
    QVERIFY(!early.isNull());
    QVERIFY2(meanLuminance(early, leftOfPicture) < 2, "the window does not cover the screen");
    QVERIFY2(meanLuminance(early, picture) < 40,
        qPrintable(QStringLiteral("first frame not dark: %1").arg(meanLuminance(early, picture))));

    // After the fade-in: the picture fitted and centred, black around it.
    const QRgb red = qRgb(255, 0, 0);
    const QRgb blue = qRgb(0, 0, 255);
    const QImage done = waitForScreenshot([&](const QImage &shot) {
        return near(shot.pixel(820, 540), red, 12) && near(shot.pixel(1100, 540), blue, 12);
    });
    QVERIFY2(near(done.pixel(820, 540), red, 12), qPrintable(run.output()));
    for (int y : { 2, 540, 1077 }) {
        QVERIFY(near(done.pixel(693, y), red, 16));
        QVERIFY(near(done.pixel(900, y), red, 16));
        QVERIFY(near(done.pixel(1000, y), blue, 16));
        QVERIFY(near(done.pixel(1226, y), blue, 16));
        QVERIFY(near(done.pixel(686, y), qRgb(0, 0, 0), 8));
        QVERIFY(near(done.pixel(1234, y), qRgb(0, 0, 0), 8));
    }
    QVERIFY(meanLuminance(done, leftOfPicture) < 2);
    QVERIFY(meanLuminance(done, rightOfPicture) < 2);

    m_server->runTool(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("a") });
    QVERIFY2(run.waitForExit(), "a key press did not end the screensaver");
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);
}

void ScreenSaverProcessTest::secondMouseMoveEnds()
{
    Run run(*m_server, { QStringLiteral("/s") });
    QVERIFY2(run.waitForLine(QStringLiteral("First picture on screen")), qPrintable(run.output()));
    m_server->runTool(QStringLiteral("xdotool"),
        { QStringLiteral("mousemove"), QStringLiteral("400"), QStringLiteral("300") });
    QVERIFY2(run.waitForLine(QStringLiteral("First mouse move ignored")), qPrintable(run.output()));
    QVERIFY(run.isRunning());
    m_server->runTool(QStringLiteral("xdotool"),
        { QStringLiteral("mousemove"), QStringLiteral("900"), QStringLiteral("700") });
    QVERIFY2(run.waitForExit(), "the second mouse move did not end the screensaver");
    QCOMPARE(run.exitCode(), 0);
}

void ScreenSaverProcessTest::buttonReleaseEndsButPressDoesNot()
{
    Run run(*m_server, { QStringLiteral("/s") });
    QVERIFY2(run.waitForLine(QStringLiteral("First picture on screen")), qPrintable(run.output()));
    m_server->runTool(QStringLiteral("xdotool"), { QStringLiteral("mousedown"), QStringLiteral("1") });
    QVERIFY2(run.waitForLine(QStringLiteral("Mouse button press ignored")), qPrintable(run.output()));
    QVERIFY2(run.isRunning(), "a button press alone ended the screensaver");
    m_server->runTool(QStringLiteral("xdotool"), { QStringLiteral("mouseup"), QStringLiteral("1") });
    QVERIFY2(run.waitForExit(), "a button release did not end the screensaver");
    QCOMPARE(run.exitCode(), 0);
}

void ScreenSaverProcessTest::previewLivesInHostWindow_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("inEnvironment");
    QTest::addColumn<QSize>("hostSize"); // device pixels
    QTest::addColumn<QByteArray>("scale");
    QTest::addColumn<bool>("pointerPasses");
    const QSize small(320, 240);
    // %1 stands for the host window's id.
    const QStringList p { QStringLiteral("/p"), QStringLiteral("%1") };
    QTest::newRow("/p decimal handle") << p << false << small << QByteArray() << false;
    QTest::newRow("xscreensaver preview, hex id")
        << QStringList { QStringLiteral("--window-id"), QStringLiteral("0x%2") } << false << small
        << QByteArray() << false;
    QTest::newRow("xscreensaver hack in XSCREENSAVER_WINDOW")
        << QStringList { QStringLiteral("--root") } << true << small << QByteArray() << false;
    QTest::newRow("/p at scale 2 fits the whole picture")
        << p << false << QSize(800, 450) << QByteArray("2") << false;
    QTest::newRow("/p, the pointer passes over") << p << false << small << QByteArray() << true;
}

void ScreenSaverProcessTest::previewLivesInHostWindow()
{
    QFETCH(QStringList, args);
    QFETCH(bool, inEnvironment);
    QFETCH(QSize, hostSize);
    QFETCH(QByteArray, scale);
    ImageStore store(FileLocations::baseFolder() + "/active.xml", FileLocations::playlistFolder());
    store.setActive("Quadrants", true), store.setActive("Test", false);
    auto restore = qScopeGuard([&] { store.setActive("Test", true), store.setActive("Quadrants", false); });
    QProcess host;
    host.setProcessEnvironment(m_server->environment());
    host.start(kHostWindow, { QStringLiteral("%1x%2").arg(hostSize.width()).arg(hostSize.height()) });
    QVERIFY(host.waitForStarted(10000));
    QVERIFY(host.waitForReadyRead(10000));
    const QString hostId = QString::fromLatin1(host.readLine()).trimmed();
    QVERIFY2(hostId.toULong() != 0, qPrintable(hostId));

    for (QString &arg : args)
        arg.replace(QLatin1String("%1"), hostId)
            .replace(QLatin1String("%2"), QString::number(hostId.toULong(), 16));
    QProcessEnvironment environment = m_server->environment();
    if (inEnvironment)
        environment.insert(QStringLiteral("XSCREENSAVER_WINDOW"),
            QStringLiteral("0x") + QString::number(hostId.toULong(), 16));
    if (!scale.isEmpty())
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
    Run run(environment, args);

    // Our window becomes the host's child at the host's size.
    QString children;
    QDeadlineTimer deadline(20000);
    const QRegularExpression child(
        QStringLiteral("0x[0-9a-f]+ .*%1x%2\\+0\\+0").arg(hostSize.width()).arg(hostSize.height()));
    do {
        children = m_server->runTool(
            QStringLiteral("xwininfo"), { QStringLiteral("-children"), QStringLiteral("-id"), hostId });
        if (child.match(children).hasMatch())
            break;
        QTest::qWait(50);
    } while (!deadline.hasExpired());
    QVERIFY2(child.match(children).hasMatch(), qPrintable(children + run.output()));
    QVERIFY2(children.contains(QLatin1String("1 child")), qPrintable(children));

    // The host sits at (100, 100); 1000x2000 fits 320x240 as 120x240 at (100, 0) and 800x450
    // as 225x450 at (287, 0): each corner of the picture shows, black beside it covers the host.
    const int w = hostSize.height() / 2;
    const QRect in
        = QRect(100 + (hostSize.width() - w) / 2, 100, w, hostSize.height()).adjusted(4, 4, -5, -5);
    const QVector<QPoint> spots { in.topLeft(), in.topRight(), in.bottomLeft(), in.bottomRight(),
        QPoint(in.left() - 50, in.center().y()), QPoint(in.right() + 50, in.center().y()) };
    const QVector<QRgb> colours = kQuadrants + QVector<QRgb>(2, qRgb(0, 0, 0));
    const auto shown = [&](const QImage &image) {
        return std::all_of(spots.begin(), spots.end(),
            [&](const QPoint &at) { return near(image.pixel(at), colours[spots.indexOf(at)], 16); });
    };
    QVERIFY2(shown(waitForScreenshot(shown)), qPrintable(run.output()));
    QVERIFY(run.isRunning());

    // Two moves, then a press that is noted once the moves are handled.
    QFETCH(bool, pointerPasses);
    if (pointerPasses) {
        for (const char *step : { "mousemove 150 150", "mousemove 250 250", "mousedown 1" })
            m_server->runTool(QStringLiteral("xdotool"), QString::fromLatin1(step).split(QLatin1Char(' ')));
        QVERIFY2(run.waitForLine(QStringLiteral("Mouse button press ignored")), qPrintable(run.output()));
    }
    QVERIFY2(run.isRunning(), "the pointer ended the preview");

    // The host goes away: the preview ends by itself.
    host.write("destroy\n");
    QVERIFY(host.waitForBytesWritten(10000));
    QVERIFY2(run.waitForExit(), "the preview outlived its host window");
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);
    host.closeWriteChannel();
    QVERIFY(host.waitForFinished(10000));
}

void ScreenSaverProcessTest::missingHostWindowFails()
{
    // abc reads as handle 0, which names no window.
    Run run(*m_server, { QStringLiteral("/p"), QStringLiteral("abc") });
    QVERIFY(run.waitForExit());
    QCOMPARE(run.exitCode(), 1);
    QVERIFY2(run.output().contains(QLatin1String("ERROR! No preview window")), qPrintable(run.output()));
}

// A damaged settings file or index is set aside as "<file>.unreadable" with
// one line; the screensaver runs on with defaults (no playlist active).
void ScreenSaverProcessTest::damagedFilesAreSetAside_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("said");
    // A polygon of two billion points: the reader crashes making room for it.
    QTest::newRow("settings, a streamed value")
        << QDir::homePath() + "/.config/Fotoria/FotoriaScreensaver.conf"
        << QByteArray("[General]\nkSSDisplayInterval=@Variant(\\0\\0\\0G\\x7f\\xff\\xff\\xff)\n")
        << "holds values this program never writes";
    QTest::newRow("settings, zeros") << QDir::homePath() + "/.config/Fotoria/FotoriaScreensaver.conf"
                                     << QByteArray(64, '\0') << "holds values this program never writes";
    QTest::newRow("index that is no index") << FileLocations::baseFolder() + "/active.xml"
                                            << QByteArray("no index\n[[[\n") << "is no playlist index";
}

void ScreenSaverProcessTest::damagedFilesAreSetAside()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QString, said);
    const QString good = file + ".good", aside = file + ".unreadable";
    QVERIFY(QFile::rename(file, good) || !QFileInfo::exists(file));
    auto restore = qScopeGuard([&] { QFile::remove(file), QFile::rename(good, file), QFile::remove(aside); });
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile damaged(file);
    QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(content) == content.size());
    damaged.close();

    Run run(*m_server, { QStringLiteral("/s") });
    QVERIFY2(run.waitForText(said), qPrintable(run.output()));
    // With default settings the picture shows; without an index there is none.
    QVERIFY(!file.endsWith(".conf") || run.waitForLine(QStringLiteral("First picture on screen")));
    QVERIFY(run.isRunning());
    QFile kept(aside);
    QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == content);
    QCOMPARE(run.output().count(said), 1);
}

FOTORIA_TEST_GUILESS_MAIN(ScreenSaverProcessTest)
#include "ScreenSaverProcessTest.moc"
