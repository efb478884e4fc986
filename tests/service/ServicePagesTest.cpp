// The service's pages rendered by Qt WebEngine, the engine the desktop
// client uses: the gallery's buttons reach the script bridge with the right
// arguments, the help names what the programs really offer, and the
// calendar lays its months out at the reserved sizes.
#include "FotoriaService.h"
#include "TestMain.h"
#include "WebPageScripts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QWebEngineProfile>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

using fotoria::test::FotoriaService;
using fotoria::test::plainText;
using fotoria::test::runScript;

namespace {

// Stands in for the main window's bridge: records the calls in the page.
QWebEngineScript recordingBridge()
{
    QWebEngineScript script;
    script.setName(QStringLiteral("recording-bridge"));
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setSourceCode(QStringLiteral("window.calls = []; window.native_bridge = { photoClicked: function () {"
                                        " window.calls.push(Array.prototype.slice.call(arguments)); } };"));
    return script;
}

} // namespace

class ServicePagesTest : public QObject
{
    Q_OBJECT

private:
    bool load(QWebEnginePage &page, const QString &pathAndQuery)
    {
        return fotoria::test::loadPage(&page, QUrl(m_service.baseUrl() + pathAndQuery));
    }

    QVariant js(QWebEnginePage &page, const QString &script) { return runScript(&page, script); }

