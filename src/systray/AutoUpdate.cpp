#include "AutoUpdate.h"

#include <core/AppInfo.h>
#include <core/LogScrub.h>
#include <core/NetworkPolicy.h>
#include <core/ReplyLimits.h>
#include <core/Settings.h>
#include <io/NetworkManager.h>
#include <platform/CrashHook.h>
#include <platform/UpdateHandOver.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QUrl>
#include <QtConcurrent>

#include <algorithm>

namespace {

// An installer is never this small; a smaller body is an error page.
constexpr int kMinimumInstallerSize = 8192;

// What the download dialog shows for an error page; the log says more.
const char *const kDownloadFailed = "File not found!";
const char *const kDamaged = "The downloaded update is damaged (its checksum does not match). Try again later.";
const QString kDeclinedKey = QStringLiteral("kDeclinedVersion");

} // namespace

AutoUpdate::AutoUpdate(QObject *parent)
    : QObject(parent)
{
    // A redirect is an answer, never followed (Qt 6 would follow it).
    m_downloadManager.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    connect(&m_downloadManager, &QNetworkAccessManager::finished, this, &AutoUpdate::SaveUpdaterToTempFile);
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &AutoUpdate::stopChecks);
}

AutoUpdate::~AutoUpdate()
{
    stopChecks();
    if (m_reply) {
        m_downloading = false;
        m_reply->abort();
    }
}

QFuture<void> AutoUpdate::checkInBackground(bool ignoreSensitivity, bool showUpToDate)
{
    m_checks.erase(std::remove_if(m_checks.begin(), m_checks.end(),
                       [](const QFuture<void> &check) { return check.isFinished(); }),
        m_checks.end());
    if (stopping())
        return QFuture<void>();
    // Safe to hand `this` over: stopChecks() waits for the task before this
    // object goes away.
    QFuture<void> check = QtConcurrent::run(
        [this, ignoreSensitivity, showUpToDate] {
            platform::installThreadSignalStack();
            checkAutoUpdateImpl(ignoreSensitivity, showUpToDate);
        });
    m_checks.append(check);
    return check;
}

void AutoUpdate::stopChecks()
{
    {
        QMutexLocker locker(&m_lock);
        m_stopping.storeRelease(1);
        for (NetworkManager *network : std::as_const(m_networks))
            network->cancel();
    }
    for (QFuture<void> &check : m_checks)
        check.waitForFinished();
    m_checks.clear();
}

void AutoUpdate::checkAutoUpdateImpl(bool ignoreSensitivity, bool showUpToDate)
{
    if (stopping())
        return;
    const int mode = Settings::getInt(QStringLiteral("kAutoUpdate"), 1);
    if (!ignoreSensitivity && mode == 0) {
        emit NewVersionAvailable(false, QStringLiteral("none"));
        return;
    }

    bool ok = false;
    QByteArray body;
    {
        NetworkManager network(nullptr, 0);
        {
            // Under the lock that stopChecks() takes: a stop either finds
            // this request or is seen here.
            QMutexLocker locker(&m_lock);
            if (stopping())
                return;
            m_networks.insert(&network);
        }
        body = network.get(QString(), QStringLiteral("/api/v2/desktop_versions/current"), &ok);
        QMutexLocker locker(&m_lock);
        m_networks.remove(&network);
    }
    if (stopping())
        return;
    if (!ok) {
        qDebug() << "unable to get update information";
        emit NewVersionAvailable(false, QStringLiteral("none"));
        return;
    }

    const QVariantMap document = NetworkManager::jsonToMap(body);
    const QString versionKey = platform::updateVersionKey();
    const QString linkKey = platform::updateLinkKey();
    if (document.isEmpty())
        qDebug() << "update check: the version document is not a JSON object";
    else if (!document.contains(versionKey) || !document.contains(linkKey))
        qDebug().noquote() << "update check: the version document lacks" << versionKey << "or" << linkKey;
    if (document.contains(versionKey) && document.contains(linkKey)) {
        QMutexLocker locker(&m_lock);
        m_availableVersion = document.value(versionKey).toString();
        m_announced.link = document.value(linkKey).toString();
        m_announced.sha256 = document.value(platform::updateHashKey()).toString().trimmed().toLower();
        m_announced.path = QDir::toNativeSeparators(
            platform::updateFolder() + QLatin1Char('/') + installerFileName(m_announced.link));
    }

    const QUrl link(downloadLink());
    const QString refusal = refusalReason(link);
    if (isNewerVersion() && !refusal.isEmpty()) {
        // Asking the user would only end in a refused download.
        qDebug().noquote() << "update not offered: the installer link is not https:" << LogScrub::url(link);
        emit NewVersionAvailable(false, QStringLiteral("none"));
        if (showUpToDate)
            emit notInstallable_Signal(availableVersion(), refusal);
    } else if (isNewerVersion() && !showUpToDate
        && availableVersion() == Settings::getString(kDeclinedKey)) {
        qDebug().noquote() << "update" << availableVersion() << "not offered: declined before";
        emit NewVersionAvailable(false, QStringLiteral("none"));
    } else if (isNewerVersion()) {
        emit NewVersionAvailable(true, availableVersion());
    } else if (showUpToDate) {
        emit noUpdateAvailable_Signal();
    }
}

