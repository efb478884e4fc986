#include <FotoriaService.h>
#include <TestMain.h>

#include <core/Settings.h>
#include <core/WallpaperBitmap.h>
#include <systray/CalendarDialog.h>
#include <systray/CalendarWidget.h>
#include <systray/WallpaperManager.h>

#include <QComboBox>
#include <QJsonArray>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <WebPageScripts.h>

namespace {

const QSize kMediumCalendar(379, 381);
const QString kDefaultQuery = QStringLiteral("size=1&past_months=0&future_months=0&first_day=0");
const QColor kBackground(40, 120, 200);

// The service's page rendered on its own, the way it should appear on the wallpaper.
QImage renderPage(const QUrl &url, const QSize &size)
{
    QWebEngineView view;
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.page()->setBackgroundColor(Qt::transparent);
    view.page()->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    view.resize(size);
    view.show();
    if (!fotoria::test::loadPage(view.page(), url))
        return QImage();
    // Drawn once two frames agree.
    QImage last;
    for (int i = 0; i < 100; ++i) {
        QTest::qWait(50);
        const QImage frame = CalendarWidget::render(&view);
        if (frame == last && qAlpha(frame.pixel(frame.width() / 2, frame.height() / 2)) > 0)
            return frame;
        last = frame;
    }
    return QImage();
}

int differingPixels(const QImage &a, const QImage &b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb *lineA = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const QRgb *lineB = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (qAbs(qRed(lineA[x]) - qRed(lineB[x])) > 2 || qAbs(qGreen(lineA[x]) - qGreen(lineB[x])) > 2
                || qAbs(qBlue(lineA[x]) - qBlue(lineB[x])) > 2)
                ++count;
        }
    }
    return count;
}

} // namespace

class CalendarWallpaperTest : public QObject
{
    Q_OBJECT

    fotoria::test::FotoriaService m_service;
    WallpaperManager *m_manager = nullptr;
    QString m_installed;
    QString m_picture;

    // Installs the picture and waits for the change; the installed file.
    QImage install(const QString &picture)
    {
        QSignalSpy changed(m_manager, &WallpaperManager::wallpaperChanged_Signal);
        m_manager->showWallpaper(picture);
        if (!changed.wait(30000))
            return QImage();
        return QImage(m_installed).convertToFormat(QImage::Format_RGB32);
    }

