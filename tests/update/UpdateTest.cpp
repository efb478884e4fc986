#include <FotoriaService.h>
#include <TestMain.h>

#include <systray/ADownloadUpdateDialog.h>
#include <systray/AutoUpdate.h>
#include <systray/UpdateFailureNote.h>

#include <core/Settings.h>
#include <platform/UpdateHandOver.h>

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSslConfiguration>

#include <unistd.h>

using fotoria::test::FotoriaService;

class UpdateTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void check_data();
    void check();
    void checkFailures_data();
    void checkFailures();
    void stoppedWhileTheServiceHangs_data();
    void stoppedWhileTheServiceHangs();
    void otherPlatformKeysIgnored();
    void installerPathFromLink();
    void download_data();
    void download();
    void largeErrorPageIsNoInstaller_data();
    void largeErrorPageIsNoInstaller();
    void installerLinkAndHash_data();
    void installerLinkAndHash();
    void installerNeverFollowsALink_data();
    void installerNeverFollowsALink();
    void applyHandsOverTheDownloadedInstaller();
    void secondDownloadReplacesFirst();
    void stopWhileDownloading();
    void versionComparison_data();
    void versionComparison();
    void installerFileName_data();
    void installerFileName();
    void dialogStates();
    void launchWithoutScriptKeepsRunning();
    void scriptInstalls_data();
    void scriptInstalls();

private:
    FotoriaService m_service;
};

