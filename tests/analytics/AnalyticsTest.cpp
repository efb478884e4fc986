#include <FotoriaService.h>
#include <TestMain.h>

#include <core/Analytics.h>
#include <core/FileLocations.h>
#include <core/Settings.h>
#include <core/SystemInfo.h>
#include <core/User.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QSettings>
#include <QUuid>

using fotoria::test::FotoriaService;

namespace {
const QString kProjectToken = QStringLiteral("5d1c0a7e93b24f68a0e7c3b19d42f6a8");
}

class AnalyticsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void eventDocuments_data();
    void eventDocuments();
    void ownTokenReplaced();
    void identityPersists();
    void profileOfAPerson();
    void serviceAccountReportsNothing();
    void switchedOff_data();
    void switchedOff();
    void explicitEndpoint();

private:
    // The decoded documents that reached an endpoint, once `count` have.
    QList<QJsonObject> received(const QString &endpoint, int count);
    // Sends a marker event and waits for it: whatever was sent before it has
    // arrived as well by then.
    void sendMarker();

    FotoriaService m_service;
};

void AnalyticsTest::initTestCase()
{
    QString error;
    QVERIFY2(m_service.start(&error), qPrintable(error));
    // No analytics address of its own: the service's host is the default.
    Settings::setValue(QStringLiteral("kServiceUrl"), m_service.baseUrl());
    Settings::setValue(QStringLiteral("kNetworkTimeout"), 5000);
    QVERIFY(!Analytics::isDevelopmentMode());
}

void AnalyticsTest::init()
{
    Settings::setValue(QStringLiteral("kSendAnalytics"), true);
    Settings::remove(QStringLiteral("kAnalyticsUrl"));
    User::instance()->reset();
    m_service.clearJournal();
}

QList<QJsonObject> AnalyticsTest::received(const QString &endpoint, int count)
{
    // Fewer than `count` fail the caller's comparisons.
    (void)QTest::qWaitFor([&] { return m_service.journal(endpoint).size() >= count; }, 10000);
    QList<QJsonObject> documents;
    for (const QJsonValue &entry : m_service.journal(endpoint))
        documents.append(entry.toObject().value("decoded").toObject());
    return documents;
}

// Every analytics request of a test is a GET without the account's token.
void AnalyticsTest::cleanup()
{
    for (const QJsonValue &value : m_service.journal()) {
        const QJsonObject entry = value.toObject();
        QCOMPARE(entry.value("method").toString(), QStringLiteral("GET"));
        QVERIFY2(!entry.value("headers").toObject().contains("x-auth-token"),
            qPrintable(entry.value("path").toString()));
    }
}

void AnalyticsTest::sendMarker()
{
    Settings::setValue(QStringLiteral("kSendAnalytics"), true);
    Analytics::post(QStringLiteral("marker"));
    QTRY_VERIFY_WITH_TIMEOUT(!m_service.journal("/track").isEmpty(), 10000);
}

void AnalyticsTest::eventDocuments_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QVariantMap>("properties");

    const QVariantMap catalog { { "category", "Nature" }, { "uuid", "p-1" } };
    QVariantMap fromCatalog = catalog;
    fromCatalog.insert("fromCatalog", true);

    QTest::newRow("startup") << 0 << "d-startup" << QVariantMap { { "client-info", "none" } };
    QTest::newRow("first time") << 1 << "d-firsttime" << QVariantMap();
    QTest::newRow("crashed") << 2 << "d-crashed" << QVariantMap();
    QTest::newRow("screensaver") << 3 << "d-play-screensaver" << QVariantMap();
    QTest::newRow("wallpaper") << 4 << "d-dc-wallpaper" << fromCatalog;
    QTest::newRow("download") << 5 << "d-download" << catalog;
    QTest::newRow("playlist") << 6 << "d-playlist" << catalog;
    QTest::newRow("favorite") << 7 << "d-favorite" << catalog;
    QTest::newRow("share") << 8 << "d-share" << fromCatalog;
}

