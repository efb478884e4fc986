#include <FotoriaService.h>
#include <TestMain.h>

#include <io/NetworkManager.h>

#include <core/Settings.h>
#include <core/User.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QSemaphore>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QtConcurrent>

#include <atomic>

using fotoria::test::FotoriaService;

namespace {
QStringList g_logLines;
void captureLog(QtMsgType, const QMessageLogContext &, const QString &message)
{
    g_logLines.append(message);
}
} // namespace

class NetworkManagerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void pathReplacesBasePath_data();
    void pathReplacesBasePath();
    void fullUrlKeepsPathLosesQuery();
    void queryItemsInKeyOrder();
    void requestHeaders_data();
    void requestHeaders();
    void tokenHeader_data();
    void tokenHeader();
    void tokenStaysOnTheServiceHost();
    void tokenOnlyToTheServiceOrigin_data();
    void tokenOnlyToTheServiceOrigin();
    void callerRequestSentAsBuilt();
    void redirectFollowedOnce();
    void redirectToItselfFails();
    void hostileReplies_data();
    void hostileReplies();
    void redirectOnlyToHttpAndHttps_data();
    void redirectOnlyToHttpAndHttps();
    void errorBodyReturned_data();
    void errorBodyReturned();
    void putWithoutBodySendsNothing();
    void downloadToFile();
    void downloadEmptyBodyLeavesTargetAlone();
    void interruptedDownloadLeavesNoFile();
    void httpsRefusedUnlessAllowed();
    void hungReplyFailsAtTimeout();
    void diskCacheForPositiveSize();
    void workerThreadCalls();
    void cancelFromAnotherThread();
    void jsonToMap_data();
    void jsonToMap();

private:
    QJsonObject onlyRequest(const QString &pathPrefix);
    QString tempPath(const QString &name) const;

    FotoriaService m_service;
};

void NetworkManagerTest::initTestCase()
{
    QString error;
    QVERIFY2(m_service.start(&error), qPrintable(error));
    Settings::setValue(QStringLiteral("kServiceUrl"), m_service.baseUrl());
    Settings::setValue(QStringLiteral("kNetworkTimeout"), 1500);
}

void NetworkManagerTest::init()
{
    Settings::setValue(QStringLiteral("kServiceUrl"), m_service.baseUrl());
    Settings::setValue(QStringLiteral("kIgnoreSslErrors"), false);
    User::instance()->setAuthenticationToken(QString());
    m_service.clearFailures();
    m_service.clearJournal();
}

QJsonObject NetworkManagerTest::onlyRequest(const QString &pathPrefix)
{
    const QJsonArray entries = m_service.journal(pathPrefix);
    if (entries.size() != 1) {
        qWarning() << "expected one request to" << pathPrefix << "got" << entries;
        return QJsonObject();
    }
    return entries.first().toObject();
}

QString NetworkManagerTest::tempPath(const QString &name) const
{
    const QString dir = fotoria::test::testHome() + QStringLiteral("/downloads");
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + name;
}

void NetworkManagerTest::pathReplacesBasePath_data()
{
    QTest::addColumn<QString>("basePath");
    QTest::newRow("no path") << "";
    QTest::newRow("root") << "/";
    QTest::newRow("a path of its own") << "/some/base/path";
    QTest::newRow("with a query") << "/v9/?stale=1";
}

void NetworkManagerTest::pathReplacesBasePath()
{
    QFETCH(QString, basePath);
    Settings::setValue(QStringLiteral("kServiceUrl"), m_service.baseUrl() + basePath);
    NetworkManager network;
    QCOMPARE(NetworkManager::serviceUrl(), m_service.baseUrl() + basePath);
    bool ok = false;
    const QByteArray body = network.get(QString(), QStringLiteral("/api/v2/clients"), &ok);
    QVERIFY(ok);
    QVERIFY(NetworkManager::jsonToMap(body).contains(QStringLiteral("tags")));
    QCOMPARE(onlyRequest("/api/").value("target").toString(), QStringLiteral("/api/v2/clients"));
}