namespace {

struct CheckResult
{
    QList<QPair<bool, QString>> newVersion;
    int upToDate = 0;
    QStringList notInstallable; // "version: reason"
};

// Runs the check on a pool thread, as the controller does.
CheckResult runCheck(AutoUpdate &update, bool ignoreSensitivity, bool showUpToDate)
{
    CheckResult result;
    QObject::connect(
        &update, &AutoUpdate::NewVersionAvailable, &update,
        [&result](bool available, const QString &version) {
            result.newVersion.append({ available, version });
        },
        Qt::DirectConnection);
    QObject::connect(
        &update, &AutoUpdate::noUpdateAvailable_Signal, &update, [&result] { ++result.upToDate; },
        Qt::DirectConnection);
    QObject::connect(
        &update, &AutoUpdate::notInstallable_Signal, &update,
        [&result](const QString &version, const QString &reason) { result.notInstallable << version + ": " + reason; },
        Qt::DirectConnection);
    QFuture<void> future = update.checkInBackground(ignoreSensitivity, showUpToDate);
    future.waitForFinished();
    QObject::disconnect(&update, nullptr, &update, nullptr);
    return result;
}

QString notSecureReason()
{
    return QStringLiteral("1.5.0.0: its download address is not secure (it does not begin with https)");
}

bool makePrivateFolder(const QString &path)
{
    return QDir().mkpath(path)
        && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

void UpdateTest::initTestCase()
{
    QString error;
    QVERIFY2(m_service.start(&error), qPrintable(error));
    // The service's certificate is trusted, as a real one would be: links
    // are https and no certificate error is ignored.
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setCaCertificates(ssl.caCertificates() + QSslCertificate::fromPath(m_service.certificatePath()));
    QSslConfiguration::setDefaultConfiguration(ssl);
    Settings::setValue(QStringLiteral("kServiceUrl"), m_service.httpsUrl());
    Settings::setValue(QStringLiteral("kNetworkTimeout"), 3000);
}

void UpdateTest::init()
{
    Settings::setValue(QStringLiteral("kAutoUpdate"), 1);
    m_service.resetConfig();
    m_service.clearFailures();
    m_service.clearJournal();
}

void UpdateTest::cleanup()
{
    for (const QString &name : QDir(QDir::tempPath()).entryList({ QStringLiteral("fotoria-*") }, QDir::Files))
        QFile::remove(QDir::tempPath() + QLatin1Char('/') + name);
    const QString folder = platform::updateFolder();
    QVERIFY(folder.startsWith(fotoria::test::testHome() + QLatin1Char('/')));
    QFile::remove(folder); // when a link
    QDir(folder).removeRecursively();
}

void UpdateTest::check_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("ignoreSensitivity");
    QTest::addColumn<bool>("showUpToDate");
    QTest::addColumn<QString>("serviceVersion");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("newVersionSignals");
    QTest::addColumn<bool>("available");
    QTest::addColumn<int>("upToDate");
    QTest::addColumn<QString>("declined"); // the version the person said Cancel to

    QTest::newRow("mode 0: not even asked") << 0 << false << true << "9.0.0.0" << false << 1 << false << 0 << "";
    QTest::newRow("mode 0 by hand: asked, never newer")
        << 0 << true << true << "9.0.0.0" << true << 0 << false << 1 << "";
    QTest::newRow("mode 1: third number higher")
        << 1 << false << false << "1.4.1.0" << true << 1 << true << 0 << "";
    QTest::newRow("mode 1: fourth number higher")
        << 1 << false << true << "1.4.0.20" << true << 0 << false << 1 << "";
    QTest::newRow("mode 1: quiet when up to date")
        << 1 << false << false << "1.4.0.20" << true << 0 << false << 0 << "";
    QTest::newRow("mode 2: fourth number higher")
        << 2 << false << false << "1.4.0.20" << true << 1 << true << 0 << "";
    QTest::newRow("mode 2: fourth number lower")
        << 2 << false << false << "1.4.0.18" << true << 1 << true << 0 << "";
    QTest::newRow("mode 2: older") << 2 << false << true << "1.3.9.99" << true << 0 << false << 1 << "";
    QTest::newRow("mode 2: same") << 2 << false << true << "1.4.0.19" << true << 0 << false << 1 << "";
    QTest::newRow("mode 1: three parts") << 1 << false << true << "1.5.0" << true << 0 << false << 1 << "";
    QTest::newRow("declined: not offered by itself")
        << 1 << false << false << "1.4.1.0" << true << 1 << false << 0 << "1.4.1.0";
    QTest::newRow("declined: Check Now offers it") << 1 << true << true << "1.4.1.0" << true << 1 << true << 0
                                                   << "1.4.1.0";
    QTest::newRow("a newer one than the declined") << 1 << false << false << "1.4.2.0" << true << 1 << true << 0
                                                   << "1.4.1.0";
}

void UpdateTest::check()
{
    QFETCH(int, mode);
    QFETCH(bool, ignoreSensitivity);
    QFETCH(bool, showUpToDate);
    QFETCH(QString, serviceVersion);
    QFETCH(bool, asked);
    QFETCH(int, newVersionSignals);
    QFETCH(bool, available);
    QFETCH(int, upToDate);
    QFETCH(QString, declined);

    Settings::setValue(QStringLiteral("kAutoUpdate"), mode);
    Settings::setValue(QStringLiteral("kDeclinedVersion"), declined);
    QVERIFY(m_service.setConfig(QStringLiteral("linux_version"), serviceVersion));
    AutoUpdate update;
    const CheckResult result = runCheck(update, ignoreSensitivity, showUpToDate);

    QCOMPARE(m_service.journal("/api/v2/desktop_versions/current").size(), asked ? 1 : 0);
    QCOMPARE(result.newVersion.size(), newVersionSignals);
    if (newVersionSignals) {
        QCOMPARE(result.newVersion.first().first, available);
        QCOMPARE(result.newVersion.first().second, available ? serviceVersion : QStringLiteral("none"));
    }
    QCOMPARE(result.upToDate, upToDate);
    if (asked)
        QCOMPARE(update.availableVersion(), serviceVersion);
}

void UpdateTest::checkFailures_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("keepsVersion");
    QTest::newRow("HTTP error") << "http_error" << false;
    QTest::newRow("hung service") << "hang" << false;
    QTest::newRow("not JSON") << "malformed" << true;
    QTest::newRow("empty reply") << "empty" << true;
}

void UpdateTest::checkFailures()
{
    QFETCH(QString, mode);
    QFETCH(bool, keepsVersion);

    QVERIFY(m_service.setConfig(QStringLiteral("linux_version"), QStringLiteral("1.5.0.0")));
    AutoUpdate update;
    CheckResult result = runCheck(update, false, true);
    QCOMPARE(result.newVersion.size(), 1);
    QVERIFY(result.newVersion.first().first);

    QVERIFY(m_service.setFailure(QStringLiteral("/api/v2/desktop_versions/current"), mode));
    result = runCheck(update, false, true);
    if (keepsVersion) {
        // A useless answer leaves what the last good one said.
        QCOMPARE(result.newVersion.size(), 1);
        QCOMPARE(result.newVersion.first(), qMakePair(true, QStringLiteral("1.5.0.0")));
    } else {
        QCOMPARE(result.newVersion.size(), 1);
        QCOMPARE(result.newVersion.first(), qMakePair(false, QStringLiteral("none")));
        QCOMPARE(result.upToDate, 0);
    }
    QCOMPARE(update.availableVersion(), QStringLiteral("1.5.0.0"));
}

