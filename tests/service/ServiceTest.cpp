// The stand-in service, exercised through the real binary and real Qt
// network clients, the way the desktop client and the other tests use it.
#include "FotoriaService.h"
#include "TestMain.h"

#include <QImage>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QTcpSocket>

using fotoria::test::FotoriaService;
using Params = QMap<QString, QString>;

class ServiceTest : public QObject
{
    Q_OBJECT

private:
    struct Result {
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        int status = 0;
        QByteArray body;
        QUrl redirect;
        QList<QSslError> sslErrors;
    };

    // One request through QNetworkAccessManager, as the client makes them.
    Result send(const QByteArray &method, const QUrl &url, const QByteArray &body = QByteArray(),
                const QByteArray &token = QByteArray(), int transferTimeoutMs = 10000,
                const QSslConfiguration *ssl = nullptr)
    {
        QNetworkRequest request(url);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        request.setTransferTimeout(transferTimeoutMs);
        if (!token.isEmpty())
            request.setRawHeader("X-Auth-Token", token);
        if (ssl)
            request.setSslConfiguration(*ssl);
        QNetworkReply *reply = m_nam.sendCustomRequest(request, method, body);
        Result result;
        connect(reply, &QNetworkReply::sslErrors, this,
                [&result](const QList<QSslError> &errors) { result.sslErrors = errors; });
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!reply->isFinished())
            finished.wait(20000);
        result.error = reply->error();
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->isOpen())
            result.body = reply->readAll();
        result.redirect = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        reply->deleteLater();
        return result;
    }

    QUrl url(const QString &pathAndQuery) const { return QUrl(m_service.baseUrl() + pathAndQuery); }

    QByteArray signIn(const QByteArray &body, QJsonObject *user = nullptr)
    {
        const Result r = send("POST", url(QStringLiteral("/api/v3/tokens")), body);
        const QJsonObject o = QJsonDocument::fromJson(r.body).object();
        if (user)
            *user = o.value(QStringLiteral("user")).toObject();
        return o.value(QStringLiteral("token")).toString().toLatin1();
    }

    FotoriaService m_service;
    QNetworkAccessManager m_nam;

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_service.start(&error), qPrintable(error));
    }

    void init()
    {
        m_service.clearFailures();
        m_service.resetConfig();
        m_service.clearJournal();
    }

    void signIn_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QNetworkReply::NetworkError>("error");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("message");

        QTest::newRow("service account")
            << QByteArray(R"({"email": "desktop@fotoria.com", "password": "73051942kK", "desktop_version": "1.4.0.19"})")
            << 200 << QNetworkReply::NoError << "desktop@fotoria.com" << "";
        QTest::newRow("demo by e-mail, any case")
            << QByteArray(R"({"email": "Demo@Fotoria.com", "password": "demo1234"})") << 200
            << QNetworkReply::NoError << "demo@fotoria.com" << "";
        QTest::newRow("demo by user name")
            << QByteArray(R"({"fotoria_username": "demo", "password": "demo1234"})") << 200
            << QNetworkReply::NoError << "demo@fotoria.com" << "";
        QTest::newRow("wrong password")
            << QByteArray(R"({"email": "demo@fotoria.com", "password": "demo12345"})") << 401
            << QNetworkReply::AuthenticationRequiredError << "" << "Invalid email or password.";
        QTest::newRow("unknown account")
            << QByteArray(R"({"email": "nobody@fotoria.com", "password": "demo1234"})") << 401
            << QNetworkReply::AuthenticationRequiredError << "" << "Invalid email or password.";
        QTest::newRow("unconfirmed")
            << QByteArray(R"({"email": "unconfirmed@fotoria.com", "password": "demo1234"})") << 405
            << QNetworkReply::ContentOperationNotPermittedError << "" << "Email confirmation required.";
        QTest::newRow("not JSON") << QByteArray("password=") << 400
                                  << QNetworkReply::ProtocolInvalidOperationError << "" << "";
    }

    void signIn()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QNetworkReply::NetworkError, error);
        QFETCH(QString, email);
        QFETCH(QString, message);

        const Result r = send("POST", url(QStringLiteral("/api/v3/tokens")), body);
        QCOMPARE(r.status, status);
        QCOMPARE(r.error, error);
        const QJsonObject o = QJsonDocument::fromJson(r.body).object();
        if (!message.isEmpty())
            QCOMPARE(o.value(QStringLiteral("message")).toString(), message);
        if (status != 200) {
            QVERIFY(!o.contains(QStringLiteral("token")));
            return;
        }
        const QByteArray token = o.value(QStringLiteral("token")).toString().toLatin1();
        QVERIFY(token.size() >= 32);
        const QJsonObject user = o.value(QStringLiteral("user")).toObject();
        QCOMPARE(user.value(QStringLiteral("email")).toString(), email);
        const QString uuid = user.value(QStringLiteral("uuid")).toString();
        QVERIFY(!uuid.isEmpty());
        QVERIFY(user.value(QStringLiteral("account_url")).toString().startsWith(m_service.baseUrl()));

        // The token opens exactly this account's record.
        const Result mine = send("GET", url(QStringLiteral("/api/v2/users/") + uuid), {}, token);
        QCOMPARE(mine.status, 200);
        QCOMPARE(QJsonDocument::fromJson(mine.body).object().value(QStringLiteral("user")).toObject()
                     .value(QStringLiteral("uuid")).toString(), uuid);
        const Result noToken = send("GET", url(QStringLiteral("/api/v2/users/") + uuid));
        QCOMPARE(noToken.error, QNetworkReply::AuthenticationRequiredError);
        QVERIFY(!QJsonDocument::fromJson(noToken.body).object().value(QStringLiteral("message")).toString().isEmpty());

        // A second sign-in gives a new token; both stay valid.
        const QByteArray again = signIn(body);
        QVERIFY(!again.isEmpty());
        QVERIFY(again != token);
        QCOMPARE(send("GET", url(QStringLiteral("/api/v2/users/") + uuid), {}, token).status, 200);
    }

    void tokenOfOneUserDoesNotOpenAnother()
    {
        QJsonObject demo, desk;
        const QByteArray demoToken = signIn(R"({"email": "demo@fotoria.com", "password": "demo1234"})", &demo);
        signIn(R"({"email": "desktop@fotoria.com", "password": "73051942kK"})", &desk);
        const QString other = desk.value(QStringLiteral("uuid")).toString();
        QCOMPARE(send("GET", url(QStringLiteral("/api/v2/users/") + other), {}, demoToken).status, 401);
        QCOMPARE(send("PUT", url(QStringLiteral("/api/v2/users/") + other), R"({"email": "x@y.z"})", demoToken).status, 401);
    }

    void emailChange_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::newRow("valid") << QByteArray(R"({"email": "demo.new@fotoria.com"})") << 200;
        QTest::newRow("no @") << QByteArray(R"({"email": "demo.fotoria.com"})") << 422;
        QTest::newRow("taken") << QByteArray(R"({"email": "desktop@fotoria.com"})") << 422;
        QTest::newRow("missing") << QByteArray("{}") << 422;
    }

    void emailChange()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QJsonObject user;
        QByteArray token = signIn(R"({"fotoria_username": "demo", "password": "demo1234"})", &user);
        const QString uuid = user.value(QStringLiteral("uuid")).toString();
        const QString before = user.value(QStringLiteral("email")).toString();
        QCOMPARE(send("PUT", url(QStringLiteral("/api/v2/users/") + uuid), body, token).status, status);
        const QJsonObject after = QJsonDocument::fromJson(send("GET", url(QStringLiteral("/api/v2/users/") + uuid), {}, token).body)
                                      .object().value(QStringLiteral("user")).toObject();
        if (status == 200) {
            QCOMPARE(after.value(QStringLiteral("email")).toString(), QStringLiteral("demo.new@fotoria.com"));
            // Put it back for the other cases.
            QCOMPARE(send("PUT", url(QStringLiteral("/api/v2/users/") + uuid), R"({"email": "demo@fotoria.com"})", token).status, 200);
        } else {
            QCOMPARE(after.value(QStringLiteral("email")).toString(), before);
        }
    }

    void journalRecordsAndClears()
    {
        send("POST", url(QStringLiteral("/inputs/7c2e91d4?x=a+b%2Bc")), R"({"user": "demo@fotoria.com", "summary": "phonehome"})",
             "secret-token");
        m_service.journal(); // control paths are not journaled
        const QJsonArray all = m_service.journal();
        QCOMPARE(all.size(), 1);
        const QJsonObject e = all.at(0).toObject();
        QCOMPARE(e.value(QStringLiteral("method")).toString(), QStringLiteral("POST"));
        QCOMPARE(e.value(QStringLiteral("path")).toString(), QStringLiteral("/inputs/7c2e91d4"));
        QCOMPARE(e.value(QStringLiteral("query")).toObject().value(QStringLiteral("x")).toString(), QStringLiteral("a+b+c"));
        QCOMPARE(e.value(QStringLiteral("headers")).toObject().value(QStringLiteral("x-auth-token")).toString(),
                 QStringLiteral("secret-token"));
        QCOMPARE(e.value(QStringLiteral("json")).toObject().value(QStringLiteral("summary")).toString(), QStringLiteral("phonehome"));
        QCOMPARE(e.value(QStringLiteral("tls")).toBool(), false);
        QCOMPARE(m_service.journal(QStringLiteral("/inputs/")).size(), 1);
        QCOMPARE(m_service.journal(QStringLiteral("/track")).size(), 0);

        m_service.clearJournal();
        QCOMPARE(m_service.journal().size(), 0);
    }

    void logInputAnswersOk()
    {
        const Result r = send("POST", url(QStringLiteral("/inputs/7c2e91d4-3b58-4f0a-9e6d-12ab34cd56ef")), "not json at all");
        QCOMPARE(r.status, 200);
        QCOMPARE(QJsonDocument::fromJson(r.body).object().value(QStringLiteral("response")).toString(), QStringLiteral("ok"));
        QVERIFY(m_service.journal().at(0).toObject().value(QStringLiteral("json")).isNull());
    }

    void failureModes_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<Params>("params");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");

        QTest::newRow("http_error default") << "http_error" << Params() << 500 << QByteArray();
        QTest::newRow("http_error 401") << "http_error"
                                        << Params{{"status", "401"}, {"message", "Token expired."}}
                                        << 401 << QByteArray(R"({"message":"Token expired."})");
        QTest::newRow("empty") << "empty" << Params() << 200 << QByteArray();
        QTest::newRow("malformed") << "malformed" << Params() << 200 << QByteArray(R"({"token": "abc")");
        QTest::newRow("status") << "status" << Params{{"status", "418"}, {"body", "short and stout"}}
                                << 418 << QByteArray("short and stout");
        QTest::newRow("redirect") << "redirect" << Params() << 302 << QByteArray();
        QTest::newRow("redirect_loop") << "redirect_loop" << Params() << 302 << QByteArray();
        QTest::newRow("redirect_to") << "redirect_to" << Params{{"location", "file:///etc/passwd"}} << 302
                                     << QByteArray();
        QTest::newRow("redirect_chain") << "redirect_chain" << Params{{"hops", "2"}} << 302 << QByteArray();
        const QByteArray huge = "{\"message\": \"" + QByteArray(25, 'x') + "\"}";
        QTest::newRow("huge") << "huge" << Params{{"size", "40"}} << 200 << huge;
        QTest::newRow("huge, chunked") << "huge" << Params{{"size", "40"}, {"chunked", "1"}} << 200 << huge;
        QTest::newRow("drip") << "drip" << Params{{"size", "40"}, {"delay_ms", "5"}} << 200 << huge;
    }

    void failureModes()
    {
        QFETCH(QString, mode);
        QFETCH(Params, params);
        QFETCH(int, status);
        QFETCH(QByteArray, body);

        const QString path = QStringLiteral("/api/v2/clients");
        QVERIFY(m_service.setFailure(path, mode, params));
        const Result r = send("GET", url(path + QStringLiteral("?a=1")));
        QCOMPARE(r.status, status);
        if (!body.isEmpty())
            QCOMPARE(r.body, body);
        if (mode == QLatin1String("empty"))
            QVERIFY(r.body.isEmpty());
        if (mode == QLatin1String("malformed"))
            QVERIFY(QJsonDocument::fromJson(r.body).isNull());
        if (mode == QLatin1String("http_error"))
            QVERIFY(!QJsonDocument::fromJson(r.body).object().value(QStringLiteral("message")).toString().isEmpty());
        if (mode == QLatin1String("redirect")) {
            QCOMPARE(r.redirect.path(), path);
            QVERIFY(r.redirect.query().contains(QLatin1String("redirected=1")));
            const Result followed = send("GET", r.redirect);
            QCOMPARE(followed.status, 200);
            QVERIFY(QJsonDocument::fromJson(followed.body).object().contains(QStringLiteral("tags")));
        }
        if (mode == QLatin1String("redirect_to"))
            QCOMPARE(r.redirect, QUrl(params.value(QStringLiteral("location"))));
        if (mode == QLatin1String("redirect_chain"))
            QCOMPARE(r.redirect, url(path + QStringLiteral("?hop=1")));
        if (mode == QLatin1String("redirect_loop")) {
            QCOMPARE(r.redirect, url(path + QStringLiteral("?a=1")));
            QCOMPARE(send("GET", r.redirect).status, 302);
        }
        // Other paths are untouched, and clearing ends the failure.
        QCOMPARE(send("GET", url(QStringLiteral("/api/v3/dailys"))).status, 200);
        m_service.clearFailures();
        QCOMPARE(send("GET", url(path)).status, 200);
    }

    void slowAnswersNormallyAfterTheDelay()
    {
        const QString path = QStringLiteral("/api/v2/clients");
        QVERIFY(m_service.setFailure(path, QStringLiteral("slow"), {{"delay_ms", "400"}, {"count", "2"}}));
        const Result early = send("GET", url(path), {}, {}, 100);
        QCOMPARE(early.error, QNetworkReply::OperationCanceledError);
        const Result r = send("GET", url(path), {}, {}, 5000);
        QCOMPARE(r.status, 200);
        QVERIFY(QJsonDocument::fromJson(r.body).object().contains(QStringLiteral("tags")));
    }

    void failureCountRunsOut()
    {
        const QString path = QStringLiteral("/api/v2/desktop_versions/current");
        QVERIFY(m_service.setFailure(path, QStringLiteral("http_error"), {{"status", "503"}, {"count", "2"}}));
        QCOMPARE(send("GET", url(path)).status, 503);
        QCOMPARE(send("GET", url(path)).status, 503);
        QCOMPARE(send("GET", url(path)).status, 200);
    }

    void badSwitchesAreRefused()
    {
        QVERIFY(!m_service.setFailure(QStringLiteral("/api/v2/clients"), QStringLiteral("explode")));
        QVERIFY(!m_service.setFailure(QStringLiteral("/__journal"), QStringLiteral("hang")));
        QVERIFY(!m_service.setFailure(QStringLiteral("/x"), QStringLiteral("http_error"), {{"status", "abc"}}));
        QVERIFY(!m_service.setFailure(QStringLiteral("/x"), QStringLiteral("redirect_to")));
        QVERIFY(!m_service.setConfig(QStringLiteral("installer_size"), QStringLiteral("-1")));
        QVERIFY(!m_service.setConfig(QStringLiteral("colour"), QStringLiteral("blue")));
    }

    void hangTimesOutAndServiceGoesOn()
    {
        const QString path = QStringLiteral("/api/v3/dailys");
        QVERIFY(m_service.setFailure(path, QStringLiteral("hang")));
        const Result hung = send("GET", url(path), {}, {}, 300);
        QCOMPARE(hung.error, QNetworkReply::OperationCanceledError);
        QCOMPARE(hung.status, 0);
        // While one request is held, others are answered.
        const Result other = send("GET", url(QStringLiteral("/api/v2/clients")));
        QCOMPARE(other.status, 200);
        m_service.clearFailures();
        QCOMPARE(send("GET", url(path)).status, 200);
    }

    void stopsCleanlyWhileARequestIsHeld()
    {
        FotoriaService other;
        QString error;
        QVERIFY2(other.start(&error), qPrintable(error));
        QVERIFY(other.setFailure(QStringLiteral("/notifications"), QStringLiteral("hang")));
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), other.httpPort());
        QVERIFY(socket.waitForConnected(5000));
        socket.write("GET /notifications HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QVERIFY(socket.waitForBytesWritten(5000));
        QTRY_COMPARE(other.journal(QStringLiteral("/notifications")).size(), 1);
        QVERIFY(other.stop());
        // The held request never got an answer: the connection just ends.
        if (socket.state() == QAbstractSocket::ConnectedState)
            socket.waitForDisconnected(5000);
        QCOMPARE(socket.readAll(), QByteArray());
    }

    void httpsUsesSelfSignedCertificate()
    {
        const QUrl tlsUrl(m_service.httpsUrl() + QStringLiteral("/api/v2/clients"));
        // Untrusted by default: the client sees a certificate error.
        const Result untrusted = send("GET", tlsUrl);
        QCOMPARE(untrusted.error, QNetworkReply::SslHandshakeFailedError);
        QVERIFY(!untrusted.sslErrors.isEmpty());

        const QList<QSslCertificate> certs = QSslCertificate::fromPath(m_service.certificatePath());
        QCOMPARE(certs.size(), 1);
        QVERIFY(certs.first().isSelfSigned());
        const auto names = certs.first().subjectAlternativeNames();
        QVERIFY(names.values(QSsl::IpAddressEntry).contains(QStringLiteral("127.0.0.1")));
        QVERIFY(names.values(QSsl::DnsEntry).contains(QStringLiteral("localhost")));

        // Trusting exactly this certificate makes the same request succeed.
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.setCaCertificates(certs);
        // Connections are cached with the TLS settings they were opened with.
        m_nam.clearConnectionCache();
        const Result trusted = send("GET", tlsUrl, {}, {}, 10000, &ssl);
        QCOMPARE(trusted.error, QNetworkReply::NoError);
        QCOMPARE(trusted.status, 200);
        const QJsonArray journal = m_service.journal(QStringLiteral("/api/v2/clients"));
        QVERIFY(!journal.isEmpty());
        QCOMPARE(journal.last().toObject().value(QStringLiteral("tls")).toBool(), true);
    }

    void photosAreJpegsAtThreeSizes_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QSize>("size");
        QTest::newRow("full") << ".jpg" << QSize(1920, 1080);
        QTest::newRow("screen") << "-1024x576x.jpg" << QSize(1024, 576);
        QTest::newRow("thumbnail") << "-256x144.jpg" << QSize(256, 144);
    }

    void photosAreJpegsAtThreeSizes()
    {
        QFETCH(QString, suffix);
        QFETCH(QSize, size);
        const Result dailys = send("GET", url(QStringLiteral("/api/v3/dailys?date=2014-03-26T14:05:02.000+0100")));
        const QJsonArray list = QJsonDocument::fromJson(dailys.body).object().value(QStringLiteral("dailys")).toArray();
        QVERIFY(!list.isEmpty());
        for (const QJsonValue &v : list)
            QVERIFY(!v.toObject().value(QStringLiteral("title")).toString().isEmpty());
        QString full = list.at(0).toObject().value(QStringLiteral("url")).toString();
        QVERIFY(full.startsWith(m_service.baseUrl() + QStringLiteral("/photos/")));
        QVERIFY(full.endsWith(QLatin1String(".jpg")));
        const QString address = full.left(full.size() - 4) + suffix;

        const Result r = send("GET", QUrl(address));
        QCOMPARE(r.status, 200);
        QVERIFY(r.body.startsWith("\xff\xd8\xff"));
        const QImage image = QImage::fromData(r.body, "JPG");
        QCOMPARE(image.size(), size);
        // A photo, not a flat fill: it must not compress to nearly nothing.
        QVERIFY(r.body.size() > size.width() * size.height() / 40);
        QCOMPARE(send("GET", QUrl(address)).body, r.body); // stable between requests
    }

    void unknownPhotoIsNotFound()
    {
        QCOMPARE(send("GET", url(QStringLiteral("/photos/0000-256x144.jpg"))).status, 404);
        QCOMPARE(send("GET", url(QStringLiteral("/photos/..%2F..%2Fetc%2Fpasswd"))).status, 404);
    }

    void pagesAndPictures_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("type");
        QTest::newRow("gallery") << "/gallery/home" << 200 << QByteArray("text/html");
        QTest::newRow("channel") << "/gallery/night-sky" << 200 << QByteArray("text/html");
        QTest::newRow("unknown channel") << "/gallery/kittens" << 404 << QByteArray("text/html");
        QTest::newRow("notice") << "/notifications" << 200 << QByteArray("text/html");
        QTest::newRow("help") << "/howto" << 200 << QByteArray("text/html");
        QTest::newRow("calendar") << "/calendar?size=1&past_months=0&future_months=0&first_day=0" << 200 << QByteArray("text/html");
        QTest::newRow("welcome 1") << "/onboarding/onboarding-1.png" << 200 << QByteArray("image/png");
        QTest::newRow("welcome 3") << "/onboarding/onboarding-3.png" << 200 << QByteArray("image/png");
        QTest::newRow("welcome 2, scaled screen") << "/onboarding/onboarding-2.png?scale=2" << 200 << QByteArray("image/png");
        QTest::newRow("no welcome at scale 3") << "/onboarding/onboarding-2.png?scale=3" << 404 << QByteArray("application/json");
        QTest::newRow("no welcome 4") << "/onboarding/onboarding-4.png" << 404 << QByteArray("application/json");
        QTest::newRow("unknown API") << "/api/v9/nothing" << 404 << QByteArray("application/json");
    }

    void pagesAndPictures()
    {
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(QByteArray, type);
        QNetworkRequest request(url(path));
        QNetworkReply *reply = m_nam.get(request);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(finished.wait(20000));
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
        QVERIFY(reply->header(QNetworkRequest::ContentTypeHeader).toByteArray().startsWith(type));
        const QByteArray body = reply->readAll();
        reply->deleteLater();
        if (status == 200) // the client only shows a notice longer than 32 bytes
            QVERIFY(body.size() > 32);
        else
            QVERIFY(!QJsonDocument::fromJson(body).object().value(QStringLiteral("message")).toString().isEmpty()
                    || body.contains("Not found"));
        if (type == "image/png") {
            const QImage image = QImage::fromData(body, "PNG");
            QVERIFY(!image.isNull());
            QVERIFY(image.width() >= (path.endsWith("scale=2") ? 1520 : 640));
        }
    }

    void analyticsDocumentsAreDecoded_data()
    {
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<bool>("plusAsSpace");
        QTest::newRow("track, + as sent") << "/track" << false;
        QTest::newRow("track, + turned into space") << "/track" << true;
        QTest::newRow("engage") << "/engage" << false;
    }

    void analyticsDocumentsAreDecoded()
    {
        QFETCH(QString, endpoint);
        QFETCH(bool, plusAsSpace);
        // Grow the document until its Base64 holds "+", "/" and "=" padding.
        QVariantMap doc{{"event", "d-startup"}, {"properties", QVariantMap{{"client-info", "none"}}}};
        QByteArray base64;
        for (int i = 0; i < 500; ++i) {
            doc.insert(QStringLiteral("pad"), QString(i, QLatin1Char('~')) + QStringLiteral("?>"));
            base64 = QJsonDocument::fromVariant(doc).toJson().toBase64();
            if (base64.contains('+') && base64.contains('/') && base64.endsWith('='))
                break;
        }
        QVERIFY(base64.contains('+') && base64.endsWith('='));
        QByteArray wire = base64;
        if (plusAsSpace)
            wire.replace('+', "%20");

        const Result r = send("GET", QUrl(m_service.baseUrl() + endpoint + QStringLiteral("?data=") + QString::fromLatin1(wire),
                                          QUrl::TolerantMode));
        QCOMPARE(r.status, 200);
        QCOMPARE(r.body, QByteArray("1"));
        const QJsonArray journal = m_service.journal(endpoint);
        QCOMPARE(journal.size(), 1);
        QCOMPARE(journal.at(0).toObject().value(QStringLiteral("decoded")).toObject().toVariantMap(), doc);
    }

    void versionDocumentAndInstaller()
    {
        const QJsonObject v = QJsonDocument::fromJson(send("GET", url(QStringLiteral("/api/v2/desktop_versions/current"))).body).object();
        QCOMPARE(v.value(QStringLiteral("windows_version")).toString(), QStringLiteral("1.4.0.19"));
        QCOMPARE(v.value(QStringLiteral("linux_version")).toString(), QStringLiteral("1.4.0.19"));
        const QUrl link(v.value(QStringLiteral("windows_download_link")).toString());
        QVERIFY(link.toString().startsWith(m_service.baseUrl() + QStringLiteral("/downloads/")));
        const Result installer = send("GET", link);
        QCOMPARE(installer.status, 200);
        QCOMPARE(installer.body.size(), 65536);

        QVERIFY(m_service.setConfig(QStringLiteral("windows_version"), QStringLiteral("1.4.1.0")));
        QVERIFY(m_service.setConfig(QStringLiteral("installer_size"), QStringLiteral("8192")));
        QVERIFY(m_service.setConfig(QStringLiteral("download_link"), m_service.baseUrl() + QStringLiteral("/downloads/setup.exe")));
        const QJsonObject changed = QJsonDocument::fromJson(send("GET", url(QStringLiteral("/api/v2/desktop_versions/current"))).body).object();
        QCOMPARE(changed.value(QStringLiteral("windows_version")).toString(), QStringLiteral("1.4.1.0"));
        QCOMPARE(changed.value(QStringLiteral("windows_download_link")).toString(), m_service.baseUrl() + QStringLiteral("/downloads/setup.exe"));
        const Result small = send("GET", QUrl(changed.value(QStringLiteral("windows_download_link")).toString()));
        QCOMPARE(small.body.size(), 8192);
        QCOMPARE(small.body.left(1000), installer.body.left(1000)); // same bytes, shorter
    }
};

FOTORIA_TEST_GUILESS_MAIN(ServiceTest)
#include "ServiceTest.moc"