void NetworkManagerTest::fullUrlKeepsPathLosesQuery()
{
    NetworkManager network;
    bool ok = false;
    network.get(m_service.baseUrl() + QStringLiteral("/api/v2/clients?stale=1&page=3"), QString(), &ok);
    QVERIFY(ok);
    QCOMPARE(onlyRequest("/api/").value("target").toString(), QStringLiteral("/api/v2/clients"));
}

void NetworkManagerTest::queryItemsInKeyOrder()
{
    NetworkManager network;
    bool ok = false;
    const QMap<QString, QString> query { { QStringLiteral("per_page"), QStringLiteral("5") },
        { QStringLiteral("page"), QStringLiteral("2") },
        { QStringLiteral("date"), QStringLiteral("2026-01-31") } };
    network.get(QString(), QStringLiteral("/api/v3/dailys"), query, &ok);
    QVERIFY(ok);
    QCOMPARE(onlyRequest("/api/").value("target").toString(),
        QStringLiteral("/api/v3/dailys?date=2026-01-31&page=2&per_page=5"));
}

void NetworkManagerTest::requestHeaders_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("httpMethod");
    QTest::addColumn<bool>("acceptJson");
    QTest::newRow("GET") << int(Get) << "GET" << false;
    QTest::newRow("POST") << int(Post) << "POST" << false;
    QTest::newRow("PUT") << int(Put) << "PUT" << false;
    QTest::newRow("DELETE") << int(Delete) << "DELETE" << false;
    QTest::newRow("HEAD") << int(Head) << "HEAD" << true;
}

void NetworkManagerTest::requestHeaders()
{
    QFETCH(int, method);
    QFETCH(QString, httpMethod);
    QFETCH(bool, acceptJson);

    NetworkManager network;
    bool ok = false;
    network.synchronousCall(HttpMethod(method), QString(), QStringLiteral("/api/v2/clients"),
        QByteArrayLiteral("{\"a\":1}"), true, {}, nullptr, nullptr, &ok);
    const QJsonObject entry = onlyRequest("/api/");
    QCOMPARE(entry.value("method").toString(), httpMethod);
    const QJsonObject headers = entry.value("headers").toObject();
    QCOMPARE(headers.value("content-type").toString(), QStringLiteral("application/json"));
    QCOMPARE(headers.value("accept").toString() == QLatin1String("json"), acceptJson);
}

void NetworkManagerTest::tokenHeader_data()
{
    QTest::addColumn<QString>("token");
    QTest::addColumn<bool>("authenticate");
    QTest::addColumn<QString>("header");
    QTest::newRow("token sent") << "tok-123" << true << "tok-123";
    QTest::newRow("empty token: no header") << "" << true << "";
    QTest::newRow("not authenticated: no header") << "tok-123" << false << "";
}

void NetworkManagerTest::tokenHeader()
{
    QFETCH(QString, token);
    QFETCH(bool, authenticate);
    QFETCH(QString, header);

    User::instance()->setAuthenticationToken(token);
    NetworkManager network;
    bool ok = false;
    network.synchronousCall(Get, QString(), QStringLiteral("/api/v2/clients"), QByteArray(), authenticate, {},
        nullptr, nullptr, &ok);
    const QJsonObject headers = onlyRequest("/api/").value("headers").toObject();
    QCOMPARE(headers.contains("x-auth-token"), !header.isEmpty());
    QCOMPARE(headers.value("x-auth-token").toString(), header);
}

