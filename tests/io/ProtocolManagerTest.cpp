#include <FotoriaService.h>
#include <TestMain.h>

#include <io/NetworkManager.h>
#include <io/ProtocolManager.h>
#include <systray/Logger.h>

#include <core/FileLocations.h>
#include <core/LogScrub.h>
#include <core/Settings.h>
#include <core/User.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>

using fotoria::test::FotoriaService;

namespace {
const QString kDemoEmail = QStringLiteral("demo@fotoria.com");
const QString kDemoPassword = QStringLiteral("demo1234");
} // namespace

class ProtocolManagerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void loginNameKey_data();
    void loginNameKey();
    void serviceAccountSignsIn();
    void failedSignIn_data();
    void failedSignIn();
    void httpsSignIn();
    void unusableAddressStillAnswers();
    void byToken();
    void byTokenWithoutUser();
    void signInsInFlightTogether_data();
    void signInsInFlightTogether();
    void resetDropsTokenHeader();
    void useServiceAccount();
    void recordSurvivesRestart();
    void logHoldsNoSecrets();
    void maskSecrets_data();
    void maskSecrets();
    void concurrentReaders();

private:
    // Runs one sign-in and returns the signal's arguments.
    QPair<QNetworkReply::NetworkError, QString> signIn(
        const QString &user, const QString &secret, bool byToken);

    FotoriaService m_service;
};

void ProtocolManagerTest::initTestCase()
{
    qRegisterMetaType<QNetworkReply::NetworkError>();
    QString error;
    QVERIFY2(m_service.start(&error), qPrintable(error));
    Settings::setValue(QStringLiteral("kServiceUrl"), m_service.baseUrl());
    Settings::setValue(QStringLiteral("kNetworkTimeout"), 3000);
}

void ProtocolManagerTest::init()
{
    User::instance()->reset();
    m_service.clearFailures();
    m_service.clearJournal();
}

QPair<QNetworkReply::NetworkError, QString> ProtocolManagerTest::signIn(
    const QString &user, const QString &secret, bool byToken)
{
    QSignalSpy spy(ProtocolManager::instance(), &ProtocolManager::authAttempt_Signal);
    ProtocolManager::instance()->login(user, secret, byToken);
    if (!spy.wait(10000) || spy.count() != 1)
        return { QNetworkReply::UnknownNetworkError, QStringLiteral("<no answer>") };
    return { spy.first().at(0).value<QNetworkReply::NetworkError>(), spy.first().at(1).toString() };
}

void ProtocolManagerTest::loginNameKey_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("otherKey");
    QTest::newRow("user name") << "demo"
                               << "fotoria_username"
                               << "email";
    QTest::newRow("e-mail") << kDemoEmail << "email"
                            << "fotoria_username";
}

void ProtocolManagerTest::loginNameKey()
{
    QFETCH(QString, name);
    QFETCH(QString, key);
    QFETCH(QString, otherKey);

    const auto result = signIn(name, kDemoPassword, false);
    QCOMPARE(result.first, QNetworkReply::NoError);
    QCOMPARE(result.second, QStringLiteral("No Error"));

    const QJsonArray entries = m_service.journal("/api/v3/tokens");
    QCOMPARE(entries.size(), 1);
    const QJsonObject entry = entries.first().toObject();
    QCOMPARE(entry.value("method").toString(), QStringLiteral("POST"));
    QCOMPARE(entry.value("headers").toObject().value("content-type").toString(),
        QStringLiteral("application/json"));
    const QJsonObject body = entry.value("json").toObject();
    QCOMPARE(body.value(key).toString(), name);
    QVERIFY(!body.contains(otherKey));
    QCOMPARE(body.value("password").toString(), kDemoPassword);
    QCOMPARE(body.value("desktop_version").toString(), QStringLiteral("1.4.0.19"));

    User *user = User::instance();
    QCOMPARE(user->email(), kDemoEmail);
    QVERIFY(!user->uuid().isEmpty());
    QVERIFY(!user->authenticationToken().isEmpty());
    QVERIFY(user->accountUrl().startsWith(QStringLiteral("http")));
    QVERIFY(user->isLoggedIn());
    QVERIFY(!isServiceAccount(user->email()));
}

