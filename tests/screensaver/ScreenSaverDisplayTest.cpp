// The display window and its fader, driven directly: fit arithmetic, fade
// steps, the picture change sequence and the input rules.
#include "TestMain.h"

#include <FaderWidget.h>
#include <SSDialog.h>

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTimer>
#include <QtEndian>

namespace {

// Paints the fader once, takes one step (a timer tick) and returns the
// opacity it painted with.
int paintStep(FaderWidget *fader)
{
    const int painted = fader->alpha();
    QImage target(qMax(1, fader->width()), qMax(1, fader->height()), QImage::Format_ARGB32_Premultiplied);
    fader->render(&target);
    fader->step();
    return painted;
}

// Paints until the running fade ends (a fade-out hands over to the next
// fade-in); returns the opacities painted, in order.
QList<int> runFade(FaderWidget *fader, int limit = 1000)
{
    QList<int> painted;
    const int direction = fader->direction();
    while (direction != 0 && fader->direction() == direction && painted.size() < limit)
        painted << paintStep(fader);
    return painted;
}

QString writePicture(const QString &name, const QSize &size, const QColor &color)
{
    const QString path = fotoria::test::testHome() + QLatin1Char('/') + name;
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image.save(path, "JPEG", 90) ? path : QString();
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (char c : bytes) {
        crc ^= uchar(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xffffffffu;
}

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    const QByteArray body = QByteArray(type, 4) + data;
    uchar length[4];
    uchar crc[4];
    qToBigEndian<quint32>(quint32(data.size()), length);
    qToBigEndian<quint32>(crc32(body), crc);
    return QByteArray(reinterpret_cast<const char *>(length), 4) + body
        + QByteArray(reinterpret_cast<const char *>(crc), 4);
}

// A PNG whose header claims a picture far above the decoding limit.
QString writeHugePngHeader()
{
    uchar fields[13] = {};
    qToBigEndian<quint32>(20000, fields);
    qToBigEndian<quint32>(20000, fields + 4);
    fields[8] = 8; // bit depth
    fields[9] = 2; // truecolour
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8)
        + pngChunk("IHDR", QByteArray(reinterpret_cast<const char *>(fields), 13))
        + pngChunk("IDAT", QByteArray()) + pngChunk("IEND", QByteArray());
    const QString path = fotoria::test::testHome() + QStringLiteral("/huge.png");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size())
        return QString();
    return path;
}

} // namespace

class ScreenSaverDisplayTest : public QObject
{
    Q_OBJECT

private slots:
    void fit_data();
    void fit();
    void fadeSteps_data();
    void fadeSteps();
    void fadeDurationStaysFinite();
    void newFadeRestarts();
    void firstPictureFadesInAtOnce();
    void laterPictureFadesOutFirst();
    void nextPictureAlwaysComes_data();
    void nextPictureAlwaysComes();
    void badPictureShowsBlack_data();
    void badPictureShowsBlack();
    void input_data();
    void input();

private:
    SSDialog *makeDialog(const QRect &screen);
};

SSDialog *ScreenSaverDisplayTest::makeDialog(const QRect &screen)
{
    auto *dialog = new SSDialog;
    dialog->setScreenRect(screen);
    dialog->setGeometry(screen);
    return dialog;
}