void NetworkManagerTest::tokenStaysOnTheServiceHost()
{
    User::instance()->setAuthenticationToken(QStringLiteral("tok-123"));
    const QString download = QStringLiteral("http://127.0.0.1:%1/downloads/a.bin").arg(m_service.httpPort());

    // The same server under another host name counts as another host.
    Settings::setValue(QStringLiteral("kServiceUrl"), QStringLiteral("http://localhost:%1").arg(m_service.httpPort()));
    {
        NetworkManager network;
        QVERIFY(network.downloadToFile(download, tempPath(QStringLiteral("other-host.bin"))));
    }
    QVERIFY(!onlyRequest("/downloads/").value("headers").toObject().contains("x-auth-token"));

    m_service.clearJournal();
    Settings::setValue(QStringLiteral("kServiceUrl"), m_service.baseUrl());
    {
        NetworkManager network;
        QVERIFY(network.downloadToFile(download, tempPath(QStringLiteral("service-host.bin"))));
    }
    QCOMPARE(onlyRequest("/downloads/").value("headers").toObject().value("x-auth-token").toString(),
        QStringLiteral("tok-123"));
}

void NetworkManagerTest::tokenOnlyToTheServiceOrigin_data()
{
    // %1: the service's http port, %2: its https port.
    QTest::addColumn<QString>("serviceUrl");
    QTest::addColumn<bool>("tokenSent");
    QTest::newRow("https service: no token over http to its host") << "https://127.0.0.1:%2" << false;
    QTest::newRow("another port of the service's host") << "http://127.0.0.1:%2" << false;
    QTest::newRow("the service's own origin") << "http://127.0.0.1:%1" << true;
    QTest::newRow("same origin, other case and a path") << "HTTP://127.0.0.1:%1/Base/" << true;
}

void NetworkManagerTest::tokenOnlyToTheServiceOrigin()
{
    QFETCH(QString, serviceUrl);
    QFETCH(bool, tokenSent);
    Settings::setValue(QStringLiteral("kServiceUrl"),
        serviceUrl.replace(QLatin1String("%1"), QString::number(m_service.httpPort()))
            .replace(QLatin1String("%2"), QString::number(m_service.httpsPort())));
    Settings::setValue(QStringLiteral("kIgnoreSslErrors"), true);
    User::instance()->setAuthenticationToken(QStringLiteral("tok-123"));

    // A picture address as the client makes it: the service's host over http.
    NetworkManager network;
    bool ok = false;
    network.get(m_service.baseUrl() + QStringLiteral("/downloads/a.bin"), QString(), &ok);
    QVERIFY(ok);
    const QJsonObject headers = onlyRequest("/downloads/").value("headers").toObject();
    QCOMPARE(headers.contains("x-auth-token"), tokenSent);
}

void NetworkManagerTest::callerRequestSentAsBuilt()
{
    User::instance()->setAuthenticationToken(QStringLiteral("tok-123"));
    QNetworkRequest request(QUrl(m_service.baseUrl() + QStringLiteral("/api/v2/clients?mine=1")));
    request.setRawHeader("X-Custom", "yes");
    NetworkManager network;
    bool ok = false;
    network.synchronousCall(Get, QStringLiteral("http://elsewhere.invalid/"), QStringLiteral("/other"),
        QByteArray(), true, { { QStringLiteral("x"), QStringLiteral("1") } }, &request, nullptr, &ok);
    QVERIFY(ok);
    const QJsonObject entry = onlyRequest("/api/");
    QCOMPARE(entry.value("target").toString(), QStringLiteral("/api/v2/clients?mine=1"));
    const QJsonObject headers = entry.value("headers").toObject();
    QCOMPARE(headers.value("x-custom").toString(), QStringLiteral("yes"));
    QVERIFY(!headers.contains("x-auth-token"));
}

void NetworkManagerTest::redirectFollowedOnce()
{
    QVERIFY(m_service.setFailure(QStringLiteral("/api/v2/clients"), QStringLiteral("redirect")));
    NetworkManager network;
    bool ok = false;
    const QByteArray body = network.get(QString(), QStringLiteral("/api/v2/clients"), &ok);
    QVERIFY(ok);
    QVERIFY(NetworkManager::jsonToMap(body).contains(QStringLiteral("tags")));
    const QJsonArray entries = m_service.journal("/api/");
    QCOMPARE(entries.size(), 2);
    QCOMPARE(
        entries.at(1).toObject().value("target").toString(), QStringLiteral("/api/v2/clients?redirected=1"));
}