void ProtocolManagerTest::serviceAccountSignsIn()
{
    QSignalSpy spy(ProtocolManager::instance(), &ProtocolManager::authAttempt_Signal);
    ProtocolManager::instance()->loginServiceAccount();
    QVERIFY(spy.wait(10000));
    QCOMPARE(spy.first().at(0).value<QNetworkReply::NetworkError>(), QNetworkReply::NoError);
    QVERIFY(isServiceAccount(User::instance()->email()));
    QVERIFY(User::serviceAccountEmail().endsWith(QStringLiteral("@fotoria.com")));
}

void ProtocolManagerTest::failedSignIn_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("message");

    QTest::newRow("wrong password: the service's message")
        << ""
        << ""
        << "wrong" << int(QNetworkReply::AuthenticationRequiredError) << "Invalid email or password.";
    QTest::newRow("200 with an empty body")
        << "empty"
        << "" << kDemoPassword << int(QNetworkReply::ProtocolUnknownError) << "Unknown Error";
    QTest::newRow("200 with broken JSON")
        << "malformed"
        << "" << kDemoPassword << int(QNetworkReply::ProtocolUnknownError) << "Unknown Error";
    QTest::newRow("500 without a message")
        << "empty"
        << "500" << kDemoPassword << int(QNetworkReply::InternalServerError) << "Unknown Error";
    QTest::newRow("3xx: no sign-in") << "status" << "302" << kDemoPassword << int(QNetworkReply::UnknownServerError) << "Unknown Error";
    QTest::newRow("huge reply: a network failure") << "huge" << "" << kDemoPassword << int(QNetworkReply::UnknownNetworkError) << "Unknown Error";
    QTest::newRow("slow drip: past the deadline") << "drip" << "" << kDemoPassword << int(QNetworkReply::TimeoutError) << "Unknown Error";
}

void ProtocolManagerTest::failedSignIn()
{
    QFETCH(QString, mode);
    QFETCH(QString, status);
    QFETCH(QString, password);
    QFETCH(int, error);
    QFETCH(QString, message);

    if (!mode.isEmpty()) {
        QMap<QString, QString> params;
        if (!status.isEmpty())
            params.insert(QStringLiteral("status"), status);
        QVERIFY(m_service.setFailure(QStringLiteral("/api/v3/tokens"), mode, params));
    }
    const auto result = signIn(kDemoEmail, password, false);
    QCOMPARE(int(result.first), error);
    QCOMPARE(result.second, message);
    // A failed sign-in changes nothing in the record.
    QVERIFY(User::instance()->authenticationToken().isEmpty());
    QVERIFY(!User::instance()->isLoggedIn());
}

void ProtocolManagerTest::httpsSignIn()
{
    Settings::setValue(QStringLiteral("kServiceUrl"), m_service.httpsUrl());
    const auto refused = signIn(kDemoEmail, kDemoPassword, false);
    QCOMPARE(refused.first, QNetworkReply::SslHandshakeFailedError);
    QVERIFY(User::instance()->authenticationToken().isEmpty());

    Settings::setValue(QStringLiteral("kIgnoreSslErrors"), true);
    const auto accepted = signIn(kDemoEmail, kDemoPassword, false);
    Settings::setValue(QStringLiteral("kIgnoreSslErrors"), false);
    Settings::setValue(QStringLiteral("kServiceUrl"), m_service.baseUrl());
    QCOMPARE(accepted.first, QNetworkReply::NoError);
    QVERIFY(!User::instance()->authenticationToken().isEmpty());
}

void ProtocolManagerTest::unusableAddressStillAnswers()
{
    // A request that fails before it leaves must still end the caller's wait.
    Settings::setValue(QStringLiteral("kServiceUrl"), QStringLiteral("nosuchscheme://127.0.0.1"));
    const auto result = signIn(kDemoEmail, kDemoPassword, false);
    Settings::setValue(QStringLiteral("kServiceUrl"), m_service.baseUrl());
    QCOMPARE(result.first, QNetworkReply::ProtocolUnknownError);
    QCOMPARE(result.second, QStringLiteral("Unknown Error"));
}