void AnalyticsTest::eventDocuments()
{
    QFETCH(int, which);
    QFETCH(QString, event);
    QFETCH(QVariantMap, properties);

    const qint64 before = QDateTime::currentSecsSinceEpoch();
    switch (which) {
    case 0:
        Analytics::startup();
        break;
    case 1:
        Analytics::firstTime();
        break;
    case 2:
        Analytics::crashed();
        break;
    case 3:
        Analytics::playScreensaver();
        break;
    case 4:
        Analytics::wallpaper("Nature", "p-1", true);
        break;
    case 5:
        Analytics::download("Nature", "p-1");
        break;
    case 6:
        Analytics::playlist("Nature", "p-1");
        break;
    case 7:
        Analytics::favorite("Nature", "p-1");
        break;
    case 8:
        Analytics::share("Nature", "p-1", true);
        break;
    }
    const QList<QJsonObject> documents = received("/track", 1);
    QCOMPARE(documents.size(), 1);
    const QJsonObject document = documents.value(0);
    const QString id = Settings::getString(QStringLiteral("mixpanelId"));

    QCOMPARE(document.value("event").toString(), event);
    QCOMPARE(document.value("distinct_id").toString(), id);
    const qint64 time = document.value("time").toVariant().toLongLong();
    QVERIFY(time >= before && time <= QDateTime::currentSecsSinceEpoch());

    QVariantMap expected = properties;
    expected.insert("token", kProjectToken);
    expected.insert("distinct_id", id);
    expected.insert("os", SystemInfo::platformName());
    expected.insert("osv", SystemInfo::osVersionCode());
    expected.insert("appv", QStringLiteral("1.4.0.19"));
    QCOMPARE(document.value("properties").toObject().toVariantMap(), expected);
}

void AnalyticsTest::ownTokenReplaced()
{
    Analytics::post(QStringLiteral("d-custom"),
        { { QStringLiteral("token"), QStringLiteral("mine") },
            { QStringLiteral("os"), QStringLiteral("BeOS") }, { QStringLiteral("kept"), 7 } });
    const QJsonObject properties = received("/track", 1).value(0).value("properties").toObject();
    QCOMPARE(properties.value("token").toString(), kProjectToken);
    QCOMPARE(properties.value("os").toString(), SystemInfo::platformName());
    QCOMPARE(properties.value("kept").toInt(), 7);
}

void AnalyticsTest::identityPersists()
{
    Settings::remove(QStringLiteral("mixpanelId"));
    Analytics::startup();
    const QString first = received("/track", 1).value(0).value("distinct_id").toString();
    QVERIFY(!QUuid::fromString(first).isNull());
    QVERIFY(first.startsWith(QLatin1Char('{')) && first.endsWith(QLatin1Char('}')));

    // On disk, where the next run of the program reads it.
    QSettings onDisk(Settings::fileName(), QSettings::NativeFormat);
    QCOMPARE(onDisk.value(QStringLiteral("mixpanelId")).toString(), first);

    Analytics::startup();
    const QList<QJsonObject> documents = received("/track", 2);
    QCOMPARE(documents.value(1).value("distinct_id").toString(), first);
}