void NetworkManagerTest::redirectToItselfFails()
{
    QVERIFY(m_service.setFailure(QStringLiteral("/api/v2/clients"), QStringLiteral("redirect_loop")));
    NetworkManager network;
    bool ok = true;
    const QByteArray body = network.get(QString(), QStringLiteral("/api/v2/clients"), &ok);
    QVERIFY(!ok);
    QVERIFY(body.isEmpty());
    QCOMPARE(m_service.journal("/api/").size(), 1);

    // The addresses are the request's own: the next call on this object starts afresh.
    m_service.clearFailures();
    network.get(QString(), QStringLiteral("/api/v2/clients"), &ok);
    QVERIFY(ok);
}

void NetworkManagerTest::hostileReplies_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("params"); // k=v&k=v; %1 is the plain http port
    QTest::addColumn<bool>("tls"); // asked on the TLS port, its certificate trusted
    QTest::addColumn<bool>("ignoreSsl");
    QTest::addColumn<bool>("download");
    QTest::addColumn<QString>("logged"); // the one log line; empty: success
    const QString big = QStringLiteral("reply stopped, larger than ");
    QTest::newRow("announced too large: refused unread") << "/api/v2/clients" << "drip" << "size=5000000&announced=1&delay_ms=300" << false << false << false << big + "4194304";
    QTest::newRow("huge body, chunked") << "/api/v2/clients" << "huge" << "size=1000000000&chunked=1" << false << false << false << big + "4194304";
    QTest::newRow("huge body, chunked, all at once") << "/api/v2/clients" << "huge" << "size=5000000&chunked=1" << false << false << false << big + "4194304";
    QTest::newRow("a picture may be larger") << "/downloads/a.jpg" << "huge" << "size=5000000" << false << false << true << "";
    QTest::newRow("huge picture") << "/downloads/a.jpg" << "huge" << "size=260000000" << false << false << true << big + "250000000";
    QTest::newRow("slow drip: the whole deadline") << "/api/v2/clients" << "drip" << "delay_ms=300" << false << false << false << "reply stopped, not complete after 1500 ms";
    QTest::newRow("3xx without a target") << "/api/v2/clients" << "status" << "status=302" << false << false << false << "redirect without a target, status 302";
    QTest::newRow("10 distinct redirects") << "/api/v2/clients" << "redirect_chain" << "hops=10" << false << false << false << "";
    QTest::newRow("11 distinct redirects") << "/api/v2/clients" << "redirect_chain" << "hops=11" << false << false << false << "redirect refused, more than 10 redirects";
    QTest::newRow("relative redirect") << "/downloads/moved.jpg" << "redirect_to" << "location=/downloads/photo.jpg" << false << false << true << "";
    const QString toHttp = QStringLiteral("location=http://127.0.0.1:%1/api/v2/clients");
    QTest::newRow("https to http") << "/api/v2/moved" << "redirect_to" << toHttp << true << false << false << "redirect refused, https to http";
    QTest::newRow("https to http, kIgnoreSslErrors") << "/api/v2/moved" << "redirect_to" << toHttp << true << true << false << "";
}