bool AutoUpdate::isNewerVersion() const
{
    return isNewerVersion(
        availableVersion(), AppInfo::version, Settings::getInt(QStringLiteral("kAutoUpdate"), 1));
}

bool AutoUpdate::isNewerVersion(const QString &available, const QString &current, int mode)
{
    if (mode != 1 && mode != 2)
        return false;
    const QStringList s = available.split(QLatin1Char('.'));
    const QStringList c = current.split(QLatin1Char('.'));
    if (s.size() != 4 || c.size() != 4)
        return false;
    int sn[4];
    int cn[4];
    for (int i = 0; i < 4; ++i) {
        sn[i] = s.at(i).toInt(); // not a number: 0
        cn[i] = c.at(i).toInt();
    }
    for (int i = 0; i < 3; ++i) {
        if (sn[i] != cn[i])
            return sn[i] > cn[i];
    }
    return mode == 2 && sn[3] != cn[3];
}

QString AutoUpdate::installerFileName(const QString &link)
{
    // The path's last section, so that a query or fragment never becomes part
    // of the file name.
    const QString path = QUrl(link, QUrl::TolerantMode).path();
    const QString name = path.section(QLatin1Char('/'), -1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.contains(QLatin1Char('\\')))
        return QStringLiteral("fotoria-update-installer");
    return name;
}

QString AutoUpdate::availableVersion() const
{
    QMutexLocker locker(&m_lock);
    return m_availableVersion;
}

QString AutoUpdate::downloadLink() const
{
    QMutexLocker locker(&m_lock);
    return m_announced.link;
}

QString AutoUpdate::installerPath() const
{
    QMutexLocker locker(&m_lock);
    return m_announced.path;
}

QStringList AutoUpdate::handOverArguments() const
{
    if (m_downloaded.path.isEmpty())
        return QStringList();
    return { m_downloaded.path, m_downloaded.sha256 };
}

QString AutoUpdate::errorText() const
{
    return m_errorText;
}

void AutoUpdate::decline(const QString &version)
{
    Settings::setValue(kDeclinedKey, version);
}

QString AutoUpdate::refusalReason(const QUrl &link)
{
    const QString scheme = link.scheme().toLower();
    if (scheme == QLatin1String("https")
        || (scheme == QLatin1String("http") && Settings::getBool(QStringLiteral("kIgnoreSslErrors"), false)))
        return QString();
    return tr("its download address is not secure (it does not begin with https)");
}

void AutoUpdate::abortDownload()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
}

void AutoUpdate::failDownload(const QString &errorText)
{
    m_errorText = errorText;
    emit UpdateDownloaded(false);
}