void ScreenSaverDisplayTest::fit_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("placement");

    const QSize hd(1920, 1080);
    QTest::newRow("wide picture: full width, centred down")
        << hd << QSize(4000, 1000) << QRect(0, 300, 1920, 480);
    QTest::newRow("tall picture: full height, centred across")
        << hd << QSize(1000, 2000) << QRect(690, 0, 540, 1080);
    QTest::newRow("exact ratio fills the screen") << hd << QSize(3840, 2160) << QRect(0, 0, 1920, 1080);
    QTest::newRow("same size") << hd << QSize(1920, 1080) << QRect(0, 0, 1920, 1080);
    QTest::newRow("small picture is enlarged") << hd << QSize(400, 300) << QRect(240, 0, 1440, 1080);
    QTest::newRow("picture that did not load") << hd << QSize() << QRect(0, 0, 1920, 1080);
    QTest::newRow("24 MP landscape on 4K")
        << QSize(3840, 2160) << QSize(6000, 4000) << QRect(300, 0, 3240, 2160);
    QTest::newRow("24 MP portrait on 4K")
        << QSize(3840, 2160) << QSize(4000, 6000) << QRect(1200, 0, 1440, 2160);
    QTest::newRow("odd ratio on 4K, truncated")
        << QSize(3840, 2160) << QSize(8000, 5333) << QRect(300, 0, 3240, 2160);
    QTest::newRow("preview, landscape") << QSize(320, 240) << QSize(6000, 4000) << QRect(0, 13, 319, 213);
    QTest::newRow("preview, portrait") << QSize(320, 240) << QSize(4000, 6000) << QRect(80, 0, 160, 240);
    QTest::newRow("hairline across: one pixel high") << hd << QSize(10000, 1) << QRect(0, 539, 1920, 1);
    QTest::newRow("hairline down: one pixel wide") << hd << QSize(1, 10000) << QRect(959, 0, 1, 1080);
}

void ScreenSaverDisplayTest::fit()
{
    QFETCH(QSize, screen);
    QFETCH(QSize, picture);
    QTEST(SSDialog::fitPlacement(QRect(QPoint(0, 0), screen), picture), "placement");
}

void ScreenSaverDisplayTest::fadeSteps_data()
{
    QTest::addColumn<bool>("fadeIn");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("in: 255 down to 3") << true << 255 << 3;
    QTest::newRow("out: 0 up to 252") << false << 0 << 252;
}

void ScreenSaverDisplayTest::fadeSteps()
{
    QFETCH(bool, fadeIn);
    QWidget parent;
    parent.resize(64, 48);
    auto *fader = new FaderWidget(&parent);
    QCOMPARE(fader->size(), parent.size());
    QCOMPARE(fader->stepSize(), 4);
    QSignalSpy fadedOut(fader, &FaderWidget::fadedOut_Signal);

    parent.resize(80, 60);
    fadeIn ? fader->fadeIn() : fader->fadeOut();
    QCOMPARE(fader->size(), QSize(80, 60));
    const QList<int> painted = runFade(fader);

    QCOMPARE(painted.size(), 64);
    QTEST(painted.first(), "first");
    QTEST(painted.last(), "last");
    for (int i = 1; i < painted.size(); ++i)
        QCOMPARE(qAbs(painted.at(i) - painted.at(i - 1)), 4);
    QVERIFY(fader->isHidden());
    // Only the fade to black tells the window to change the picture.
    QCOMPARE(fadedOut.count(), fadeIn ? 0 : 1);
}

void ScreenSaverDisplayTest::fadeDurationStaysFinite()
{
    QWidget parent;
    parent.resize(10, 10);
    auto *fader = new FaderWidget(&parent);
    // Longer than 33 x 255 ms would make each step 0 and the fade endless.
    fader->setFadeDuration(60000);
    QCOMPARE(fader->stepSize(), 1);
    fader->fadeOut();
    QCOMPARE(runFade(fader).size(), 255);
    fader->setFadeDuration(0);
    QCOMPARE(fader->fadeDuration(), 1);
    fader->fadeIn();
    QCOMPARE(runFade(fader).size(), 1);
}

void ScreenSaverDisplayTest::newFadeRestarts()
{
    QWidget parent;
    parent.resize(10, 10);
    auto *fader = new FaderWidget(&parent);
    QSignalSpy fadedOut(fader, &FaderWidget::fadedOut_Signal);
    fader->fadeIn();
    for (int i = 0; i < 10; ++i)
        paintStep(fader);
    QCOMPARE(fader->alpha(), 215);
    fader->fadeOut();
    QCOMPARE(fader->alpha(), 0);
    QCOMPARE(fader->direction(), 1);
    QCOMPARE(runFade(fader).size(), 64);
    QCOMPARE(fadedOut.count(), 1);
}