void NetworkManagerTest::hostileReplies()
{
    QFETCH(QString, path);
    QFETCH(QString, mode);
    QFETCH(QString, params);
    QFETCH(bool, tls);
    QFETCH(bool, ignoreSsl);
    QFETCH(bool, download);
    QFETCH(QString, logged);
    QMap<QString, QString> failure;
    const QString filled = params.contains(QLatin1String("%1")) ? params.arg(m_service.httpPort()) : params;
    for (const QString &pair : filled.split(QLatin1Char('&')))
        failure.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    QVERIFY(m_service.setFailure(path, mode, failure));
    Settings::setValue(QStringLiteral("kIgnoreSslErrors"), ignoreSsl);
    const QSslConfiguration before = QSslConfiguration::defaultConfiguration();
    if (tls) {
        QSslConfiguration trusting = before;
        trusting.addCaCertificates(QSslCertificate::fromPath(m_service.certificatePath()));
        QSslConfiguration::setDefaultConfiguration(trusting);
    }
    const QString url = (tls ? m_service.httpsUrl() : m_service.baseUrl()) + path;
    const QString target = tempPath(QStringLiteral("hostile.jpg"));
    QFile::remove(target);

    g_logLines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureLog);
    NetworkManager network;
    bool ok = false;
    if (download)
        ok = network.downloadToFile(url, target);
    else
        network.get(url, QString(), &ok);
    qInstallMessageHandler(previous);
    QSslConfiguration::setDefaultConfiguration(before);

    QCOMPARE(ok, logged.isEmpty());
    QCOMPARE(QFileInfo::exists(target), download && ok);
    if (!ok) {
        QCOMPARE(g_logLines.size(), 1);
        QVERIFY2(g_logLines.first().contains(logged), qPrintable(g_logLines.first()));
    }
}

void NetworkManagerTest::redirectOnlyToHttpAndHttps_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("logged");
    QTest::newRow("file") << "file:///etc/passwd"
                          << "file:///etc/passwd";
    QTest::newRow("file, query kept out of the log") << "file:///etc/passwd?secret=s3"
                                                     << "file:///etc/passwd";
    QTest::newRow("qrc") << "qrc:/images/icon_128x128.png"
                         << "qrc:/images/icon_128x128.png";
    QTest::newRow("data") << "data:text/plain,not%20from%20the%20network"
                          << "data:text/plain,not from the network";
    QTest::newRow("ftp") << "ftp://127.0.0.1/x.jpg"
                         << "ftp://127.0.0.1/x.jpg";
}

void NetworkManagerTest::redirectOnlyToHttpAndHttps()
{
    QFETCH(QString, location);
    QFETCH(QString, logged);
    QVERIFY(m_service.setFailure(QStringLiteral("/downloads/moved.jpg"), QStringLiteral("redirect_to"),
        { { QStringLiteral("location"), location } }));
    const QString url = m_service.baseUrl() + QStringLiteral("/downloads/moved.jpg");
    const QString message = QStringLiteral("ERROR: redirect refused, not http or https: \"%1\"").arg(logged);

    NetworkManager network;
    bool ok = true;
    QTest::ignoreMessage(QtDebugMsg, qPrintable(message));
    QVERIFY(network.get(url, QString(), &ok).isEmpty());
    QVERIFY(!ok);

    const QString target = tempPath(QStringLiteral("moved.jpg"));
    QFile::remove(target);
    QTest::ignoreMessage(QtDebugMsg, qPrintable(message));
    QVERIFY(!network.downloadToFile(url, target));
    QVERIFY(!QFileInfo::exists(target));
    QCOMPARE(m_service.journal("/downloads/").size(), 2);
}

void NetworkManagerTest::errorBodyReturned_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("401") << 401 << "Sign in first.";
    QTest::newRow("404") << 404 << "Not here.";
    QTest::newRow("422") << 422 << "Bad e-mail.";
    QTest::newRow("500") << 500 << "Broken.";
}

void NetworkManagerTest::errorBodyReturned()
{
    QFETCH(int, status);
    QFETCH(QString, message);
    QVERIFY(m_service.setFailure(QStringLiteral("/api/v2/clients"), QStringLiteral("http_error"),
        { { QStringLiteral("status"), QString::number(status) }, { QStringLiteral("message"), message } }));
    NetworkManager network;
    bool ok = true;
    const QByteArray body = network.get(QString(), QStringLiteral("/api/v2/clients"), &ok);
    QVERIFY(!ok);
    QCOMPARE(NetworkManager::jsonToMap(body).value(QStringLiteral("message")).toString(), message);
}