void UpdateTest::stoppedWhileTheServiceHangs_data()
{
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<int>("checks");
    QTest::newRow("deleted during one check") << true << 1;
    QTest::newRow("deleted during two checks") << true << 2;
    QTest::newRow("stopped, as at quit") << false << 1;
}

void UpdateTest::stoppedWhileTheServiceHangs()
{
    QFETCH(bool, deleted);
    QFETCH(int, checks);

    // Far beyond the test's own time-out: only a cancelled request ends in time.
    Settings::setValue(QStringLiteral("kNetworkTimeout"), 3600000);
    QVERIFY(m_service.setFailure(QStringLiteral("/api/v2/desktop_versions/current"), QStringLiteral("hang")));
    auto *update = new AutoUpdate;
    int answers = 0;
    connect(update, &AutoUpdate::NewVersionAvailable, this, [&answers] { ++answers; });
    connect(update, &AutoUpdate::noUpdateAvailable_Signal, this, [&answers] { ++answers; });
    QList<QFuture<void>> futures;
    for (int i = 0; i < checks; ++i)
        futures.append(update->checkInBackground(false, true));
    QTRY_COMPARE_WITH_TIMEOUT(m_service.journal("/api/v2/desktop_versions/current").size(), checks, 10000);

    if (deleted) {
        delete update;
        update = nullptr;
    } else {
        update->stopChecks();
    }
    Settings::setValue(QStringLiteral("kNetworkTimeout"), 3000);
    for (const QFuture<void> &future : futures)
        QVERIFY(future.isFinished());
    QTest::qWait(0);
    QCOMPARE(answers, 0);

    if (update) {
        // Nothing starts after a stop.
        m_service.clearFailures();
        QVERIFY(update->checkInBackground(false, true).isCanceled());
        QCOMPARE(m_service.journal("/api/v2/desktop_versions/current").size(), checks);
        delete update;
    }
}

void UpdateTest::otherPlatformKeysIgnored()
{
    QVERIFY(m_service.setConfig(QStringLiteral("windows_version"), QStringLiteral("9.0.0.0")));
    QVERIFY(m_service.setConfig(QStringLiteral("linux_version"), QStringLiteral("1.4.0.19")));
    AutoUpdate update;
    const CheckResult result = runCheck(update, false, true);
    QCOMPARE(result.newVersion.size(), 0);
    QCOMPARE(result.upToDate, 1);
    QVERIFY(update.downloadLink().contains(QStringLiteral("1.4.0.19")));
}

void UpdateTest::installerPathFromLink()
{
    QVERIFY(m_service.setConfig(QStringLiteral("linux_version"), QStringLiteral("1.5.0.0")));
    QVERIFY(m_service.setConfig(QStringLiteral("download_link"),
        m_service.baseUrl() + QStringLiteral("/downloads/fotoria-setup-1.5.run")));
    AutoUpdate update;
    runCheck(update, false, false);
    QCOMPARE(update.installerPath(),
        QDir::toNativeSeparators(platform::updateFolder() + QStringLiteral("/fotoria-setup-1.5.run")));
}

void UpdateTest::download_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("success");
    QTest::newRow("8192 bytes: an error page") << 8192 << false;
    QTest::newRow("8193 bytes: an installer") << 8193 << true;
    QTest::newRow("nothing") << 0 << false;
    QTest::newRow("a large installer") << 3000000 << true;
}

void UpdateTest::download()
{
    QFETCH(int, size);
    QFETCH(bool, success);

    QVERIFY(m_service.setConfig(QStringLiteral("linux_version"), QStringLiteral("1.5.0.0")));
    QVERIFY(m_service.setConfig(QStringLiteral("installer_size"), QString::number(size)));
    QVERIFY(m_service.setConfig(QStringLiteral("download_link"),
        m_service.httpsUrl() + QStringLiteral("/downloads/fotoria-1.5.0.0.run?channel=x")));
    AutoUpdate update;
    runCheck(update, false, false);
    const QString path = update.installerPath();
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("fotoria-1.5.0.0.run"));

    ADownloadUpdateDialog dialog(&update);
    dialog.prepare();
    QSignalSpy downloaded(&update, &AutoUpdate::UpdateDownloaded);
    QSignalSpy progress(&update, &AutoUpdate::Progress);
    update.startDownload();
    QVERIFY(update.isDownloading());
    QVERIFY(downloaded.wait(20000));
    QCOMPARE(downloaded.count(), 1);
    QCOMPARE(downloaded.first().first().toBool(), success);
    update.stopDownload(0);
    QVERIFY(!update.isDownloading());

    if (success) {
        QCOMPARE(QFileInfo(path).size(), qint64(size));
        QCOMPARE(dialog.messageLabel()->text(), QStringLiteral("Update downloaded"));
        QCOMPARE(dialog.progressBar()->maximum(), size);
        QCOMPARE(progress.last().first().toInt(), size);
    } else {
        QCOMPARE(update.errorText(), QStringLiteral("File not found!"));
        QCOMPARE(dialog.messageLabel()->text(), QStringLiteral("Error: File not found!"));
        QVERIFY(!QFileInfo::exists(path));
    }
}