void AutoUpdate::startDownload()
{
    {
        QMutexLocker locker(&m_lock);
        m_fetching = m_announced;
    }
    if (m_fetching.link.isNull())
        return;
    abortDownload();
    m_downloading = true;
    m_lastTotal = 0;
    m_errorText.clear();
    // Whatever an earlier download left at the path is not this one's.
    m_downloaded = Installer();
    QFile::remove(m_fetching.path);

    const QUrl url(m_fetching.link, QUrl::TolerantMode);
    const QString refusal = refusalReason(url);
    if (!refusal.isEmpty()) {
        qDebug().noquote() << "update refused: the installer link is not https:" << LogScrub::url(url);
        failDownload(tr("The update cannot be installed: %1.").arg(refusal));
        return;
    }
    m_reply = fetch(url);
    QNetworkReply *reply = m_reply;
    connect(reply, &QNetworkReply::downloadProgress, this, &AutoUpdate::DownloadProgress);
    connect(reply, &QNetworkReply::sslErrors, this,
        [reply](const QList<QSslError> &errors) { NetworkPolicy::handleSslErrors(reply, errors); });
}

QNetworkReply *AutoUpdate::fetch(const QUrl &link)
{
    QNetworkRequest request { link };
    NetworkPolicy::apply(request);
    QNetworkReply *reply = m_downloadManager.get(request);
    ReplyLimits::watch(reply, ReplyLimits::Picture);
    return reply;
}

void AutoUpdate::DownloadProgress(qlonglong received, qlonglong total)
{
    const auto total32 = static_cast<qint32>(total);
    if (total32 != m_lastTotal) {
        m_lastTotal = total32;
        emit ProgressMinimum(0);
        emit ProgressMaximum(total32);
    }
    emit Progress(static_cast<qint32>(received));
}

void AutoUpdate::SaveUpdaterToTempFile(QNetworkReply *reply)
{
    reply->deleteLater();
    // An aborted download that finishes late is not the one asked for.
    if (!m_downloading || reply != m_reply)
        return;
    m_reply = nullptr;

    // Too large or too slow: the watcher has logged why.
    if (ReplyLimits::stopped(reply)) {
        failDownload(tr("The download was too large or did not finish in time."));
        return;
    }
    const QByteArray body = reply->readAll();
    if (body.size() <= kMinimumInstallerSize) {
        // An error page is worth seeing; a short binary is not worth flooding the log with.
        qDebug() << "ERROR from temp file download: " << body.left(512);
        failDownload(QLatin1String(kDownloadFailed));
        return;
    }
    // An error page can be large too; only a good reply is an installer.
    if (reply->error() != QNetworkReply::NoError) {
        qDebug().noquote() << "ERROR from temp file download: " << int(reply->error())
                           << LogScrub::text(reply->errorString());
        failDownload(LogScrub::text(reply->errorString()));
        return;
    }
    // Checked against what was announced when this download started: a
    // check meanwhile may have announced another installer.
    const QString actual
        = QString::fromLatin1(QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex());
    if (!m_fetching.sha256.isEmpty() && actual != m_fetching.sha256) {
        qDebug().noquote() << "update refused: the installer's SHA-256" << actual
                           << "differs from the announced" << m_fetching.sha256;
        failDownload(tr(kDamaged));
        return;
    }

    QString error;
    if (!platform::writeInstaller(QFileInfo(m_fetching.path).fileName(), body, &error)) {
        qDebug().noquote() << "ERROR: cannot write the installer to" << m_fetching.path << error;
        failDownload(error);
        return;
    }
    m_downloaded = m_fetching;
    m_downloaded.sha256 = actual;
    emit UpdateDownloaded(true);
}

void AutoUpdate::stopDownload(int result)
{
    Q_UNUSED(result)
    m_downloading = false;
    abortDownload();
}

bool AutoUpdate::LaunchUpdate()
{
    const QString script
        = QCoreApplication::applicationDirPath() + QLatin1Char('/') + platform::updateScriptName();
    const QStringList arguments = handOverArguments();
    if (arguments.isEmpty()) {
        qWarning() << "no downloaded installer to hand over";
        return false;
    }
    qDebug() << "Running" << script << arguments;
    // The script waits for exactly this process to end before installing.
    QProcess process;
    process.setProgram(script);
    process.setArguments(arguments);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        QStringLiteral("FOTORIA_CLIENT_PID"), QString::number(QCoreApplication::applicationPid()));
    process.setProcessEnvironment(environment);
    if (!process.startDetached()) {
        qWarning() << "cannot start the update script" << script;
        return false;
    }
    QCoreApplication::exit(0);
    return true;
}
