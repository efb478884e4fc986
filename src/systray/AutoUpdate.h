#pragma once

#include <QAtomicInt>
#include <QFuture>
#include <QList>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

class NetworkManager;
class QNetworkReply;

// Checks the service for a newer release, downloads the installer and hands
// over to the install script beside the program.
//
// The installer runs with the user's rights or more, so only an https link
// is fetched (plain http too when kIgnoreSslErrors is set, for a test
// service), and when the version document gives the installer's SHA-256 a
// download that differs is refused and never saved. The installer goes to
// the user's own update folder, and the hand-over script gets the SHA-256
// of what was downloaded to check it again just before it installs.
//
// kAutoUpdate (int, default 1): 0 = no automatic checks, never newer;
// 1 = newer when the first three numbers are higher; 2 = also when only the
// fourth number differs. kDeclinedVersion: the version the person said
// "Cancel" to; automatic checks do not offer it again, a check by hand does.
class AutoUpdate : public QObject
{
    Q_OBJECT
public:
    explicit AutoUpdate(QObject *parent = nullptr);
    // Stops the checks in flight first (see stopChecks).
    ~AutoUpdate() override;

    // Runs on a pool thread; the answer comes as NewVersionAvailable or
    // noUpdateAvailable_Signal.
    void checkAutoUpdateImpl(bool ignoreSensitivity, bool showUpToDate);
    QFuture<void> checkInBackground(bool ignoreSensitivity, bool showUpToDate);
    // Ends the checks in flight at once (their requests are cancelled and
    // they report nothing), waits for their pool tasks and refuses later
    // checks. Runs by itself when the application is about to quit, since
    // the application waits for the pool before it deletes this object.
    void stopChecks();

    bool isNewerVersion() const;
    static bool isNewerVersion(const QString &available, const QString &current, int mode);

    // The installer's file name: the link's last path section, or a fixed
    // name when that is empty or a dot folder.
    static QString installerFileName(const QString &link);

    QString availableVersion() const;
    QString downloadLink() const;
    // Where the latest check's installer is saved.
    QString installerPath() const;
    QString errorText() const;
    // What Apply hands over to the script: the downloaded installer's path
    // and SHA-256, whatever a later check announced. Empty before a
    // download succeeds.
    QStringList handOverArguments() const;
    // Remembers that the person does not want `version`.
    static void decline(const QString &version);
    // Why the announced installer cannot be installed; empty when it can.
    static QString refusalReason(const QUrl &link);
    bool isDownloading() const { return m_downloading; }

signals:
    void NewVersionAvailable(bool updateAvailable, QString availableVersion);
    void noUpdateAvailable_Signal();
    // A check by hand found a newer version that cannot be installed.
    void notInstallable_Signal(QString availableVersion, QString reason);
    void UpdateDownloaded(bool success);
    void ProgressMinimum(int minimum);
    void ProgressMaximum(int maximum);
    void Progress(int value);

public slots:
    // Drops a download still running (its reply aborted, nothing saved).
    void startDownload();
    void stopDownload(int result);
    // Starts the install script and quits; stays running (and returns false)
    // when the script cannot be started.
    bool LaunchUpdate();
    void DownloadProgress(qlonglong received, qlonglong total);
    void SaveUpdaterToTempFile(QNetworkReply *reply);

private:
    // One installer: its link, SHA-256 (lower-case hexadecimal, may be
    // empty when announced) and path, kept together from the check on.
    struct Installer
    {
        QString link;
        QString sha256;
        QString path;
    };

    QNetworkAccessManager m_downloadManager;
    QPointer<QNetworkReply> m_reply;
    QString m_errorText;
    bool m_downloading = false;
    qint32 m_lastTotal = 0;
    Installer m_fetching; // the download running
    Installer m_downloaded; // the last complete download, with its actual hash

    bool stopping() const { return m_stopping.loadAcquire(); }
    // Aborts the running download; its reply then reports nothing.
    void abortDownload();
    // Ends the download as failed with the text the dialog shows.
    void failDownload(const QString &errorText);
    // Every installer request goes out here.
    QNetworkReply *fetch(const QUrl &link);

    // The checks' pool tasks, waited for by stopChecks().
    QList<QFuture<void>> m_checks;
    QAtomicInt m_stopping { 0 };

    // Written by the check on a pool thread, read on the GUI thread.
    mutable QMutex m_lock;
    QSet<NetworkManager *> m_networks; // the checks' requests in flight
    QString m_availableVersion;
    Installer m_announced;
};