void UpdateTest::largeErrorPageIsNoInstaller_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("error"); // empty: anything but "File not found!"
    QTest::newRow("an error page over 8192 bytes") << "http_error" << "";
    QTest::newRow("larger than any installer may be")
        << "huge" << "The download was too large or did not finish in time.";
}

void UpdateTest::largeErrorPageIsNoInstaller()
{
    QFETCH(QString, mode);
    QFETCH(QString, error);
    QVERIFY(m_service.setConfig(QStringLiteral("linux_version"), QStringLiteral("1.5.0.0")));
    AutoUpdate update;
    runCheck(update, false, false);
    const QString link = update.downloadLink();
    // Control characters grow six-fold as JSON escapes: a page of over 8192
    // bytes from a short request.
    QVERIFY(m_service.setFailure(QUrl(link).path(), mode,
        { { QStringLiteral("status"), QStringLiteral("404") },
            { QStringLiteral("message"), QString(2000, QChar(1)) },
            { QStringLiteral("size"), QStringLiteral("260000000") } }));
    QSignalSpy downloaded(&update, &AutoUpdate::UpdateDownloaded);
    update.startDownload();
    QVERIFY(downloaded.wait(20000));
    QCOMPARE(downloaded.first().first().toBool(), false);
    QVERIFY(!update.errorText().isEmpty());
    QVERIFY(update.errorText() != QStringLiteral("File not found!"));
    if (!error.isEmpty())
        QCOMPARE(update.errorText(), error);
    QVERIFY(!QFileInfo::exists(update.installerPath()));
}

void UpdateTest::installerLinkAndHash_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<bool>("ignoreSslErrors");
    QTest::addColumn<QString>("announcedHash"); // empty: the installer's own
    QTest::addColumn<bool>("success");
    QTest::addColumn<QString>("error"); // the dialog's text on failure

    const QString wrongHash(64, QLatin1Char('0'));
    const QString damaged
        = "Error: The downloaded update is damaged (its checksum does not match). Try again later.";
    const QString notSecure = "Error: The update cannot be installed: its download address is not secure "
                              "(it does not begin with https).";
    QTest::newRow("https, hash matches") << "https" << false << "" << true << "";
    QTest::newRow("https, no hash announced") << "https" << false << "none" << true << "";
    QTest::newRow("https, hash differs") << "https" << false << wrongHash << false << damaged;
    QTest::newRow("https, hash in capitals matches") << "https" << false << "upper" << true << "";
    QTest::newRow("plain http refused") << "http" << false << "" << false << notSecure;
    QTest::newRow("plain http to a test service") << "http" << true << "" << true << "";
    QTest::newRow("file: even for a test service") << "file" << true << "" << false << notSecure;
    QTest::newRow("ftp: even for a test service") << "ftp" << true << "" << false << notSecure;
}