void ScreenSaverDisplayTest::firstPictureFadesInAtOnce()
{
    const QString tall = writePicture(QStringLiteral("tall.jpg"), QSize(1000, 2000), Qt::red);
    QVERIFY(!tall.isEmpty());
    QScopedPointer<SSDialog> dialog(makeDialog(QRect(0, 0, 1920, 1080)));
    dialog->setImage(tall);

    QCOMPARE(dialog->currentPath(), tall);
    QCOMPARE(dialog->imageContainer()->geometry(), QRect(690, 0, 540, 1080));
    const QPixmap pixmap = dialog->imageContainer()->pixmap(Qt::ReturnByValue);
    QCOMPARE(pixmap.size(), QSize(540, 1080));
    QVERIFY(qRed(pixmap.toImage().pixel(270, 540)) > 240);
    // From black: the overlay starts opaque and vanishes.
    QCOMPARE(dialog->fader()->direction(), -1);
    QCOMPARE(dialog->fader()->alpha(), 255);
    QCOMPARE(dialog->fader()->size(), QSize(540, 1080));
}

void ScreenSaverDisplayTest::laterPictureFadesOutFirst()
{
    const QString tall = writePicture(QStringLiteral("tall2.jpg"), QSize(1000, 2000), Qt::red);
    const QString wide = writePicture(QStringLiteral("wide.jpg"), QSize(4000, 1000), Qt::blue);
    QScopedPointer<SSDialog> dialog(makeDialog(QRect(0, 0, 1920, 1080)));
    dialog->setImage(tall);
    runFade(dialog->fader());

    dialog->setImage(wide);
    // The old picture stays while the screen goes black.
    QCOMPARE(dialog->fader()->direction(), 1);
    QCOMPARE(dialog->imageContainer()->geometry(), QRect(690, 0, 540, 1080));
    QCOMPARE(runFade(dialog->fader()).size(), 64);
    // Once black, the new picture is in place and fades in.
    QCOMPARE(dialog->imageContainer()->geometry(), QRect(0, 300, 1920, 480));
    QCOMPARE(dialog->fader()->direction(), -1);
    QCOMPARE(dialog->fader()->alpha(), 255);
    QCOMPARE(runFade(dialog->fader()).size(), 64);
}

void ScreenSaverDisplayTest::nextPictureAlwaysComes_data()
{
    QTest::addColumn<QSize>("first");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("repeatMs"); // 0: the next picture is asked for once
    QTest::newRow("after a hairline picture") << QSize(10000, 1) << true << 0;
    QTest::newRow("window never painted") << QSize(800, 600) << false << 0;
    QTest::newRow("pictures come faster than the fade") << QSize(800, 600) << true << 50;
}

void ScreenSaverDisplayTest::nextPictureAlwaysComes()
{
    QFETCH(QSize, first);
    QFETCH(bool, shown);
    QFETCH(int, repeatMs);
    const QString firstPath = writePicture(QStringLiteral("first.jpg"), first, Qt::green);
    const QString next = writePicture(QStringLiteral("next.jpg"), QSize(1000, 2000), Qt::red);
    QScopedPointer<SSDialog> dialog(makeDialog(QRect(0, 0, 1920, 1080)));
    dialog->fader()->setFadeDuration(330);
    if (shown) {
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.data()));
    }
    dialog->setImage(firstPath);
    QVERIFY(!dialog->imageContainer()->pixmap(Qt::ReturnByValue).isNull());
    QTimer repeat;
    connect(&repeat, &QTimer::timeout, dialog.data(), [&]() { dialog->setImage(next); });
    dialog->setImage(next);
    if (repeatMs > 0)
        repeat.start(repeatMs);

    QTRY_COMPARE(dialog->imageContainer()->geometry(), QRect(690, 0, 540, 1080));
    repeat.stop();
    QTRY_COMPARE(dialog->fader()->direction(), 0);
    QVERIFY(qRed(dialog->imageContainer()->pixmap(Qt::ReturnByValue).toImage().pixel(270, 540)) > 240);
}