void ProtocolManagerTest::byToken()
{
    QCOMPARE(signIn(kDemoEmail, kDemoPassword, false).first, QNetworkReply::NoError);
    User *user = User::instance();
    const QString token = user->authenticationToken();
    const QString uuid = user->uuid();
    m_service.clearJournal();

    const auto result = signIn(user->email(), token, true);
    QCOMPARE(result.first, QNetworkReply::NoError);
    QCOMPARE(result.second, QStringLiteral("No Error"));
    const QJsonArray entries = m_service.journal("/api/v2/users/");
    QCOMPARE(entries.size(), 1);
    const QJsonObject entry = entries.first().toObject();
    QCOMPARE(entry.value("method").toString(), QStringLiteral("GET"));
    QCOMPARE(entry.value("path").toString(), QStringLiteral("/api/v2/users/") + uuid);
    QCOMPARE(entry.value("headers").toObject().value("x-auth-token").toString(), token);
    QCOMPARE(user->authenticationToken(), token);

    const auto refused = signIn(user->email(), QStringLiteral("not-a-token"), true);
    QCOMPARE(refused.first, QNetworkReply::AuthenticationRequiredError);
    QCOMPARE(refused.second, QStringLiteral("You need to sign in or sign up before continuing."));
    // The stored account is only ever replaced by a password sign-in.
    QCOMPARE(user->authenticationToken(), token);
}

void ProtocolManagerTest::byTokenWithoutUser()
{
    QCOMPARE(signIn(kDemoEmail, kDemoPassword, false).first, QNetworkReply::NoError);
    User *user = User::instance();
    QVERIFY(m_service.setFailure(QStringLiteral("/api/v2/users/") + user->uuid(), QStringLiteral("status"),
        { { QStringLiteral("body"), QStringLiteral("{\"user\":{}}") } }));
    const auto result = signIn(user->email(), user->authenticationToken(), true);
    QCOMPARE(result.first, QNetworkReply::ProtocolUnknownError);
    QCOMPARE(result.second, QStringLiteral("Unknown Error"));
}

void ProtocolManagerTest::signInsInFlightTogether_data()
{
    QTest::addColumn<bool>("tokenFirst");
    QTest::newRow("password, then token") << false;
    QTest::newRow("token, then password") << true;
}

void ProtocolManagerTest::signInsInFlightTogether()
{
    QFETCH(bool, tokenFirst);

    QCOMPARE(signIn(kDemoEmail, kDemoPassword, false).first, QNetworkReply::NoError);
    User *user = User::instance();
    const QString token = user->authenticationToken();
    // Only the password sign-in may fill these in again.
    user->setEmail(User::serviceAccountEmail());
    user->setAuthenticationToken(QString());

    QSignalSpy spy(ProtocolManager::instance(), &ProtocolManager::authAttempt_Signal);
    ProtocolManager *protocol = ProtocolManager::instance();
    if (tokenFirst)
        protocol->login(kDemoEmail, token, true);
    protocol->login(kDemoEmail, kDemoPassword, false);
    if (!tokenFirst)
        protocol->login(kDemoEmail, token, true);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 10000);

    for (const QList<QVariant> &answer : spy)
        QCOMPARE(answer.at(0).value<QNetworkReply::NetworkError>(), QNetworkReply::NoError);
    QVERIFY(spy.at(0).at(2).toBool() != spy.at(1).at(2).toBool()); // each tells its own mode
    QCOMPARE(user->email(), kDemoEmail);
    QVERIFY(!user->authenticationToken().isEmpty());
}

void ProtocolManagerTest::resetDropsTokenHeader()
{
    QCOMPARE(signIn(kDemoEmail, kDemoPassword, false).first, QNetworkReply::NoError);
    User *user = User::instance();
    bool ok = false;
    NetworkManager().get(QString(), QStringLiteral("/api/v2/clients"), &ok);
    // A failed address loses its user-info and query in the error line.
    QUrl failing(m_service.baseUrl() + QStringLiteral("/api/v2/missing?auth_token=query-secret-1"));
    failing.setUserInfo(QStringLiteral("bob:userinfo-secret-2"));
    NetworkManager().get(failing.toString(), QString(), &ok);
    QVERIFY(!ok);
    QVERIFY(m_service.journal("/api/v2/clients")
                .first()
                .toObject()
                .value("headers")
                .toObject()
                .contains("x-auth-token"));

    user->reset();
    QVERIFY(isServiceAccount(user->email()));
    QCOMPARE(user->email(), User::serviceAccountEmail());
    QVERIFY(user->uuid().isEmpty());
    QVERIFY(user->accountUrl().isEmpty());
    QVERIFY(!user->remember());
    QVERIFY(!user->isLoggedIn());
    QCOMPARE(Settings::getString(QStringLiteral("authenticationToken"), QStringLiteral("x")), QString());

    m_service.clearJournal();
    NetworkManager().get(QString(), QStringLiteral("/api/v2/clients"), &ok);
    QVERIFY(ok);
    QVERIFY(!m_service.journal("/api/v2/clients")
                 .first()
                 .toObject()
                 .value("headers")
                 .toObject()
                 .contains("x-auth-token"));
}