void UpdateTest::installerLinkAndHash()
{
    QFETCH(QString, scheme);
    QFETCH(bool, ignoreSslErrors);
    QFETCH(QString, announcedHash);
    QFETCH(bool, success);
    QFETCH(QString, error);

    Settings::setValue(QStringLiteral("kIgnoreSslErrors"), ignoreSslErrors);
    QVERIFY(m_service.setConfig(QStringLiteral("linux_version"), QStringLiteral("1.5.0.0")));
    // A file: link names an installer-sized file that would pass if fetched.
    QFile local(fotoria::test::testHome() + QStringLiteral("/downloads/fotoria-1.5.0.0.run"));
    QVERIFY(
        QDir().mkpath(QFileInfo(local).path()) && local.open(QIODevice::WriteOnly) && local.resize(65536));
    const QString origin = scheme == QLatin1String("https") ? m_service.httpsUrl()
        : scheme == QLatin1String("file") ? QStringLiteral("file://") + fotoria::test::testHome()
                                          : m_service.baseUrl().replace(QLatin1String("http:"), scheme + ':');
    const bool webLink
        = scheme == QLatin1String("https") || (scheme == QLatin1String("http") && ignoreSslErrors);
    QVERIFY(m_service.setConfig(
        QStringLiteral("download_link"), origin + QStringLiteral("/downloads/fotoria-1.5.0.0.run")));
    if (announcedHash == QLatin1String("upper")) {
        announcedHash = m_service.request("GET", QStringLiteral("/api/v2/desktop_versions/current"))
                            .json()
                            .value(QStringLiteral("linux_download_sha256"))
                            .toString()
                            .toUpper();
        QCOMPARE(announcedHash.size(), 64);
    }
    QVERIFY(m_service.setConfig(QStringLiteral("installer_sha256"), announcedHash));
    AutoUpdate update;
    // A link that would be refused is not offered either.
    const CheckResult checked = runCheck(update, false, false);
    QCOMPARE(checked.newVersion.size(), 1);
    QCOMPARE(checked.newVersion.first().first, webLink);
    // Check Now says why it is not offered.
    const QStringList said = runCheck(update, true, true).notInstallable;
    QCOMPARE(said, webLink ? QStringList() : QStringList(notSecureReason()));
    const QString path = update.installerPath();
    // A stale installer from before is never handed over in its place.
    QVERIFY(makePrivateFolder(platform::updateFolder()));
    QFile stale(path);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();

    ADownloadUpdateDialog dialog(&update);
    dialog.prepare();
    QSignalSpy downloaded(&update, &AutoUpdate::UpdateDownloaded);
    update.startDownload();
    QVERIFY(!downloaded.isEmpty() || downloaded.wait(20000));
    Settings::setValue(QStringLiteral("kIgnoreSslErrors"), false);
    QCOMPARE(downloaded.count(), 1);
    QCOMPARE(downloaded.first().first().toBool(), success);
    QCOMPARE(QFileInfo::exists(path), success);
    QCOMPARE(m_service.journal("/downloads/").size(), webLink ? 1 : 0);
    if (success) {
        QCOMPARE(QFileInfo(path).size(), qint64(65536));
    } else {
        QCOMPARE(dialog.messageLabel()->text(), error);
        QVERIFY(!dialog.buttonBox()->button(QDialogButtonBox::Ok));
    }
}

void UpdateTest::installerNeverFollowsALink_data()
{
    QTest::addColumn<QString>("planted");
    QTest::addColumn<bool>("success");
    QTest::newRow("link at the old name in the shared temporary folder") << "old" << true;
    QTest::newRow("link at the installer's name") << "name" << true;
    QTest::newRow("link at the part name") << "part" << true;
    QTest::newRow("update folder is a link") << "folder link" << false;
    QTest::newRow("update folder open to others") << "folder open" << false;
    QTest::newRow("update folder of another user") << "folder other" << false;
}

void UpdateTest::installerNeverFollowsALink()
{
    QFETCH(QString, planted);
    QFETCH(bool, success);
    const QString folder = platform::updateFolder();
    const QString elsewhere = fotoria::test::testHome() + QStringLiteral("/elsewhere");
    QVERIFY(QDir(elsewhere).removeRecursively() && makePrivateFolder(elsewhere) && makePrivateFolder(folder));
    QFile victim(elsewhere + QStringLiteral("/victim"));
    QVERIFY(victim.open(QIODevice::WriteOnly) && victim.write("mine") == 4);
    victim.close();
    QVERIFY(m_service.setConfig(QStringLiteral("linux_version"), QStringLiteral("1.5.0.0")));
    AutoUpdate update;
    runCheck(update, false, false);
    const QString name = QLatin1Char('/') + QFileInfo(update.installerPath()).fileName();
    const QMap<QString, QString> linkAt { { "old", QDir::tempPath() + name }, { "name", folder + name },
        { "part", folder + name + ".part" } };
    if (linkAt.contains(planted))
        QVERIFY(QFile::link(victim.fileName(), linkAt.value(planted)));
    else if (planted == QLatin1String("folder link"))
        QVERIFY(QDir(folder).removeRecursively() && QFile::link(elsewhere, folder));
    else if (planted == QLatin1String("folder open"))
        QVERIFY(
            QFile::setPermissions(folder, QFile::permissions(folder) | QFile::ReadOther | QFile::ExeOther));
    else if (::getuid() != 0 || ::chown(QFile::encodeName(folder).constData(), 65534, 65534) != 0)
        QSKIP("needs root to give the update folder to another user id");

    QSignalSpy downloaded(&update, &AutoUpdate::UpdateDownloaded);
    update.startDownload();
    QVERIFY(downloaded.wait(20000));
    QCOMPARE(downloaded.first().first().toBool(), success);
    QVERIFY(!update.installerPath().startsWith(QDir::tempPath() + QLatin1Char('/')));
    QCOMPARE(QFileInfo(update.installerPath()).isSymLink(), false);
    QCOMPARE(QFileInfo(update.installerPath()).size(), success ? qint64(65536) : 0);
    QVERIFY(!QFileInfo::exists(elsewhere + name) && victim.open(QIODevice::ReadOnly));
    QCOMPARE(victim.readAll(), QByteArray("mine"));
}