    QString writePicture(const QSize &size)
    {
        const QString path = fotoria::test::testHome()
            + QStringLiteral("/picture-%1x%2.png").arg(size.width()).arg(size.height());
        QImage image(size, QImage::Format_RGB32);
        image.fill(kBackground);
        return image.save(path, "png") ? path : QString();
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_service.start(&error), qPrintable(error));
        Settings::setValue("kServiceUrl", m_service.baseUrl());
        m_installed = fotoria::test::testHome() + "/installed.bmp";
        Settings::setValue("kWallpaperCommand", QStringLiteral("cp %f ") + m_installed);
        m_manager = WallpaperManager::instance();
        m_picture = writePicture(WallpaperBitmap::screenSize());
        QVERIFY(!m_picture.isEmpty());
    }
    void cleanupTestCase() { m_manager->shutdown(); }

    void init()
    {
        m_service.clearFailures();
        Settings::setValue("kEnable", true);
        for (const char *key : { "kPosition", "kStartWeekOn", "kPastMonths", "kFutureMonths" })
            Settings::setValue(QLatin1String(key), 0);
        Settings::setValue("kFontSize", 1);
        CalendarWidget *calendar = m_manager->calendar();
        if (calendar->state() != CalendarWidget::State::Ready || calendar->url().query() != kDefaultQuery)
            m_manager->refreshCalendar();
        QTRY_VERIFY_WITH_TIMEOUT(calendar->state() == CalendarWidget::State::Ready, 20000);
    }

    void calendarInTheChosenCorner_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QSize>("extra"); // the picture's size beyond the screen's
        QTest::addColumn<QString>("failure"); // the page's failure mode, and the reason logged
        QTest::newRow("top left") << 0 << QSize(0, 0) << QString();
        QTest::newRow("top right") << 1 << QSize(0, 0) << QString();
        QTest::newRow("bottom left") << 2 << QSize(0, 0) << QString();
        QTest::newRow("bottom right") << 3 << QSize(0, 0) << QString();
        // Taller or wider than the screen: the desktop shows the middle, and
        // so the corner is the middle part's.
        QTest::newRow("bottom right, taller picture") << 3 << QSize(0, 360) << QString();
        QTest::newRow("top right, wider picture") << 1 << QSize(480, 0) << QString();
        QTest::newRow("page fails") << 0 << QSize(0, 0) << "http_error:500";
        QTest::newRow("page too large") << 0 << QSize(0, 0) << "huge:too large";
    }
    void calendarInTheChosenCorner()
    {
        QFETCH(int, position);
        QFETCH(QSize, extra);
        QFETCH(QString, failure);
        const bool pageFails = !failure.isEmpty();
        const QSize screen = WallpaperBitmap::screenSize();
        const QString picture = writePicture(screen + extra);
        Settings::setValue("kPosition", position);
        if (pageFails) {
            m_service.setFailure("/calendar", failure.section(':', 0, 0));
            m_manager->refreshCalendar();
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Wallpaper without the calendar: .*" + failure.section(':', 1)));
        }

        QImage expected(screen + extra, QImage::Format_RGB32);
        expected.fill(kBackground);
        if (!pageFails) {
            QImage calendar = renderPage(m_service.baseUrl() + "/calendar?" + kDefaultQuery, kMediumCalendar);
            QVERIFY(!calendar.isNull());
            // On a screen scaled twice (the run at QT_SCALE_FACTOR=2) the
            // calendar and its margin take twice the wallpaper's pixels.
            const int scale = qRound(qApp->devicePixelRatio());
            const QSize size = kMediumCalendar * scale;
            const int margin = 32 * scale;
            QCOMPARE(calendar.size(), size);
            calendar.setDevicePixelRatio(1);
            QVERIFY(qAlpha(calendar.pixel(size.width() / 2, size.height() / 2)) > 0);
            const int left = extra.width() / 2;
            const int x = position % 2 ? left + screen.width() - size.width() - margin : left + margin;
            const int top = extra.height() / 2;
            const int y = position >= 2 ? top + screen.height() - size.height() : top + margin;
            QPainter(&expected).drawImage(x, y, calendar);
        }

        const QImage installed = install(picture);
        QCOMPARE(installed.size(), expected.size());
        QCOMPARE(differingPixels(installed, expected), 0);
    }

    void calendarStaysReadable_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QColor>("color"); // of the picture, with dark grain where it is not calm
        QTest::addColumn<int>("calm"); // the quarter without grain, -1 none
        QTest::addColumn<int>("corner"); // where the calendar goes
        QTest::addColumn<bool>("plate");
        QTest::newRow("automatic, calm bottom left") << 4 << QColor(20, 20, 30) << 2 << 2 << false;
        QTest::newRow("automatic, calm top right") << 4 << QColor(20, 20, 30) << 1 << 1 << false;
        QTest::newRow("white picture") << 3 << QColor(Qt::white) << -1 << 3 << true;
        QTest::newRow("light grey picture") << 1 << QColor(150, 150, 150) << -1 << 1 << true;
    }
    void calendarStaysReadable()
    {
        QFETCH(int, position);
        QFETCH(QColor, color);
        QFETCH(int, calm);
        QFETCH(int, corner);
        QFETCH(bool, plate);
        const QSize screen = WallpaperBitmap::screenSize();
        QImage picture(screen, QImage::Format_RGB32);
        picture.fill(color);
        const QRect quarter(QPoint(calm % 2 * screen.width() / 2, calm / 2 * screen.height() / 2), screen / 2);
        for (int y = 0; y < screen.height() && calm >= 0; ++y) {
            for (int x = 0; x < screen.width(); ++x) {
                if (!quarter.contains(x, y))
                    picture.setPixel(x, y, qRgb((x * 37 + y * 11) % 90, (x * 13 + y * 29) % 90, (x * y) % 90));
            }
        }
        const QString path = fotoria::test::testHome() + "/readable.png";
        QVERIFY(picture.save(path, "png"));
        CalendarDialog(nullptr, m_manager).positionBox()->setCurrentIndex(position);
        const QImage installed = install(path);
        QCOMPARE(installed.size(), screen);
        // What the calendar (and its plate) changed.
        QRect changed;
        for (int y = 0; y < screen.height(); ++y) {
            for (int x = 0; x < screen.width(); ++x) {
                if (installed.pixel(x, y) != picture.pixel(x, y))
                    changed |= QRect(x, y, 1, 1);
            }
        }
        QCOMPARE(changed.center().x() > screen.width() / 2, corner % 2 == 1);
        QCOMPARE(changed.center().y() > screen.height() / 2, corner >= 2);
        // The plate covers the page's whole rectangle, the month's box is
        // 16 pixels in from it.
        QCOMPARE(changed.size() == kMediumCalendar, plate);
    }

    void pageReloadsOnlyForItsOwnOptions_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("query"); // empty: no reload
        QTest::newRow("text size") << "size" << 2 << "size=2&past_months=0&future_months=0&first_day=0";
        QTest::newRow("week start") << "startOn" << 1 << "size=1&past_months=0&future_months=0&first_day=1";
        QTest::newRow("past months") << "past" << 2 << "size=1&past_months=2&future_months=0&first_day=0";
        QTest::newRow("future months") << "future" << 1 << "size=1&past_months=0&future_months=1&first_day=0";
        QTest::newRow("position") << "position" << 3 << QString();
    }
    void pageReloadsOnlyForItsOwnOptions()
    {
        QFETCH(QString, list);
        QFETCH(int, index);
        QFETCH(QString, query);
        CalendarDialog dialog(nullptr, m_manager);
        const QMap<QString, QComboBox *> lists { { "size", dialog.sizeBox() },
            { "startOn", dialog.startOnBox() }, { "past", dialog.pastBox() },
            { "future", dialog.futureBox() }, { "position", dialog.positionBox() } };
        m_service.clearJournal();
        lists[list]->setCurrentIndex(index);
        // A change waits for a page on its way, so afterwards every load asked for was made.
        QVERIFY(!install(m_picture).isNull());
        const QJsonArray requests = m_service.journal("/calendar");
        QCOMPARE(requests.size(), query.isEmpty() ? 0 : 1);
        if (!query.isEmpty())
            QCOMPARE(requests.first().toObject().value("target").toString(), "/calendar?" + query);
    }
};

FOTORIA_TEST_MAIN(CalendarWallpaperTest)
#include "CalendarWallpaperTest.moc"
