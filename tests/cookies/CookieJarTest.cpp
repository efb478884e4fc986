#include <FotoriaService.h>
#include <TestMain.h>
#include <WebPageScripts.h>

#include <apps/desktopclient/WebCookieSync.h>
#include <core/AutoSaver.h>
#include <core/CookieJar.h>
#include <core/FileLocations.h>
#include <core/Settings.h>

#include <QDataStream>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <memory>

namespace {

class InspectableJar : public CookieJar
{
public:
    using CookieJar::CookieJar;

    // Every cookie held, read from the file first like any other entry point.
    QList<QNetworkCookie> stored()
    {
        load();
        return allCookies();
    }

    QStringList names()
    {
        QStringList result;
        for (const QNetworkCookie &cookie : stored())
            result << QString::fromLatin1(cookie.name());
        result.sort();
        return result;
    }
};

// The object an AutoSaver saves.
class SaveCounter : public QObject
{
    Q_OBJECT
public:
    int saves = 0;
public slots:
    void save() { ++saves; }
};

const QUrl kSite(QStringLiteral("http://site.example/page"));

QNetworkCookie makeCookie(const QByteArray &name, int expiresInDays = 0, const QString &domain = {})
{
    QNetworkCookie cookie(name, "v");
    if (expiresInDays > 0)
        cookie.setExpirationDate(QDateTime::currentDateTimeUtc().addDays(expiresInDays));
    if (!domain.isEmpty())
        cookie.setDomain(domain);
    return cookie;
}

QByteArray fileText()
{
    QFile file(FileLocations::cookieFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes a "cookies" value the way QSettings stores a registered type: a
// variant in the Qt 4.0 stream encoding, every byte escaped.
void writeStoredCookies(quint32 version, const QByteArray &rawCookie)
{
    QByteArray value;
    QDataStream out(&value, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_0);
    out << quint32(127) << "QList<QNetworkCookie>" << version << quint32(1) << rawCookie;
    QByteArray escaped;
    for (const char c : std::as_const(value))
        escaped += "\\x" + QByteArray::number(quint8(c), 16).rightJustified(2, '0');
    ensureFolder(QFileInfo(FileLocations::cookieFile()).absolutePath());
    QFile file(FileLocations::cookieFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[General]\ncookies=@Variant(" + escaped + ")\n");
}

} // namespace

class CookieJarTest : public QObject
{
    Q_OBJECT
    fotoria::test::FotoriaService m_service;

private slots:
    void init();

    void cookiesSurviveRestart_data();
    void cookiesSurviveRestart();
    void keepUntilExitStartsEmpty();
    void acceptPolicies_data();
    void acceptPolicies();
    void keepPolicyExpiry_data();
    void keepPolicyExpiry();
    void storedVersion_data();
    void storedVersion();
    void engineStoreFollowsTheJar_data();
    void engineStoreFollowsTheJar();
    void burstOfChangesSavedOnce();
    void steadyChangesSavedByTheLimit();
    // Last: a reset marks the whole process as quitting.
    void resetRemovesTheFileForGood();
};

void CookieJarTest::init()
{
    QFile::remove(FileLocations::cookieFile());
    Settings::remove(QStringLiteral("cookies/acceptCookies"));
    Settings::remove(QStringLiteral("cookies/keepCookiesUntil"));
}

void CookieJarTest::cookiesSurviveRestart_data()
{
    QTest::addColumn<bool>("waitForAutoSave");
    QTest::newRow("saved after the delay") << true;
    QTest::newRow("saved when the jar goes") << false;
}

void CookieJarTest::cookiesSurviveRestart()
{
    QFETCH(bool, waitForAutoSave);
    auto first = std::make_unique<InspectableJar>(nullptr, 50, 1000);
    first->setAcceptPolicy(CookieJar::AcceptAlways);
    first->setBlockedCookies({ QStringLiteral("b.example"), QStringLiteral("a.example") });
    QVERIFY(first->setCookiesFromUrl({ makeCookie("kept", 30), makeCookie("zzSession") }, kSite));
    QVERIFY(!QFileInfo::exists(FileLocations::cookieFile()));
    if (waitForAutoSave) {
        QTRY_VERIFY(QFileInfo::exists(FileLocations::cookieFile()));
        // Saved without them, but still held for this session.
        QCOMPARE(first->names(), QStringList({ "kept", "zzSession" }));
    } else {
        first.reset();
    }
    // The sessions in it are the user's own.
    QCOMPARE(QFile::permissions(FileLocations::cookieFile()) & 0x0077, QFile::Permissions());

    InspectableJar second;
    QCOMPARE(second.names(), QStringList { QStringLiteral("kept") });
    QCOMPARE(second.acceptPolicy(), CookieJar::AcceptAlways);
    QCOMPARE(Settings::groupValue(QStringLiteral("cookies"), QStringLiteral("acceptCookies")).toString(),
        QStringLiteral("AcceptAlways"));
    QCOMPARE(
        second.blockedCookies(), (QStringList { QStringLiteral("a.example"), QStringLiteral("b.example") }));
    // Session cookies never reach the disk.
    QVERIFY(fileText().contains("kept"));
    QVERIFY(!fileText().contains("zzSession"));
}

void CookieJarTest::keepUntilExitStartsEmpty()
{
    {
        InspectableJar jar;
        QVERIFY(jar.setCookiesFromUrl({ makeCookie("earlier", 30) }, kSite));
    }
    QVERIFY(fileText().contains("earlier"));

    Settings::setGroupValue(QStringLiteral("cookies"), QStringLiteral("keepCookiesUntil"), "KeepUntilExit");
    {
        InspectableJar jar;
        QVERIFY(jar.stored().isEmpty());
        QVERIFY(jar.setCookiesFromUrl({ makeCookie("thisRun", 30) }, kSite));
        QVERIFY(!jar.cookiesForUrl(kSite).isEmpty());
    }
    // Nothing of this run is left on disk for the next one.
    QVERIFY(QFileInfo::exists(FileLocations::cookieFile()));
    QVERIFY(!fileText().contains("thisRun"));
    QVERIFY(!fileText().contains("earlier"));
}

void CookieJarTest::acceptPolicies_data()
{
    // exceptions: the jar's property that lists `listedHost`, if any.
    QTest::addColumn<int>("policy");
    QTest::addColumn<QString>("exceptions");
    QTest::addColumn<QString>("listedHost");
    QTest::addColumn<QString>("cookieDomain");
    QTest::addColumn<bool>("stored");

    const int fromSites = CookieJar::AcceptOnlyFromSitesNavigatedTo;
    const int always = CookieJar::AcceptAlways;
    const int never = CookieJar::AcceptNever;
    // clang-format off
    QTest::newRow("site navigated to")              << fromSites << ""                       << ""              << ""               << true;
    QTest::newRow("another site's cookie")          << fromSites << ""                       << ""              << ".other.example" << false;
    QTest::newRow("blocked host")                   << fromSites << "blockedCookies"         << "site.example"  << ""               << false;
    QTest::newRow("always: another site's cookie")  << always    << ""                       << ""              << ".other.example" << true;
    QTest::newRow("always: blocked host")           << always    << "blockedCookies"         << "site.example"  << ""               << false;
    QTest::newRow("never")                          << never     << ""                       << ""              << ""               << false;
    QTest::newRow("never: allowed host")            << never     << "allowedCookies"         << "site.example"  << ""               << true;
    QTest::newRow("never: allowed for the session") << never     << "allowForSessionCookies" << "site.example"  << ""               << true;
    QTest::newRow("never: another host allowed")    << never     << "allowedCookies"         << "other.example" << ""               << false;
    QTest::newRow("private browsing")               << fromSites << "private"                << ""              << ""               << false;
    // clang-format on
}

void CookieJarTest::acceptPolicies()
{
    QFETCH(int, policy);
    QFETCH(QString, exceptions);
    QFETCH(QString, listedHost);
    QFETCH(QString, cookieDomain);
    QFETCH(bool, stored);

    InspectableJar jar;
    jar.setAcceptPolicy(CookieJar::AcceptPolicy(policy));
    jar.setPrivateBrowsing(exceptions == QLatin1String("private"));
    if (!listedHost.isEmpty())
        QVERIFY(jar.setProperty(qPrintable(exceptions), QStringList { listedHost }));
    QCOMPARE(jar.setCookiesFromUrl({ makeCookie("c", 0, cookieDomain) }, kSite), stored);
    QCOMPARE(jar.names(), stored ? QStringList { QStringLiteral("c") } : QStringList());
}

void CookieJarTest::keepPolicyExpiry_data()
{
    QTest::addColumn<int>("keep");
    QTest::addColumn<int>("expiresInDays"); // 0: a session cookie
    QTest::addColumn<int>("keptDays");
    QTest::newRow("limit: a year is cut to 90 days") << int(CookieJar::KeepUntilTimeLimit) << 365 << 90;
    QTest::newRow("limit: 10 days stay") << int(CookieJar::KeepUntilTimeLimit) << 10 << 10;
    QTest::newRow("limit: session stays session") << int(CookieJar::KeepUntilTimeLimit) << 0 << 0;
    QTest::newRow("until expiry: a year stays") << int(CookieJar::KeepUntilExpire) << 365 << 365;
}

void CookieJarTest::keepPolicyExpiry()
{
    QFETCH(int, keep);
    QFETCH(int, expiresInDays);
    QFETCH(int, keptDays);

    InspectableJar jar;
    jar.setKeepPolicy(CookieJar::KeepPolicy(keep));
    QVERIFY(jar.setCookiesFromUrl({ makeCookie("c", expiresInDays) }, kSite));
    QCOMPARE(jar.stored().size(), 1);
    const QNetworkCookie cookie = jar.stored().first();
    QCOMPARE(cookie.isSessionCookie(), keptDays == 0);
    if (keptDays > 0) {
        const qint64 offBy
            = cookie.expirationDate().secsTo(QDateTime::currentDateTimeUtc().addDays(keptDays));
        QVERIFY2(qAbs(offBy) < 3600, qPrintable(cookie.expirationDate().toString(Qt::ISODate)));
    }
}

void CookieJarTest::storedVersion_data()
{
    QTest::addColumn<quint32>("version");
    QTest::addColumn<int>("loaded");
    QTest::newRow("23: read") << quint32(23) << 1;
    QTest::newRow("24: foreign, empty jar") << quint32(24) << 0;
    QTest::newRow("0: foreign, empty jar") << quint32(0) << 0;
}

void CookieJarTest::storedVersion()
{
    QFETCH(quint32, version);
    QFETCH(int, loaded);
    // A file size of its own per row: QSettings keeps a parsed file while its
    // size and time stay the same, and rows are written within a millisecond.
    writeStoredCookies(version, makeCookie(QByteArray(int(version) + 1, 'c'), 30).toRawForm());
    InspectableJar jar;
    QCOMPARE(jar.stored().size(), loaded);
    // Written open to others as by an older version: narrowed when read.
    QCOMPARE(QFile::permissions(FileLocations::cookieFile()) & 0x0077, QFile::Permissions());
}

void CookieJarTest::engineStoreFollowsTheJar_data()
{
    QTest::addColumn<bool>("fromFile"); // else set in the engine, as a page's answer does
    QTest::addColumn<bool>("blocked");
    QTest::addColumn<bool>("session");
    QTest::addColumn<bool>("droppedByEngine");
    QTest::addColumn<bool>("inStore");
    QTest::addColumn<bool>("inFile");
    // clang-format off
    QTest::newRow("file of this version")  << true  << false << false << false << true  << true;
    QTest::newRow("page's cookie")         << false << false << false << false << true  << true;
    QTest::newRow("page's session cookie") << false << false << true  << false << true  << false;
    QTest::newRow("blocked host")          << false << true  << false << false << false << false;
    QTest::newRow("dropped by the page")   << false << false << false << true  << false << false;
    // clang-format on
}

void CookieJarTest::engineStoreFollowsTheJar()
{
    QFETCH(bool, fromFile);
    QFETCH(bool, blocked);
    QFETCH(bool, session);
    QFETCH(bool, droppedByEngine);
    QFETCH(bool, inStore);
    QFETCH(bool, inFile);
    if (!m_service.isRunning()) {
        QString error;
        QVERIFY2(m_service.start(&error), qPrintable(error));
    }
    const QUrl site(m_service.baseUrl() + QStringLiteral("/gallery/home"));
    // Kept by the host alone, as a page's cookie without a Domain is.
    QNetworkCookie cookie = makeCookie("engineCookie", session ? 0 : 30);
    if (fromFile) {
        cookie.setDomain(site.host());
        writeStoredCookies(23, cookie.toRawForm());
    }
    InspectableJar jar;
    if (blocked)
        jar.setBlockedCookies({ site.host() });
    QWebEngineProfile profile; // off the record: nothing of the engine's on disk
    QWebEnginePage page(&profile);
    WebCookieSync sync(profile.cookieStore(), &jar);
    if (!fromFile) {
        // A page's cookie comes once the engine runs (a cookie set earlier
        // is handed in at its start, announced by no signal).
        QVERIFY(fotoria::test::loadPage(&page, QUrl(QStringLiteral("about:blank"))));
        profile.cookieStore()->setCookie(cookie, site);
    }
    const auto inJar = [&jar] { return jar.names().contains(QStringLiteral("engineCookie")); };
    if (droppedByEngine) {
        QTRY_VERIFY(inJar());
        profile.cookieStore()->deleteCookie(cookie, site);
    }
    QTRY_COMPARE(inJar(), inStore);

    // What the engine sends the site is what it holds.
    m_service.clearJournal();
    QVERIFY(fotoria::test::loadPage(&page, site));
    const QJsonArray sent = m_service.journal(QStringLiteral("/gallery/home"));
    QCOMPARE(sent.size(), 1);
    const QString header = sent.first().toObject().value("headers").toObject().value("cookie").toString();
    QCOMPARE(header.contains(QLatin1String("engineCookie=v")), inStore);
    jar.save();
    QCOMPARE(fileText().contains("engineCookie"), inFile);
}

void CookieJarTest::burstOfChangesSavedOnce()
{
    SaveCounter owner;
    AutoSaver saver(&owner, 100, 300);
    for (int i = 0; i < 5; ++i)
        saver.changeOccurred();
    QCOMPARE(owner.saves, 0);
    QTRY_COMPARE(owner.saves, 1);
    QTest::qWait(300);
    QCOMPARE(owner.saves, 1);
    QVERIFY(!saver.isPending());
    // A burst after the save waits the delay again: the limit counts from
    // its own first change, not from the first burst's.
    saver.changeOccurred();
    QCoreApplication::processEvents();
    QCOMPARE(owner.saves, 1);
    QTRY_COMPARE(owner.saves, 2);
}

void CookieJarTest::steadyChangesSavedByTheLimit()
{
    // The delay after the last change never passes while changes keep
    // coming; only the limit from the first change can cause the saves.
    SaveCounter owner;
    AutoSaver saver(&owner, 600000, 200);
    QTimer changes;
    connect(&changes, &QTimer::timeout, &saver, &AutoSaver::changeOccurred);
    changes.start(20);
    QTRY_VERIFY(owner.saves >= 2);
    changes.stop();
}

void CookieJarTest::resetRemovesTheFileForGood()
{
    {
        InspectableJar jar;
        QVERIFY(jar.setCookiesFromUrl({ makeCookie("beforeReset", 30) }, kSite));
    }
    QVERIFY(QFileInfo::exists(FileLocations::cookieFile()));

    InspectableJar jar;
    QVERIFY(jar.setCookiesFromUrl({ makeCookie("pending", 30) }, kSite));
    Settings::reset();
    QVERIFY(!QFileInfo::exists(FileLocations::cookieFile()));
    // The change still pending at the quit does not bring the file back.
    jar.save();
    QVERIFY(!QFileInfo::exists(FileLocations::cookieFile()));
    QVERIFY(!Settings::contains(QStringLiteral("cookies/acceptCookies")));
}

FOTORIA_TEST_MAIN(CookieJarTest)
#include "CookieJarTest.moc"