void UpdateTest::applyHandsOverTheDownloadedInstaller()
{
    QVERIFY(m_service.setConfig(QStringLiteral("linux_version"), QStringLiteral("1.5.0.0")));
    AutoUpdate update;
    runCheck(update, false, false);
    QVERIFY(m_service.setFailure(QUrl(update.downloadLink()).path(), QStringLiteral("slow"),
        { { QStringLiteral("delay_ms"), QStringLiteral("1500") } }));
    QSignalSpy downloaded(&update, &AutoUpdate::UpdateDownloaded);
    update.startDownload();
    QTRY_COMPARE_WITH_TIMEOUT(m_service.journal("/downloads/").size(), 1, 10000);

    // A newer release is announced while the download runs.
    QVERIFY(m_service.setConfig(QStringLiteral("linux_version"), QStringLiteral("1.6.0.0")));
    QVERIFY(m_service.setConfig(QStringLiteral("installer_sha256"), QString(64, QLatin1Char('0'))));
    runCheck(update, false, false);
    QVERIFY(update.installerPath().contains(QStringLiteral("/fotoria-1.6.0.0")));
    QVERIFY(downloaded.wait(20000));
    QCOMPARE(downloaded.first().first().toBool(), true);

    const QString path = platform::updateFolder() + QStringLiteral("/fotoria-1.5.0.0-linux-x86_64.tar.gz");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(update.handOverArguments(),
        QStringList({ path, QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex() }));
}

void UpdateTest::secondDownloadReplacesFirst()
{
    QVERIFY(m_service.setConfig(QStringLiteral("linux_version"), QStringLiteral("1.5.0.0")));
    AutoUpdate update;
    runCheck(update, false, false);
    // The first request answers late; the second at once.
    QVERIFY(m_service.setFailure(QUrl(update.downloadLink()).path(), QStringLiteral("slow"),
        { { QStringLiteral("delay_ms"), QStringLiteral("1500") },
            { QStringLiteral("count"), QStringLiteral("1") } }));
    QSignalSpy downloaded(&update, &AutoUpdate::UpdateDownloaded);
    update.startDownload();
    QTRY_COMPARE_WITH_TIMEOUT(m_service.journal("/downloads/").size(), 1, 10000);
    update.startDownload();
    QVERIFY(downloaded.wait(20000));
    QCOMPARE(m_service.journal("/downloads/").size(), 2);
    // Well past the first one's answer: it was aborted and says nothing.
    QVERIFY(!downloaded.wait(5000));
    QCOMPARE(downloaded.count(), 1);
    QCOMPARE(downloaded.first().first().toBool(), true);
    QCOMPARE(QFileInfo(update.installerPath()).size(), qint64(65536));
}

void UpdateTest::stopWhileDownloading()
{
    QVERIFY(m_service.setConfig(QStringLiteral("linux_version"), QStringLiteral("1.5.0.0")));
    AutoUpdate update;
    runCheck(update, false, false);
    QVERIFY(m_service.setFailure(QUrl(update.downloadLink()).path(), QStringLiteral("hang")));
    QSignalSpy downloaded(&update, &AutoUpdate::UpdateDownloaded);
    update.startDownload();
    QTRY_COMPARE_WITH_TIMEOUT(m_service.journal("/downloads/").size(), 1, 10000);
    update.stopDownload(0);
    QVERIFY(!update.isDownloading());
    QCOMPARE(downloaded.count(), 0);
    QVERIFY(!QFileInfo::exists(update.installerPath()));
}