    FotoriaService m_service;

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_service.start(&error), qPrintable(error));
    }

    void galleryButtonsCallTheBridge_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("actions"); // one per click
        QTest::newRow("wallpaper") << "wallpaper" << QStringList{"wallpaper"};
        QTest::newRow("download") << "download" << QStringList{"download"};
        QTest::newRow("playlist") << "playlist" << QStringList{"playlist"};
        QTest::newRow("share") << "share" << QStringList{"share"};
        QTest::newRow("favorite toggles") << "fav1" << QStringList{"fav1", "fav1-remove", "fav1"};
    }

    void galleryButtonsCallTheBridge()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, actions);

        QWebEnginePage page;
        page.scripts().insert(recordingBridge());
        QVERIFY(load(page, QStringLiteral("/gallery/ocean")));

        const QString uuid = js(page, QStringLiteral("document.querySelector('.card').getAttribute('data-uuid')")).toString();
        QVERIFY(!uuid.isEmpty());
        const QString click = QStringLiteral("document.querySelector('#photo-%1 [data-action=\"%2\"]').click()").arg(uuid, button);
        for (int i = 0; i < actions.size(); ++i)
            js(page, click);

        const QJsonArray calls
            = QJsonDocument::fromJson(js(page, QStringLiteral("JSON.stringify(window.calls)")).toString().toUtf8()).array();
        QCOMPARE(calls.size(), actions.size());
        for (int i = 0; i < actions.size(); ++i) {
            const QJsonArray call = calls.at(i).toArray();
            QCOMPARE(call.at(0).toString(), QStringLiteral("ocean"));
            QCOMPARE(call.at(1).toString(), uuid);
            QCOMPARE(call.at(2).toString(), m_service.baseUrl() + QStringLiteral("/photos/") + uuid + QStringLiteral(".jpg"));
            QCOMPARE(call.at(3).toString(), actions.at(i));
        }
    }

    void galleryWithoutBridgeStaysOnPage()
    {
        QWebEnginePage page;
        QVERIFY(load(page, QStringLiteral("/gallery/home")));
        QCOMPARE(js(page, QStringLiteral("document.querySelectorAll('.grid .card').length")).toInt(), 24);
        js(page, QStringLiteral("document.querySelector('.grid [data-action=\"wallpaper\"]').click()"));
        QVERIFY(!js(page, QStringLiteral("document.getElementById('toast').textContent")).toString().isEmpty());
        QCOMPARE(page.url().path(), QStringLiteral("/gallery/home"));
    }

    void webSignInSetsSessionAndLandsOnGallery()
    {
        const QJsonObject signIn = m_service.request("POST", QStringLiteral("/api/v3/tokens"),
                                                     R"({"email": "demo@fotoria.com", "password": "demo1234"})").json();
        const QString token = signIn.value(QStringLiteral("token")).toString();
        QVERIFY(!token.isEmpty());
        QWebEnginePage page;
        QVERIFY(load(page, QStringLiteral("/api/v3/tokens?email=demo%40fotoria.com&auth_token=%1&redirect_with_map=true").arg(token)));
        QCOMPARE(page.url().path(), QStringLiteral("/gallery/home"));
        QVERIFY(plainText(&page).contains(QLatin1String("Signed in as demo")));

        // Another profile: no session cookie of the first.
        QWebEngineProfile otherProfile;
        QWebEnginePage stranger(&otherProfile);
        QVERIFY(load(stranger, QStringLiteral("/api/v3/tokens?email=demo%40fotoria.com&auth_token=wrong&redirect_with_map=true")));
        QCOMPARE(stranger.url().path(), QStringLiteral("/gallery/home"));
        QVERIFY(plainText(&stranger).contains(QLatin1String("Browsing as guest")));
    }

    void helpSaysWhatTheProgramsDo_data()
    {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<bool>("present");
        QTest::newRow("tray opens on a double click") << "Double-click its icon" << true;
        QTest::newRow("the tray entry that exists") << "Show Fotoria" << true;
        QTest::newRow("no such tray entry") << "Report a problem" << false;
        QTest::newRow("problem report in Settings") << "Send..." << true;
        QTest::newRow("play button plays a slideshow") << "as a slideshow" << true;
        QTest::newRow("playlists are not synchronised") << "in step with your Fotoria account" << false;
    }

    void helpSaysWhatTheProgramsDo()
    {
        QFETCH(QString, phrase);
        QFETCH(bool, present);
        QWebEnginePage page;
        QVERIFY(load(page, QStringLiteral("/howto")));
        QCOMPARE(plainText(&page).contains(phrase), present);
    }

    void calendarMonthsAtReservedSizes_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("months");
        QTest::addColumn<QSize>("month");
        QTest::addColumn<QString>("firstHeading");

        QTest::newRow("defaults") << "size=1&past_months=0&future_months=0&first_day=0" << 1 << QSize(347, 349) << "S";
        QTest::newRow("small, Monday") << "size=0&past_months=1&future_months=0&first_day=1" << 2 << QSize(232, 228) << "M";
        QTest::newRow("large, five months") << "size=2&past_months=2&future_months=2&first_day=0" << 5 << QSize(576, 577) << "S";
        QTest::newRow("unknown size reads as small") << "size=7&past_months=0&future_months=1&first_day=1" << 2 << QSize(232, 228) << "M";
        QTest::newRow("garbage reads as defaults") << "size=x&past_months=-4&future_months=y&first_day=9" << 1 << QSize(347, 349) << "M";
    }

    void calendarMonthsAtReservedSizes()
    {
        QFETCH(QString, query);
        QFETCH(int, months);
        QFETCH(QSize, month);
        QFETCH(QString, firstHeading);

        QWebEngineView view;
        view.setAttribute(Qt::WA_DontShowOnScreen);
        // The client's widget: month + 32 wide, (month + 32) per month high.
        view.resize(QSize(month.width() + 32, (month.height() + 32) * months));
        view.show();
        QWebEnginePage &page = *view.page();
        QVERIFY(load(page, QStringLiteral("/calendar?") + query));
        const QJsonArray layout = QJsonDocument::fromJson(js(page, QStringLiteral(
            "var m = document.querySelectorAll('.month'), out = [];"
            "for (var i = 0; i < m.length; i++) { var r = m[i].getBoundingClientRect();"
            "  out.push([r.left, r.top, r.width, r.height, m[i].querySelectorAll('td').length]); }"
            "JSON.stringify(out)")).toString().toUtf8()).array();
        QCOMPARE(layout.size(), months);
        for (int i = 0; i < months; ++i) {
            const QJsonArray r = layout.at(i).toArray();
            QCOMPARE(r.at(0).toDouble(), 16.0);
            QCOMPARE(r.at(1).toDouble(), 16.0 + i * (month.height() + 32));
            QCOMPARE(r.at(2).toDouble(), double(month.width()));
            QCOMPARE(r.at(3).toDouble(), double(month.height()));
            QCOMPARE(r.at(4).toInt(), 42);
        }
        QCOMPARE(js(page, QStringLiteral("document.querySelector('.month th').textContent")).toString(), firstHeading);
        // The current month is the one after the past months, and today is marked in it.
        const QString current = QDate::currentDate().toString(QStringLiteral("yyyy-MM"));
        QCOMPARE(js(page, QStringLiteral("document.querySelector('.month td.today').parentNode.parentNode.parentNode"
                                         ".parentNode.getAttribute('data-month')")).toString(), current);
    }
};

FOTORIA_TEST_MAIN(ServicePagesTest)
#include "ServicePagesTest.moc"