void NetworkManagerTest::putWithoutBodySendsNothing()
{
    NetworkManager network;
    bool ok = true;
    const QByteArray body = network.synchronousCall(
        Put, QString(), QStringLiteral("/api/v2/users/x"), QByteArray(), true, {}, nullptr, nullptr, &ok);
    QVERIFY(!ok);
    QVERIFY(body.isEmpty());
    ok = true;
    network.synchronousCall(HttpMethod(7), QString(), QStringLiteral("/api/v2/clients"), QByteArray(), true,
        {}, nullptr, nullptr, &ok);
    QVERIFY(!ok);
    QVERIFY(m_service.journal().isEmpty());
}

void NetworkManagerTest::downloadToFile()
{
    QVERIFY(m_service.setConfig(QStringLiteral("installer_size"), QStringLiteral("20000")));
    const QString target = tempPath(QStringLiteral("whole.bin"));
    NetworkManager network;
    QVERIFY(network.downloadToFile(m_service.baseUrl() + QStringLiteral("/downloads/whole.bin"), target));
    QCOMPARE(QFileInfo(target).size(), qint64(20000));
    m_service.resetConfig();
}

void NetworkManagerTest::downloadEmptyBodyLeavesTargetAlone()
{
    const QString target = tempPath(QStringLiteral("kept.jpg"));
    {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("the old picture");
    }
    QVERIFY(m_service.setFailure(QStringLiteral("/downloads/kept.jpg"), QStringLiteral("empty")));
    NetworkManager network;
    QVERIFY(!network.downloadToFile(m_service.baseUrl() + QStringLiteral("/downloads/kept.jpg"), target));
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArrayLiteral("the old picture"));
}

void NetworkManagerTest::interruptedDownloadLeavesNoFile()
{
    const QString dir = fotoria::test::testHome() + QStringLiteral("/interrupted");
    QDir().mkpath(dir);
    QVERIFY(m_service.setFailure(QStringLiteral("/downloads/cut.jpg"), QStringLiteral("hang")));
    NetworkManager network;
    QVERIFY(!network.downloadToFile(
        m_service.baseUrl() + QStringLiteral("/downloads/cut.jpg"), dir + "/cut.jpg"));
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList());

    // A failed HTTP reply with a body is no picture either.
    QVERIFY(m_service.setFailure(QStringLiteral("/downloads/error.jpg"), QStringLiteral("http_error"),
        { { QStringLiteral("status"), QStringLiteral("404") } }));
    QVERIFY(!network.downloadToFile(
        m_service.baseUrl() + QStringLiteral("/downloads/error.jpg"), dir + "/error.jpg"));
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void NetworkManagerTest::httpsRefusedUnlessAllowed()
{
    const QString url = m_service.httpsUrl() + QStringLiteral("/api/v2/clients");
    {
        NetworkManager network;
        bool ok = true;
        network.get(url, QString(), &ok);
        QVERIFY(!ok);
        QVERIFY(m_service.journal("/api/").isEmpty());
    }
    Settings::setValue(QStringLiteral("kIgnoreSslErrors"), true);
    {
        NetworkManager network;
        bool ok = false;
        const QByteArray body = network.get(url, QString(), &ok);
        QVERIFY(ok);
        QVERIFY(NetworkManager::jsonToMap(body).contains(QStringLiteral("tags")));
        QCOMPARE(onlyRequest("/api/").value("tls").toBool(), true);
    }
}

void NetworkManagerTest::hungReplyFailsAtTimeout()
{
    QVERIFY(m_service.setFailure(QStringLiteral("/api/v2/clients"), QStringLiteral("hang")));
    NetworkManager network;
    bool ok = true;
    const QByteArray body = network.get(QString(), QStringLiteral("/api/v2/clients"), &ok);
    QVERIFY(!ok);
    QVERIFY(body.isEmpty());

    // The same object still works once the service answers again.
    m_service.clearFailures();
    network.get(QString(), QStringLiteral("/api/v2/clients"), &ok);
    QVERIFY(ok);
}