void UpdateTest::versionComparison_data()
{
    QTest::addColumn<QString>("available");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("newer");

    struct Row
    {
        const char *name;
        const char *version;
        bool mode0, mode1, mode2;
    };
    const Row rows[] = {
        { "third number higher", "1.4.1.0", false, true, true },
        { "fourth number higher", "1.4.0.20", false, false, true },
        { "fourth number lower", "1.4.0.18", false, false, true },
        { "same version", "1.4.0.19", false, false, false },
        { "older minor", "1.3.9.99", false, false, false },
        { "major higher, rest lower", "2.0.0.0", false, true, true },
        { "numbers compared as numbers", "1.10.0.0", false, true, true },
        { "three parts", "1.5.0", false, false, false },
        { "five parts", "1.5.0.0.0", false, false, false },
        { "empty", "", false, false, false },
        { "empty part", "1.5..0", false, true, true },
        { "not a number counts as zero", "x.4.1.0", false, false, false },
        { "letters in the fourth part", "1.4.0.beta", false, false, true },
    };
    for (const Row &row : rows) {
        QTest::addRow("%s, mode 0", row.name) << QString::fromLatin1(row.version) << 0 << row.mode0;
        QTest::addRow("%s, mode 1", row.name) << QString::fromLatin1(row.version) << 1 << row.mode1;
        QTest::addRow("%s, mode 2", row.name) << QString::fromLatin1(row.version) << 2 << row.mode2;
    }
    QTest::newRow("unknown mode 3") << "9.9.9.9" << 3 << false;
    QTest::newRow("negative mode") << "9.9.9.9" << -1 << false;
}

void UpdateTest::versionComparison()
{
    QFETCH(QString, available);
    QFETCH(int, mode);
    QFETCH(bool, newer);
    QCOMPARE(AutoUpdate::isNewerVersion(available, QStringLiteral("1.4.0.19"), mode), newer);
}

void UpdateTest::installerFileName_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("name");

    QTest::newRow("plain") << "https://example.com/files/setup.exe"
                           << "setup.exe";
    QTest::newRow("deep path") << "http://127.0.0.1:8080/downloads/v2/fotoria-1.5.0.0.deb"
                               << "fotoria-1.5.0.0.deb";
    QTest::newRow("query left out") << "https://example.com/setup.exe?sig=a/b"
                                    << "setup.exe";
    QTest::newRow("fragment left out") << "https://example.com/setup.exe#x"
                                       << "setup.exe";
    QTest::newRow("no name") << "https://example.com/downloads/"
                             << "fotoria-update-installer";
    QTest::newRow("dot dot") << "https://example.com/a/.."
                             << "fotoria-update-installer";
    QTest::newRow("encoded slashes cannot climb out") << "https://example.com/a%2F..%2Fevil"
                                                      << "evil";
}

void UpdateTest::installerFileName()
{
    QFETCH(QString, link);
    QFETCH(QString, name);
    QCOMPARE(AutoUpdate::installerFileName(link), name);
}

void UpdateTest::dialogStates()
{
    AutoUpdate update;
    ADownloadUpdateDialog dialog(&update);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Downloading update"));
    QCOMPARE(dialog.messageLabel()->text(), QStringLiteral("Message"));
    QCOMPARE(dialog.messageLabel()->textFormat(), Qt::PlainText); // the error text comes from the network

    dialog.prepare();
    QCOMPARE(dialog.messageLabel()->text(), QStringLiteral("Downloading update..."));
    QVERIFY(dialog.buttonBox()->button(QDialogButtonBox::Ok)->isHidden());
    QVERIFY(!dialog.buttonBox()->button(QDialogButtonBox::Cancel)->isHidden());

    emit update.ProgressMaximum(1000);
    emit update.Progress(250);
    QCOMPARE(dialog.progressBar()->maximum(), 1000);
    QCOMPARE(dialog.progressBar()->value(), 250);

    emit update.UpdateDownloaded(true);
    QCOMPARE(dialog.messageLabel()->text(), QStringLiteral("Update downloaded"));
    QPushButton *apply = dialog.buttonBox()->button(QDialogButtonBox::Ok);
    QVERIFY(!apply->isHidden());
    QCOMPARE(apply->text(), QStringLiteral("Apply"));

    // A second download after a failed one starts from the same state.
    dialog.prepare();
    QCOMPARE(dialog.progressBar()->value(), 0);
    emit update.UpdateDownloaded(false);
    QVERIFY(dialog.messageLabel()->text().startsWith(QStringLiteral("Error: ")));
    QVERIFY(!dialog.buttonBox()->button(QDialogButtonBox::Ok));
    QVERIFY(dialog.buttonBox()->button(QDialogButtonBox::Cancel));
}

void UpdateTest::launchWithoutScriptKeepsRunning()
{
    // No hand-over script beside the test program: the client must not quit
    // with nothing installed.
    AutoUpdate update;
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    QVERIFY(!update.LaunchUpdate());
    QTest::qWait(0);
    QCOMPARE(quitting.count(), 0);
}

