// The REST interface the desktop client calls, plus the analytics and
// log-collection inputs it reports to.
#include "Router.h"

#include <QCryptographicHash>
#include <QDate>
#include <QJsonArray>
#include <QJsonObject>
#include <QUrl>

namespace fotoria::service {

namespace {

QString tokenOf(const httplib::Request &req)
{
    return qs(req.get_header_value("X-Auth-Token")).trimmed();
}

// Sign-in fields from a JSON body, or from a form body as older clients sent.
QJsonObject signInFields(const httplib::Request &req)
{
    const QJsonValue json = parseJson(req.body);
    if (json.isObject())
        return json.toObject();
    QJsonObject fields;
    for (const auto &p : req.params)
        fields.insert(qs(p.first), qs(p.second));
    return fields;
}

QString installerName(const QString &version, bool windows)
{
    return windows ? QStringLiteral("FotoriaSetup-%1.exe").arg(version)
                   : QStringLiteral("fotoria-%1-linux-x86_64.tar.gz").arg(version);
}

const char *const kTags[] = {"Landscapes", "Ocean", "Cityscapes", "Forest", "Desert", "Night Sky",
                             "Abstract", "Flowers", "Mountains", "Travel", "Architecture", "Wildlife"};

} // namespace

void installRestRoutes(Router &router)
{
    ServiceContext &ctx = router.context();

    router.post("/api/v3/tokens", [&ctx](const httplib::Request &req, httplib::Response &res, const RequestInfo &info) {
        const QJsonObject fields = signInFields(req);
        QString login = fields.value(QStringLiteral("email")).toString();
        if (login.isEmpty())
            login = fields.value(QStringLiteral("fotoria_username")).toString();
        const QString password = fields.value(QStringLiteral("password")).toString();
        if (login.isEmpty() || password.isEmpty()) {
            sendMessage(res, 400, QStringLiteral("Please enter your email and password."));
            return;
        }
        Account account;
        QString token;
        switch (ctx.accounts.signIn(login, password, &account, &token)) {
        case Accounts::SignIn::WrongCredentials:
            sendMessage(res, 401, QStringLiteral("Invalid email or password."));
            return;
        case Accounts::SignIn::Unconfirmed:
            // 405 is what the desktop client reads as "confirmation required".
            sendMessage(res, 405, QStringLiteral("Email confirmation required."));
            return;
        case Accounts::SignIn::Ok:
            break;
        }
        sendJson(res, 200, QJsonObject{{QStringLiteral("token"), token},
                                       {QStringLiteral("user"), Accounts::toJson(account, info.base)}});
    });

    // The web view's sign-in: a session cookie, then the gallery.
    router.get("/api/v3/tokens", [&ctx](const httplib::Request &req, httplib::Response &res, const RequestInfo &info) {
        const auto account = ctx.accounts.byToken(param(req, "auth_token"));
        const QString email = param(req, "email");
        if (account && email.compare(account->email, Qt::CaseInsensitive) == 0) {
            const QString session = ctx.accounts.newSession(account->uuid);
            res.set_header("Set-Cookie", ss(QStringLiteral("fotoria_session=%1; Path=/; HttpOnly").arg(session)));
        } else {
            res.set_header("Set-Cookie", "fotoria_session=; Path=/; Max-Age=0");
        }
        res.status = 302;
        res.set_header("Location", ss(info.base + QStringLiteral("/gallery/home")));
        res.set_content("", "text/plain");
    });

    router.get(R"(/api/v2/users/([^/]+))", [&ctx](const httplib::Request &req, httplib::Response &res, const RequestInfo &info) {
        const auto account = ctx.accounts.byToken(tokenOf(req));
        if (!account || account->uuid != qs(req.matches[1])) {
            sendMessage(res, 401, QStringLiteral("You need to sign in or sign up before continuing."));
            return;
        }
        sendJson(res, 200, QJsonObject{{QStringLiteral("user"), Accounts::toJson(*account, info.base)}});
    });

    router.put(R"(/api/v2/users/([^/]+))", [&ctx](const httplib::Request &req, httplib::Response &res, const RequestInfo &info) {
        const QString uuid = qs(req.matches[1]);
        const auto account = ctx.accounts.byToken(tokenOf(req));
        if (!account || account->uuid != uuid) {
            sendMessage(res, 401, QStringLiteral("You need to sign in or sign up before continuing."));
            return;
        }
        const QJsonObject body = parseJson(req.body).toObject();
        QString email = body.value(QStringLiteral("email")).toString();
        if (email.isEmpty())
            email = body.value(QStringLiteral("user")).toObject().value(QStringLiteral("email")).toString();
        const QString problem = ctx.accounts.changeEmail(uuid, email);
        if (!problem.isEmpty()) {
            sendMessage(res, 422, problem);
            return;
        }
        sendJson(res, 200, QJsonObject{{QStringLiteral("user"), Accounts::toJson(*ctx.accounts.byUuid(uuid), info.base)}});
    });

    router.get("/api/v2/desktop_versions/current", [&ctx](const httplib::Request &, httplib::Response &res, const RequestInfo &info) {
        const ConfigValues config = ctx.config.values();
        auto link = [&](const QString &version, bool windows) {
            return config.downloadLink.isEmpty()
                       ? info.base + QStringLiteral("/downloads/") + installerName(version, windows)
                       : config.downloadLink;
        };
        QJsonObject document{
            {QStringLiteral("windows_version"), config.windowsVersion},
            {QStringLiteral("windows_download_link"), link(config.windowsVersion, true)},
            {QStringLiteral("linux_version"), config.linuxVersion},
            {QStringLiteral("linux_download_link"), link(config.linuxVersion, false)},
            {QStringLiteral("osx_version"), config.windowsVersion},
            {QStringLiteral("osx_download_link"),
             info.base + QStringLiteral("/downloads/Fotoria-%1.dmg").arg(config.windowsVersion)},
        };
        // Every installer this service serves has the same bytes.
        if (config.installerSha256 != QLatin1String("none")) {
            const QString hash = !config.installerSha256.isEmpty()
                                     ? config.installerSha256
                                     : QString::fromLatin1(QCryptographicHash::hash(
                                                               ServiceContext::installerBytes(config.installerSize),
                                                               QCryptographicHash::Sha256)
                                                               .toHex());
            document.insert(QStringLiteral("windows_download_sha256"), hash);
            document.insert(QStringLiteral("linux_download_sha256"), hash);
        }
        sendJson(res, 200, document);
    });

    router.get(R"(/downloads/([^/]+))", [&ctx](const httplib::Request &, httplib::Response &res, const RequestInfo &) {
        sendBytes(res, ServiceContext::installerBytes(ctx.config.values().installerSize), "application/octet-stream");
    });

    router.get("/api/v2/clients", [](const httplib::Request &, httplib::Response &res, const RequestInfo &) {
        QJsonArray tags;
        int id = 1;
        for (const char *name : kTags) {
            const QString n = QString::fromLatin1(name);
            tags.append(QJsonObject{{QStringLiteral("id"), id++},
                                    {QStringLiteral("name"), n},
                                    {QStringLiteral("slug"), n.toLower().replace(QLatin1Char(' '), QLatin1Char('-'))}});
        }
        sendJson(res, 200, QJsonObject{{QStringLiteral("tags"), tags}});
    });

    router.get("/api/v3/dailys", [&ctx](const httplib::Request &req, httplib::Response &res, const RequestInfo &info) {
        // The client sends a full time stamp; only its date part matters.
        const QString text = param(req, "date");
        QDate date = text.isEmpty() ? QDate::currentDate() : QDate::fromString(text.left(10), Qt::ISODate);
        if (!date.isValid()) {
            sendMessage(res, 400, QStringLiteral("Invalid date."));
            return;
        }
        const QList<Photo> &photos = ctx.catalog.photos();
        QJsonArray dailys;
        for (int i = 0; i < 3; ++i) {
            const Photo &p = photos.at(int((date.toJulianDay() * 3 + i * 7) % photos.size()));
            dailys.append(QJsonObject{
                {QStringLiteral("url"), PhotoCatalog::fullUrl(info.httpBase, p)},
                {QStringLiteral("thumbnail_url"), PhotoCatalog::thumbUrl(info.httpBase, p)},
                {QStringLiteral("title"), p.title},
                {QStringLiteral("uuid"), p.uuid},
                {QStringLiteral("channel"), p.channel},
                {QStringLiteral("author"), p.author},
                {QStringLiteral("date"), date.toString(Qt::ISODate)},
            });
        }
        sendJson(res, 200, QJsonObject{{QStringLiteral("dailys"), dailys}});
    });

    // Analytics: the journal keeps the decoded document; the answer is "1".
    const Handler analytics = [](const httplib::Request &, httplib::Response &res, const RequestInfo &) {
        res.status = 200;
        res.set_content("1", "text/plain");
    };
    router.get("/track", analytics);
    router.get("/engage", analytics);
    router.post("/track", analytics);
    router.post("/engage", analytics);

    router.post(R"(/inputs/([^/]+))", [](const httplib::Request &, httplib::Response &res, const RequestInfo &) {
        sendJson(res, 200, QJsonObject{{QStringLiteral("response"), QStringLiteral("ok")}});
    });
}

} // namespace fotoria::service