void ProtocolManagerTest::useServiceAccount()
{
    User *user = User::instance();
    user->setEmail(kDemoEmail);
    user->setRemember(false);
    user->useServiceAccount(false);
    QCOMPARE(user->email(), kDemoEmail);
    QVERIFY(!user->remember());

    user->setEmail(QString());
    user->useServiceAccount(false);
    QCOMPARE(user->email(), User::serviceAccountEmail());
    QVERIFY(user->remember());

    user->setEmail(kDemoEmail);
    user->useServiceAccount(true);
    QCOMPARE(user->email(), User::serviceAccountEmail());
    QCOMPARE(Settings::getString(QStringLiteral("email")), User::serviceAccountEmail());

    QVERIFY(isServiceAccount(QString()));
    QVERIFY(isServiceAccount(User::serviceAccountEmail()));
    QVERIFY(!isServiceAccount(User::serviceAccountEmail().toUpper()));
    QVERIFY(!isServiceAccount(kDemoEmail));
}

void ProtocolManagerTest::recordSurvivesRestart()
{
    User *user = User::instance();
    user->setDeviceUuid(QStringLiteral("dev-1"));
    user->setDeviceActive(false);
    user->setDeviceName(QStringLiteral("desk"));
    user->setDeviceCreatedAt(QStringLiteral("2026-01-01"));
    user->setDeviceModifiedAt(QStringLiteral("2026-02-02"));
    user->storeLogin(kDemoEmail, QStringLiteral("u-1"), QStringLiteral("t-1"), QStringLiteral("http://a/b"));

    // Scribble over the fields in memory, then read the store back.
    user->setEmail(QStringLiteral("x"));
    user->setAuthenticationToken(QStringLiteral("y"));
    user->setDeviceName(QStringLiteral("z"));
    user->load();
    QCOMPARE(user->email(), kDemoEmail);
    QCOMPARE(user->uuid(), QStringLiteral("u-1"));
    QCOMPARE(user->authenticationToken(), QStringLiteral("t-1"));
    QCOMPARE(user->accountUrl(), QStringLiteral("http://a/b"));
    QCOMPARE(user->deviceUuid(), QStringLiteral("dev-1"));
    QVERIFY(!user->deviceActive());
    QCOMPARE(user->deviceName(), QStringLiteral("desk"));
    QCOMPARE(user->deviceCreatedAt(), QStringLiteral("2026-01-01"));
    QCOMPARE(user->deviceModifiedAt(), QStringLiteral("2026-02-02"));
    QVERIFY(!user->isLoggedIn());
}

void ProtocolManagerTest::logHoldsNoSecrets()
{
    FileLocations().createDirectories();
    QVERIFY(Logger::instance()->openLogFile());
    QtMessageHandler previous = qInstallMessageHandler(messageHandler);

    const auto result = signIn(QStringLiteral("demo"), kDemoPassword, false);
    const QString token = User::instance()->authenticationToken();
    signIn(kDemoEmail, token, true);
    signIn(kDemoEmail, QStringLiteral("wrong-password-123"), false);
    bool ok = false;
    NetworkManager().get(QString(), QStringLiteral("/api/v2/clients"), &ok);
    // A failed address loses its user-info and query in the error line.
    QUrl failing(m_service.baseUrl() + QStringLiteral("/api/v2/missing?auth_token=query-secret-1#access_token=fragment-secret-3"));
    failing.setUserInfo(QStringLiteral("bob:userinfo-secret-2"));
    NetworkManager().get(failing.toString(), QString(), &ok);
    QVERIFY(!ok);
    qDebug().noquote() << LogScrub::text(failing.toString());

    qInstallMessageHandler(previous);
    Logger::instance()->closeLogFile();
    QCOMPARE(result.first, QNetworkReply::NoError);
    QVERIFY(token.size() >= 8);

    QFile log(FileLocations::logFile());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    QVERIFY(text.contains("login data:"));
    QVERIFY2(!text.contains(token.toUtf8()), "the token reached the log");
    QVERIFY2(!text.contains(kDemoPassword.toUtf8()), "the password reached the log");
    QVERIFY2(!text.contains("wrong-password-123"), "a typed password reached the log");
    QVERIFY2(!text.contains(kDemoEmail.toUtf8()), "the e-mail address reached the log");
    QVERIFY(text.contains("/api/v2/missing"));
    QVERIFY2(!text.contains("query-secret-1"), "a query reached the log");
    QVERIFY2(!text.contains("fragment-secret-3"), "a fragment reached the log");
    QVERIFY2(!text.contains("userinfo-secret-2"), "a password in an address reached the log");
}