void UpdateTest::scriptInstalls_data()
{
    QTest::addColumn<QString>("installerName");
    QTest::addColumn<QString>("installedFile");
    QTest::addColumn<bool>("swapped");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("note"); // left for the next start; empty: none
    QTest::newRow("tarball with a top folder") << "fotoria-1.5.tar.gz"
                                               << "program/bin-1.5" << false << 0 << "";
    QTest::newRow("flat tarball") << "fotoria-flat.tar.gz"
                                  << "program/bin-1.5" << false << 0 << "";
    QTest::newRow("self-extracting installer") << "fotoria-1.5.run"
                                               << "ran-installer" << false << 0 << "";
    QTest::newRow("installer swapped after the check")
        << "fotoria-1.5.run"
        << "ran-installer" << true << 4 << "changed before it could be installed (its checksum does not match)";
    QTest::newRow("installer that fails") << "fotoria-1.5-fails.run"
                                          << "ran-installer" << false << 3 << "the installer ended with status 3";
}

void UpdateTest::scriptInstalls()
{
    QFETCH(QString, installerName);
    QFETCH(QString, installedFile);
    QFETCH(bool, swapped);
    QFETCH(int, exitCode);
    QFETCH(QString, note);

    // A program folder of its own with the script in it, as installed.
    static int run = 0;
    const QString root = fotoria::test::testHome() + QStringLiteral("/script-") + QString::number(++run);
    const QString programDir = root + QStringLiteral("/program");
    QVERIFY(QDir().mkpath(programDir));
    QVERIFY(QFile::copy(QStringLiteral(UPDATE_SCRIPT), programDir + QStringLiteral("/linux_auto_update.sh")));

    const QString installer = root + QLatin1Char('/') + installerName;
    auto tar = [](const QString &program, const QStringList &args, const QString &dir) {
        QProcess p;
        p.setWorkingDirectory(dir);
        p.start(program, args);
        return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    };
    if (installerName.endsWith(QLatin1String(".run"))) {
        QFile file(installer);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\ntouch \"" + QFile::encodeName(root) + "/ran-installer\"\n");
        if (swapped)
            file.write("# not what was downloaded\n");
        if (exitCode == 3)
            file.write("exit 3\n");
    } else {
        const QString stage = root + QStringLiteral("/stage");
        const bool topFolder = installerName.contains(QLatin1String("1.5"));
        const QString content = topFolder ? stage + QStringLiteral("/fotoria-1.5") : stage;
        QVERIFY(QDir().mkpath(content));
        QFile file(content + QStringLiteral("/bin-1.5"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("new");
        file.close();
        QVERIFY(tar(QStringLiteral("tar"),
            topFolder ? QStringList { QStringLiteral("-czf"), installer, QStringLiteral("fotoria-1.5") }
                      : QStringList { QStringLiteral("-czf"), installer, QStringLiteral("bin-1.5") },
            stage));
    }

    // The client is gone already: a process id that has ended.
    QProcess ended;
    ended.start(QStringLiteral("true"), QStringList());
    QVERIFY(ended.waitForStarted(10000));
    const qint64 endedPid = ended.processId();
    QVERIFY(ended.waitForFinished(10000));
    QFile downloaded(installer);
    QVERIFY(downloaded.open(QIODevice::ReadOnly));
    // The hash of what was downloaded: a swapped file differs by its last line.
    const QByteArray content = swapped ? downloaded.readAll().split('#').first() : downloaded.readAll();
    const QString sha256 = QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex();
    QProcess script;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FOTORIA_CLIENT_PID"), QString::number(endedPid));
    script.setProcessEnvironment(env);
    script.start(programDir + QStringLiteral("/linux_auto_update.sh"), { installer, sha256 });
    QVERIFY(script.waitForFinished(60000));
    QCOMPARE(script.exitCode(), exitCode);
    QCOMPARE(QFileInfo::exists(root + QLatin1Char('/') + installedFile), !swapped);
    QCOMPARE(QFileInfo::exists(installer), exitCode != 0); // kept only when not installed
    QCOMPARE(script.readAllStandardError().contains("refused"), swapped);
    const QString left = UpdateFailureNote::take(root);
    QVERIFY2(note.isEmpty() ? left.isEmpty() : left.contains(note), qPrintable(left));
    QVERIFY(UpdateFailureNote::take(root).isEmpty()); // shown once
}

FOTORIA_TEST_MAIN(UpdateTest)
#include "UpdateTest.moc"