void ScreenSaverDisplayTest::badPictureShowsBlack_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("saysSo"); // nothing to show at all: text in the middle
    const QString home = fotoria::test::testHome();
    QFile garbage(home + QStringLiteral("/garbage.jpg"));
    if (garbage.open(QIODevice::WriteOnly))
        garbage.write("this is not a picture");
    garbage.close();
    QTest::newRow("not a picture") << garbage.fileName() << false;
    QTest::newRow("missing file") << home + QStringLiteral("/gone.jpg") << false;
    QTest::newRow("above the decoding limit") << writeHugePngHeader() << false;
    QTest::newRow("empty path: no picture at all") << QString() << true;
}

void ScreenSaverDisplayTest::badPictureShowsBlack()
{
    QFETCH(QString, path);
    const QString good = writePicture(QStringLiteral("good.jpg"), QSize(800, 600), Qt::green);
    QScopedPointer<SSDialog> dialog(makeDialog(QRect(0, 0, 1920, 1080)));
    dialog->setImage(good);
    runFade(dialog->fader());
    QVERIFY(!dialog->imageContainer()->pixmap(Qt::ReturnByValue).isNull());

    dialog->setImage(path);
    QCOMPARE(runFade(dialog->fader()).size(), 64);
    // Black for this turn, and the fades go on as usual.
    QVERIFY(dialog->imageContainer()->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(dialog->imageContainer()->geometry(), QRect(0, 0, 1920, 1080));
    QCOMPARE(runFade(dialog->fader()).size(), 64);
    QFETCH(bool, saysSo);
    const QImage middle = dialog->grab(QRect(480, 400, 960, 280)).toImage();
    bool lit = false;
    for (int y = 0; y < middle.height() && !lit; ++y)
        for (int x = 0; x < middle.width() && !lit; ++x)
            lit = qGray(middle.pixel(x, y)) > 64;
    QCOMPARE(lit, saysSo);

    dialog->setImage(good);
    if (!path.isEmpty())
        runFade(dialog->fader());
    QVERIFY(!dialog->imageContainer()->pixmap(Qt::ReturnByValue).isNull());
}

void ScreenSaverDisplayTest::input_data()
{
    QTest::addColumn<QList<int>>("events");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("preview");
    const int move = QEvent::MouseMove;
    const int press = QEvent::MouseButtonPress;
    const int release = QEvent::MouseButtonRelease;
    const int key = QEvent::KeyPress;
    QTest::newRow("key press") << QList<int> { key } << true << false;
    QTest::newRow("first move") << QList<int> { move } << false << false;
    QTest::newRow("second move") << QList<int> { move, move } << true << false;
    QTest::newRow("button press alone") << QList<int> { press } << false << false;
    QTest::newRow("press then release") << QList<int> { press, release } << true << false;
    QTest::newRow("release alone") << QList<int> { release } << true << false;
    QTest::newRow("preview: only the host ends it")
        << QList<int> { key, move, move, press, release } << false << true;
}

void ScreenSaverDisplayTest::input()
{
    QFETCH(QList<int>, events);
    QFETCH(bool, preview);
    QScopedPointer<SSDialog> dialog(makeDialog(QRect(0, 0, 320, 240)));
    dialog->setEndsOnInput(!preview);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.data()));
    QSignalSpy finished(dialog.data(), &QDialog::finished);

    int x = 10;
    for (int type : events) {
        bool consumed = false;
        if (type == QEvent::KeyPress) {
            QKeyEvent event(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
            consumed = QCoreApplication::sendEvent(dialog.data(), &event);
        } else {
            const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(QEvent::Type(type), QPointF(x, 10), dialog->mapToGlobal(QPoint(x, 10)), button, button,
                Qt::NoModifier);
            consumed = QCoreApplication::sendEvent(dialog.data(), &event);
            x += 20;
        }
        if (type != QEvent::MouseButtonPress)
            QVERIFY(consumed);
    }
    QFETCH(bool, closes);
    QCOMPARE(dialog->isVisible(), !closes);
    QCOMPARE(finished.count(), closes ? 1 : 0);
}

FOTORIA_TEST_MAIN(ScreenSaverDisplayTest)
#include "ScreenSaverDisplayTest.moc"