void ProtocolManagerTest::maskSecrets_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("secret");
    QTest::addColumn<QByteArray>("kept");

    QTest::newRow("top-level token") << QByteArray("{\"token\":\"s3cr3t\",\"user\":{\"uuid\":\"u1\"}}")
                                     << QByteArray("s3cr3t") << QByteArray("u1");
    QTest::newRow("e-mail") << QByteArray("{\"user\":{\"email\":\"a@b.example\",\"uuid\":\"u1\"}}")
                            << QByteArray("a@b.example") << QByteArray("u1");
    QTest::newRow("nested auth_token") << QByteArray("{\"user\":{\"auth_token\":\"s3cr3t\",\"uuid\":\"u1\"}}")
                                       << QByteArray("s3cr3t") << QByteArray("u1");
    QTest::newRow("token in an array") << QByteArray("[{\"authenticationToken\":\"s3cr3t\"}]")
                                       << QByteArray("s3cr3t") << QByteArray("authenticationToken");
    QTest::newRow("password") << QByteArray("{\"password\":\"s3cr3t\",\"message\":\"hi\"}")
                              << QByteArray("s3cr3t") << QByteArray("hi");
    QTest::newRow("not JSON") << QByteArray("token=s3cr3t") << QByteArray("s3cr3t") << QByteArray("12 bytes");
    QTest::newRow("broken JSON") << QByteArray("{\"token\": \"s3cr3t\"") << QByteArray("s3cr3t")
                                 << QByteArray("not JSON");
    QTest::newRow("long: its start only") << QByteArray("{\"message\":\"" + QByteArray(5000, 'y') + "\"}") << QByteArray(2100, 'y')
                                          << QByteArray("5014 bytes>");
}

void ProtocolManagerTest::maskSecrets()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, secret);
    QFETCH(QByteArray, kept);
    const QByteArray masked = ProtocolManager::maskSecrets(body);
    QVERIFY(!masked.contains(secret));
    QVERIFY2(masked.contains(kept), masked.constData());
}

void ProtocolManagerTest::concurrentReaders()
{
    // Worker threads read the token while the GUI thread signs in and out.
    User *user = User::instance();
    QAtomicInt stop(0);
    QAtomicInt torn(0);
    QList<QThread *> readers;
    for (int i = 0; i < 3; ++i) {
        readers.append(QThread::create([&] {
            while (!stop.loadAcquire()) {
                const QString token = user->authenticationToken();
                if (!token.isEmpty() && token != QStringLiteral("token-aaaaaaaaaaaaaaaaaaaaaaaa")
                    && token != QStringLiteral("token-bbbbbbbbbbbbbbbbbbbbbbbb"))
                    torn.storeRelease(1);
            }
        }));
        readers.last()->start();
    }
    for (int i = 0; i < 2000; ++i) {
        user->setAuthenticationToken(i % 2 ? QStringLiteral("token-aaaaaaaaaaaaaaaaaaaaaaaa")
                                           : QStringLiteral("token-bbbbbbbbbbbbbbbbbbbbbbbb"));
        if (i % 100 == 0)
            user->reset();
    }
    stop.storeRelease(1);
    for (QThread *t : readers) {
        QVERIFY(t->wait(10000));
        delete t;
    }
    QCOMPARE(torn.loadAcquire(), 0);
}

FOTORIA_TEST_MAIN(ProtocolManagerTest)
#include "ProtocolManagerTest.moc"