void AnalyticsTest::profileOfAPerson()
{
    for (const char *name : { "Favorites", "Nature", "Cities" })
        QDir().mkpath(FileLocations::playlistFolder() + QLatin1Char('/') + QLatin1String(name));
    QFile stray(FileLocations::playlistFolder() + QStringLiteral("/not-a-playlist.txt"));
    QVERIFY(stray.open(QIODevice::WriteOnly));
    stray.close();
    Settings::setValue(QStringLiteral("kEnable"), true);

    User *user = User::instance();
    user->storeLogin(QStringLiteral("demo@fotoria.com"), QStringLiteral("u-1"),
        QStringLiteral("secret-token"), QStringLiteral("http://x/account/demo"));
    Analytics::login(user);

    QCOMPARE(received("/track", 1).value(0).value("event").toString(), QStringLiteral("d-login"));
    const QJsonObject profile = received("/engage", 1).value(0);
    const QJsonObject set = profile.value("$set").toObject();
    QCOMPARE(set.value("$email").toString(), QStringLiteral("demo@fotoria.com"));
    QCOMPARE(set.value("$first_name").toString(), QString());
    QCOMPARE(set.value("$last_name").toString(), QString());
    QCOMPARE(set.value("appv").toString(), QStringLiteral("1.4.0.19"));
    QCOMPARE(set.value("playlists").toString(), QStringLiteral("3"));
    QCOMPARE(set.value("calendar").toBool(), true);
    QCOMPARE(profile.value("$token").toString(), kProjectToken);
    QCOMPARE(profile.value("$distinct_id").toString(), Settings::getString(QStringLiteral("mixpanelId")));
    QCOMPARE(profile.value("$ip").toString(), QStringLiteral("0.0.0.0"));
    // The account's token is nobody else's business.
    for (const QJsonValue &entry : m_service.journal())
        QVERIFY(!entry.toObject().value("target").toString().contains(QStringLiteral("secret-token")));
    Settings::setValue(QStringLiteral("kEnable"), false);
}

void AnalyticsTest::serviceAccountReportsNothing()
{
    User *user = User::instance();
    user->useServiceAccount(true);
    Analytics::login(user);
    Analytics::registerUser(user);
    user->setEmail(QString());
    Analytics::registerUser(user);

    sendMarker();
    const QList<QJsonObject> documents = received("/track", 1);
    QCOMPARE(documents.size(), 1);
    QCOMPARE(documents.value(0).value("event").toString(), QStringLiteral("marker"));
    QVERIFY(m_service.journal("/engage").isEmpty());
}

void AnalyticsTest::switchedOff_data()
{
    QTest::addColumn<bool>("developmentMode");
    QTest::newRow("kSendAnalytics false") << false;
    QTest::newRow("development mode") << true;
}

void AnalyticsTest::switchedOff()
{
    QFETCH(bool, developmentMode);
    const QString previous = QDir::currentPath();
    const QString devDir = fotoria::test::testHome() + QStringLiteral("/devrun");
    if (developmentMode) {
        QDir().mkpath(devDir);
        QFile marker(devDir + QStringLiteral("/devmarkerfile.txt"));
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.close();
        QVERIFY(QDir::setCurrent(devDir));
        QVERIFY(Analytics::isDevelopmentMode());
    } else {
        Settings::setValue(QStringLiteral("kSendAnalytics"), false);
    }

    User *user = User::instance();
    user->storeLogin(
        QStringLiteral("demo@fotoria.com"), QStringLiteral("u-1"), QStringLiteral("t"), QString());
    Analytics::startup();
    Analytics::wallpaper("Nature", "p-1", false);
    Analytics::login(user);
    Analytics::registerUser(user);

    QVERIFY(QDir::setCurrent(previous));
    sendMarker();
    const QList<QJsonObject> documents = received("/track", 1);
    QCOMPARE(documents.size(), 1);
    QCOMPARE(documents.value(0).value("event").toString(), QStringLiteral("marker"));
    QVERIFY(m_service.journal("/engage").isEmpty());
}

void AnalyticsTest::explicitEndpoint()
{
    // The setting wins over the service's host: point it at a path prefix
    // to tell the two apart.
    Settings::setValue(QStringLiteral("kServiceUrl"), QStringLiteral("https://unused.invalid"));
    Settings::setValue(QStringLiteral("kAnalyticsUrl"), m_service.baseUrl() + QStringLiteral("/mp"));
    Analytics::startup();
    Settings::setValue(QStringLiteral("kServiceUrl"), m_service.baseUrl());
    QTRY_COMPARE_WITH_TIMEOUT(m_service.journal("/mp/track").size(), 1, 10000);
}

FOTORIA_TEST_MAIN(AnalyticsTest)
#include "AnalyticsTest.moc"
