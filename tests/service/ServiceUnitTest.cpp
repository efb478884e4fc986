// The pieces of fotoria-service that decide what it answers, tested
// directly: calendar layout, analytics decoding, failure bookkeeping,
// accounts, configuration and photo file names and cache.
#include "TestMain.h"

#include <AnalyticsDecoder.h>
#include <Accounts.h>
#include <FailureSwitches.h>
#include <HttpUtil.h>
#include <Pages.h>
#include <PhotoStore.h>
#include <ServiceConfig.h>
#include <ServiceRunner.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace fotoria::service;

class ServiceUnitTest : public QObject
{
    Q_OBJECT

private slots:
    void calendarFirstRowStartsOnTheRightDay_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("firstDay");
        QTest::addColumn<QString>("firstCells"); // first week of the current month
        // February 2015 starts on a Sunday and has exactly four weeks.
        QTest::newRow("Sunday start, month on Sunday") << QDate(2015, 2, 10) << 0 << "1 2 3 4 5 6 7";
        QTest::newRow("Monday start, month on Sunday") << QDate(2015, 2, 10) << 1 << "26 27 28 29 30 31 1";
        // March 2014 starts on a Saturday.
        QTest::newRow("Sunday start, month on Saturday") << QDate(2014, 3, 26) << 0 << "23 24 25 26 27 28 1";
        QTest::newRow("Monday start, month on Saturday") << QDate(2014, 3, 26) << 1 << "24 25 26 27 28 1 2";
        // February 2016, a leap year, starts on a Monday.
        QTest::newRow("Monday start, month on Monday") << QDate(2016, 2, 29) << 1 << "1 2 3 4 5 6 7";
    }

    void calendarFirstRowStartsOnTheRightDay()
    {
        QFETCH(QDate, today);
        QFETCH(int, firstDay);
        QFETCH(QString, firstCells);
        CalendarQuery q;
        q.firstDay = firstDay;
        const QString html = calendarPage(q, today);
        QVERIFY(html.contains(QStringLiteral("data-month=\"%1\"").arg(today.toString(QStringLiteral("yyyy-MM")))));
        const QRegularExpression cell(QStringLiteral("<td[^>]*>(\\d+)</td>"));
        QStringList days;
        auto it = cell.globalMatch(html);
        while (it.hasNext() && days.size() < 7)
            days << it.next().captured(1);
        QCOMPARE(days.join(QLatin1Char(' ')), firstCells);
        QCOMPARE(html.count(QStringLiteral("<td")), 42);
        // Today is marked once, with its own number.
        QCOMPARE(html.count(QStringLiteral("class=\"today\"")), 1);
        QVERIFY(html.contains(QStringLiteral("<td class=\"today\">%1</td>").arg(today.day())));
    }

    void calendarMonthsAcrossYearEnd()
    {
        CalendarQuery q;
        q.pastMonths = 2;
        q.futureMonths = 2;
        const QString html = calendarPage(q, QDate(2026, 12, 31));
        const QRegularExpression month(QStringLiteral("data-month=\"([0-9-]+)\""));
        QStringList months;
        auto it = month.globalMatch(html);
        while (it.hasNext())
            months << it.next().captured(1);
        QCOMPARE(months, QStringList({"2026-10", "2026-11", "2026-12", "2027-01", "2027-02"}));
        QVERIFY(html.contains(QLatin1String("data-months=\"5\"")));
    }

    void calendarSizes_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QSize>("month");
        QTest::newRow("small") << 0 << QSize(232, 228);
        QTest::newRow("medium") << 1 << QSize(347, 349);
        QTest::newRow("large") << 2 << QSize(576, 577);
        QTest::newRow("unknown") << 3 << QSize(232, 228);
        QTest::newRow("negative") << -1 << QSize(232, 228);
    }

    void calendarSizes()
    {
        QFETCH(int, size);
        QFETCH(QSize, month);
        QCOMPARE(calendarMonthSize(size), month);
        CalendarQuery q;
        q.size = size;
        QVERIFY(calendarPage(q, QDate(2020, 1, 1))
                    .contains(QStringLiteral("width:%1px;height:%2px").arg(month.width()).arg(month.height())));
    }

    void analyticsDecoding_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("json"); // empty: no document

        const QByteArray doc = R"({"event":"d-login","properties":{"token":"t>?~"}})";
        QTest::newRow("standard") << doc.toBase64() << doc;
        QTest::newRow("padding dropped") << QByteArray(doc.toBase64()).replace('=', "") << doc;
        QTest::newRow("plus as space") << QByteArray(doc.toBase64()).replace('+', ' ') << doc;
        QTest::newRow("url alphabet") << doc.toBase64(QByteArray::Base64UrlEncoding) << doc;
        QTest::newRow("not base64") << QByteArray("%%%!") << QByteArray();
        QTest::newRow("base64 of non-JSON") << QByteArray("hello").toBase64() << QByteArray();
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }

    void analyticsDecoding()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, json);
        const QJsonValue decoded = decodeAnalyticsData(data);
        if (json.isEmpty())
            QVERIFY(decoded.isNull());
        else
            QCOMPARE(decoded.toObject(), QJsonDocument::fromJson(json).object());
    }

    void rawQueryKeepsPlusAndPadding()
    {
        QCOMPARE(rawQueryValue("/track?x=1&data=ab+c/d==&y=2", "data"), QByteArray("ab+c/d=="));
        QCOMPARE(rawQueryValue("/track?data=a%2Bb", "data"), QByteArray("a+b"));
        QCOMPARE(rawQueryValue("/track?database=1", "data"), QByteArray());
        QCOMPARE(rawQueryValue("/track", "data"), QByteArray());
    }

    void failureCountsAndRedirectFollowUp()
    {
        FailureSwitches switches;
        Failure twice;
        twice.mode = QStringLiteral("http_error");
        twice.remaining = 2;
        switches.set(QStringLiteral("/a"), twice);
        QVERIFY(!switches.take(QStringLiteral("/b"), false));
        QVERIFY(switches.take(QStringLiteral("/a"), false));
        QVERIFY(switches.take(QStringLiteral("/a"), false));
        QVERIFY(!switches.take(QStringLiteral("/a"), false));

        Failure redirect;
        redirect.mode = QStringLiteral("redirect");
        redirect.remaining = 1;
        switches.set(QStringLiteral("/r"), redirect);
        // The request that follows the redirect answers normally and uses up nothing.
        QVERIFY(!switches.take(QStringLiteral("/r"), true));
        QVERIFY(switches.take(QStringLiteral("/r"), false));
        QVERIFY(!switches.take(QStringLiteral("/r"), false));

        Failure loop;
        loop.mode = QStringLiteral("redirect_loop");
        switches.set(QStringLiteral("/l"), loop);
        for (int i = 0; i < 5; ++i)
            QVERIFY(switches.take(QStringLiteral("/l"), i % 2 == 0));
        switches.clear();
        QVERIFY(!switches.take(QStringLiteral("/l"), false));
    }

    void configValidation_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("version") << "windows_version" << "1.4.1.0" << true;
        QTest::newRow("size") << "installer_size" << "8193" << true;
        QTest::newRow("zero size") << "installer_size" << "0" << true;
        QTest::newRow("negative size") << "installer_size" << "-5" << false;
        QTest::newRow("huge size") << "installer_size" << "99999999999" << false;
        QTest::newRow("text size") << "installer_size" << "big" << false;
        QTest::newRow("unknown key") << "mac_version" << "1" << false;
    }

    void configValidation()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, accepted);
        ServiceConfig config;
        QCOMPARE(config.set(key, value), accepted);
        if (!accepted)
            QCOMPARE(config.values().installerSize, qint64(65536));
        config.reset();
        QCOMPARE(config.values().windowsVersion, QStringLiteral("1.4.0.19"));
    }

    void installerBytesAreStable()
    {
        const QByteArray a = ServiceContext::installerBytes(9000);
        QCOMPARE(a.size(), 9000);
        QCOMPARE(ServiceContext::installerBytes(9000), a);
        QCOMPARE(ServiceContext::installerBytes(100), a.left(100));
        QVERIFY(ServiceContext::installerBytes(0).isEmpty());
    }

    void accountsKeepUsersApart()
    {
        Accounts accounts;
        Account demo;
        QString t1, t2;
        QCOMPARE(accounts.signIn(QStringLiteral(" DEMO@fotoria.com "), QStringLiteral("demo1234"), &demo, &t1),
                 Accounts::SignIn::Ok);
        QCOMPARE(accounts.signIn(QStringLiteral("demo"), QStringLiteral("demo1234"), nullptr, &t2), Accounts::SignIn::Ok);
        QVERIFY(t1 != t2);
        QCOMPARE(accounts.byToken(t1)->uuid, demo.uuid);
        QVERIFY(!accounts.byToken(QString()));
        // User names match exactly; passwords too.
        QCOMPARE(accounts.signIn(QStringLiteral("Demo"), QStringLiteral("demo1234"), nullptr, nullptr),
                 Accounts::SignIn::WrongCredentials);
        QCOMPARE(accounts.signIn(QStringLiteral("demo"), QStringLiteral("DEMO1234"), nullptr, nullptr),
                 Accounts::SignIn::WrongCredentials);
        QCOMPARE(accounts.signIn(QStringLiteral("unconfirmed@fotoria.com"), QStringLiteral("wrong"), nullptr, nullptr),
                 Accounts::SignIn::WrongCredentials);

        // An address in use by another account is refused in any case.
        QVERIFY(!accounts.changeEmail(demo.uuid, QStringLiteral("DESKTOP@fotoria.com")).isEmpty());
        QVERIFY(!accounts.changeEmail(demo.uuid, QStringLiteral("@fotoria.com")).isEmpty());
        QVERIFY(!accounts.changeEmail(demo.uuid, QStringLiteral("demo@")).isEmpty());
        QVERIFY(accounts.changeEmail(demo.uuid, QStringLiteral("Demo@Fotoria.com")).isEmpty()); // its own
        QVERIFY(accounts.changeEmail(demo.uuid, QStringLiteral("me@example.org")).isEmpty());
        QCOMPARE(accounts.signIn(QStringLiteral("me@example.org"), QStringLiteral("demo1234"), nullptr, nullptr),
                 Accounts::SignIn::Ok);
        QCOMPARE(accounts.byToken(t1)->email, QStringLiteral("me@example.org")); // old tokens follow the account

        const QString session = accounts.newSession(demo.uuid);
        QCOMPARE(accounts.bySession(session)->uuid, demo.uuid);
        QVERIFY(!accounts.bySession(session + QLatin1Char('0')));
    }

    void photoFileNames_data()
    {
        QTest::addColumn<int>("index"); // -1: no photo
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<int>("size");
        QTest::newRow("hex full") << 0 << ".jpg" << int(PhotoSize::Full);
        QTest::newRow("uuid text full") << 1 << ".jpg" << int(PhotoSize::Full);
        QTest::newRow("screen") << 1 << "-1024x576x.jpg" << int(PhotoSize::Screen);
        QTest::newRow("thumbnail") << 2 << "-256x144.jpg" << int(PhotoSize::Thumbnail);
        QTest::newRow("other size") << 2 << "-800x600.jpg" << -1;
        QTest::newRow("png") << 2 << ".png" << -1;
    }

    void photoFileNames()
    {
        QFETCH(int, index);
        QFETCH(QString, suffix);
        QFETCH(int, size);
        PhotoCatalog catalog;
        PhotoStore store(catalog, QString());
        const Photo &photo = catalog.photos().at(index);
        const Photo *found = nullptr;
        PhotoSize foundSize = PhotoSize::Full;
        QCOMPARE(store.parseFileName(photo.uuid + suffix, &found, &foundSize), size >= 0);
        if (size >= 0) {
            QCOMPARE(found, &photo);
            QCOMPARE(int(foundSize), size);
        }
    }

    void catalogIsWellFormed()
    {
        PhotoCatalog catalog;
        QCOMPARE(catalog.photos().size(), 24);
        QSet<QString> uuids;
        for (const Photo &p : catalog.photos()) {
            QVERIFY(!p.title.isEmpty());
            QVERIFY(!catalog.channelName(p.channel).isEmpty());
            // No characters that would break a file name or an address.
            QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f-]{32,36}$")).match(p.uuid).hasMatch());
            uuids.insert(p.uuid);
        }
        QCOMPARE(uuids.size(), 24);
        for (const Channel &c : catalog.channels())
            QVERIFY(!catalog.inChannel(c.slug).isEmpty());
    }

    void photosAreCachedOnDisk()
    {
        QTemporaryDir dir(fotoria::test::testHome() + QStringLiteral("/photos-XXXXXX"));
        PhotoCatalog catalog;
        const Photo &photo = catalog.photos().at(5);
        QByteArray first;
        {
            PhotoStore store(catalog, dir.path());
            first = store.jpeg(photo, PhotoSize::Screen);
        }
        QVERIFY(QFile::exists(dir.path() + QStringLiteral("/photos-v1/") + photo.uuid + QStringLiteral("-256x144.jpg")));
        // A second start reads the same files instead of painting again.
        QFile marker(dir.path() + QStringLiteral("/photos-v1/") + photo.uuid + QStringLiteral("-1024x576x.jpg"));
        QVERIFY(marker.open(QIODevice::Append));
        marker.write("X");
        marker.close();
        PhotoStore again(catalog, dir.path());
        QCOMPARE(again.jpeg(photo, PhotoSize::Screen), first + "X");
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("ok");
        QTest::newRow("none") << QStringList() << true;
        QTest::newRow("ports") << QStringList{"--port", "0", "--tls-port", "8443"} << true;
        QTest::newRow("all") << QStringList{"--host", "127.0.0.1", "--data-dir", "/tmp/x", "--warm"} << true;
        QTest::newRow("bad port") << QStringList{"--port", "70000"} << false;
        QTest::newRow("missing value") << QStringList{"--port"} << false;
        QTest::newRow("unknown") << QStringList{"--verbose"} << false;
        QTest::newRow("public address") << QStringList{"--host", "0.0.0.0"} << false;
    }

    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, ok);
        ServiceOptions options;
        QString error;
        QCOMPARE(parseOptions(QStringList{"fotoria-service"} + args, &options, &error), ok);
        QCOMPARE(error.isEmpty(), ok);
    }
};

FOTORIA_TEST_GUILESS_MAIN(ServiceUnitTest)
#include "ServiceUnitTest.moc"