void NetworkManagerTest::diskCacheForPositiveSize()
{
    QDir(NetworkManager::cacheDirectory()).removeRecursively();
    {
        NetworkManager network(nullptr, 0);
        bool ok = false;
        network.get(QString(), QStringLiteral("/api/v2/clients"), &ok);
        QVERIFY(ok);
    }
    QVERIFY(!QFileInfo::exists(NetworkManager::cacheDirectory()));
    {
        NetworkManager network(nullptr, 50);
        bool ok = false;
        network.get(QString(), QStringLiteral("/api/v2/clients"), &ok);
        QVERIFY(ok);
    }
    QVERIFY(QFileInfo(NetworkManager::cacheDirectory()).isDir());
}

void NetworkManagerTest::workerThreadCalls()
{
    // Pool threads make their own managers while the GUI thread rewrites the
    // shared base address.
    auto fetch = [] {
        NetworkManager network;
        bool ok = false;
        const QByteArray body = network.get(QString(), QStringLiteral("/api/v2/clients"), &ok);
        return ok && NetworkManager::jsonToMap(body).contains(QStringLiteral("tags"));
    };
    QList<QFuture<bool>> futures;
    for (int i = 0; i < 4; ++i)
        futures.append(QtConcurrent::run(fetch));
    for (int i = 0; i < 50; ++i)
        NetworkManager rewrite;
    for (QFuture<bool> &f : futures)
        QVERIFY(f.result());
    QCOMPARE(m_service.journal("/api/").size(), 4);
}

void NetworkManagerTest::cancelFromAnotherThread()
{
    // Long enough that only the cancel can end the hung transfer.
    Settings::setValue(QStringLiteral("kNetworkTimeout"), 600000);
    QVERIFY(m_service.setFailure(QStringLiteral("/downloads/held.jpg"), QStringLiteral("hang")));
    const QString url = m_service.baseUrl() + QStringLiteral("/downloads/held.jpg");
    const QString target = tempPath(QStringLiteral("held.jpg"));

    std::atomic<NetworkManager *> inWorker { nullptr };
    QSemaphore cancelled;
    QFuture<QPair<bool, bool>> result = QtConcurrent::run([&] {
        NetworkManager network;
        inWorker = &network;
        const bool first = network.downloadToFile(url, target);
        // The object stays alive until the GUI thread is done with it.
        cancelled.acquire();
        bool laterOk = true;
        network.get(QString(), QStringLiteral("/api/v2/clients"), &laterOk);
        return qMakePair(first, laterOk);
    });

    QTRY_COMPARE(m_service.journal("/downloads/").size(), 1);
    QVERIFY(inWorker.load());
    inWorker.load()->cancel();
    cancelled.release();
    QTRY_VERIFY(result.isFinished());
    QCOMPARE(result.result(), qMakePair(false, false));
    QVERIFY(!QFileInfo::exists(target));
    QVERIFY(m_service.journal("/api/").isEmpty());
    Settings::setValue(QStringLiteral("kNetworkTimeout"), 1500);
}

void NetworkManagerTest::jsonToMap_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("size");
    QTest::newRow("object") << QByteArray("{\"a\":1,\"b\":{\"c\":2}}") << 2;
    QTest::newRow("array") << QByteArray("[1,2]") << 0;
    QTest::newRow("broken") << QByteArray("{\"token\": \"abc\"") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("html") << QByteArray("<html></html>") << 0;
}

void NetworkManagerTest::jsonToMap()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, size);
    QCOMPARE(NetworkManager::jsonToMap(bytes).size(), size);
}

FOTORIA_TEST_MAIN(NetworkManagerTest)
#include "NetworkManagerTest.moc"
