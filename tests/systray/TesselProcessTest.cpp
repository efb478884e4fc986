#include <FotoriaService.h>
#include <TestFiles.h>
#include <TestMain.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>

#include <csignal>
#include <unistd.h>

namespace {

// A profile of its own for each run of the program.
struct Profile
{
    QString home;
    QString documents() const { return home + "/Documents"; }
    QString base() const { return documents() + "/Fotoria"; }
    QString settingsFile() const { return home + "/.config/Fotoria/FotoriaWallpaperScreensaver.conf"; }
    QString tmp() const { return home + "/tmp"; }
    // The single-instance socket lives in the runtime folder: one per profile.
    QString run() const { return home + "/run"; }
    QString instanceSocket() const { return run() + "/com.fotoria.tessel"; }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env
            = fotoria::test::homeEnvironment(QProcessEnvironment::systemEnvironment(), home, tmp());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", run());
        return env;
    }
};

// Every run reports to the substitute service, never to the real one.
Profile newProfile(const QString &name, const QString &serviceUrl)
{
    Profile p{fotoria::test::testHome() + "/" + name};
    QDir().mkpath(p.home + "/Documents");
    QDir().mkpath(p.tmp());
    QDir().mkpath(p.run());
    QFile::setPermissions(p.run(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QSettings settings(p.settingsFile(), QSettings::IniFormat);
    settings.setValue("kServiceUrl", serviceUrl);
    settings.setValue("kShowWelcomeScreen", false);
    return p;
}

// Ready once the program catches SIGTERM, i.e. its event loop is about to run.
bool waitUntilReady(const QProcess &process, int timeoutMs = 20000)
{
    const QString statusPath = QStringLiteral("/proc/%1/status").arg(process.processId());
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QFile status(statusPath);
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : status.readAll().split('\n')) {
                if (line.startsWith("SigCgt:")) {
                    const qulonglong mask = line.mid(7).trimmed().toULongLong(nullptr, 16);
                    if (mask & (1ull << (SIGTERM - 1)))
                        return true;
                }
            }
        }
        QTest::qWait(20);
    }
    return false;
}

bool answers(const QString &socket)
{
    QLocalSocket probe;
    probe.connectToServer(socket);
    return probe.waitForConnected(1000);
}

QVariant storedValue(const Profile &profile, const QString &key)
{
    return QSettings(profile.settingsFile(), QSettings::IniFormat).value(key);
}


} // namespace

class TesselProcessTest : public QObject
{
    Q_OBJECT

    void start(QProcess &process, const Profile &profile, const QString &workingDir = QString(), int readyMs = 20000)
    {
        process.setProcessEnvironment(profile.environment());
        process.setWorkingDirectory(workingDir.isEmpty() ? profile.home : workingDir);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(TESSEL_BINARY, QStringList());
        QVERIFY(process.waitForStarted());
        QVERIFY(waitUntilReady(process, readyMs));
    }

    fotoria::test::FotoriaService m_service;

    Profile profile(const QString &name) { return newProfile(name, m_service.baseUrl()); }

    int crashReports()
    {
        int count = 0;
        for (const QJsonValue &entry : m_service.journal("/track")) {
            if (entry.toObject().value("decoded").toObject().value("event").toString() == "d-crashed")
                ++count;
        }
        return count;
    }

    void stop(QProcess &process, int signal)
    {
        ::kill(pid_t(process.processId()), signal);
        QVERIFY(process.waitForFinished(20000));
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_service.start(&error), qPrintable(error));
    }

    void startsInOrderAndQuitsCleanlyOnSigterm()
    {
        const Profile profile = this->profile("clean");
        for (int run = 0; run < 2; ++run) {
            QProcess process;
            start(process, profile);
            for (const QString &dir : {profile.base(), profile.base() + "/FotoriaPhotos",
                                       profile.documents() + "/Fotoria Playlist",
                                       profile.documents() + "/Fotoria Playlist/Favorites"})
                QVERIFY2(QFileInfo(dir).isDir(), qPrintable(dir));
            QCOMPARE(storedValue(profile, "kFirstTime").toString(), QStringLiteral("false"));

            stop(process, SIGTERM);
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(process.exitCode(), 0);
            QCOMPARE(storedValue(profile, "kCrashed").toString(), QStringLiteral("false"));

            const QList<QByteArray> lines = fotoria::test::readFile(profile.base() + "/log.txt").split('\n');
            QVERIFY(lines.first().startsWith("Qt: " + QByteArray::number(QT_VERSION_MAJOR) + "."));
            QVERIFY(lines.contains("initializeQt(), end"));
            QVERIFY(lines.contains("initializeApp(), start"));
        }
    }

    // The window on the real display shows the gallery, signed in, and the
    // program ends at once with every worker joined.
    void showsTheSignedInGalleryAndQuitsPromptly()
    {
        const Profile profile = this->profile("gallery");
        QProcessEnvironment env = profile.environment();
        env.remove("QT_QPA_PLATFORM");
        m_service.clearJournal();
        // The catalog's tag list never answers: its worker is blocked in the
        // request when the program is asked to quit.
        QVERIFY(m_service.setFailure("/api/v2/clients", "hang"));
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(profile.home);
        process.start(TESSEL_BINARY, QStringList());
        QVERIFY(process.waitForStarted());
        QVERIFY(waitUntilReady(process));

        const auto requests = [this] {
            QStringList seen;
            for (const QJsonValue &entry : m_service.journal()) {
                const QJsonObject request = entry.toObject();
                const QString path = request.value("path").toString();
                if (path == "/api/v3/tokens" || path == "/gallery/home")
                    seen << request.value("method").toString() + " " + path;
            }
            return seen;
        };
        const QStringList expected{ "POST /api/v3/tokens", "GET /api/v3/tokens", "GET /gallery/home" };
        QTRY_COMPARE_WITH_TIMEOUT(requests(), expected, 5000);
        QProcess tree;
        tree.start("xwininfo", { "-root", "-tree" });
        QVERIFY(tree.waitForFinished());
        QVERIFY(tree.readAllStandardOutput().contains("\"Fotoria\""));
        QTRY_VERIFY_WITH_TIMEOUT(!m_service.journal("/api/v2/clients").isEmpty(), 5000);

        ::kill(pid_t(process.processId()), SIGTERM);
        // A generous limit: the fault is a hang at quit, and sanitizer builds are slow.
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(!process.readAllStandardError().contains("QThread: Destroyed"));
        QVERIFY(!fotoria::test::readFile(profile.base() + "/log.txt").contains("QThread: Destroyed"));
        m_service.clearFailures();
    }

    // A person who did not tick "Remember me" is back on the shared account
    // at the next start, and the person's token is never sent again.
    void forgetsAPersonNotToBeRemembered()
    {
        const Profile profile = this->profile("forget");
        {
            QSettings settings(profile.settingsFile(), QSettings::IniFormat);
            settings.setValue("email", "demo@fotoria.com");
            settings.setValue("uuid", "a3e1b7c4-62d9-4f05-8e3a-7b9c1d2e4f60");
            settings.setValue("authenticationToken", "person-token-1");
            settings.setValue("remember", false);
        }
        m_service.clearJournal();
        QProcess process;
        start(process, profile);
        // The service account's sign-in, then the page it opens.
        QTRY_VERIFY_WITH_TIMEOUT(m_service.journal("/api/v3/tokens").size() >= 2, 10000);
        stop(process, SIGTERM);
        const QJsonArray signIns = m_service.journal("/api/v3/tokens");
        QVERIFY(!signIns.isEmpty());
        QCOMPARE(signIns.first()["json"]["email"].toString(), QStringLiteral("desktop@fotoria.com"));
        QVERIFY(!QJsonDocument(m_service.journal()).toJson().contains("person-token-1"));
        QVERIFY(!fotoria::test::readFile(profile.settingsFile()).contains("person-token-1"));
    }

    void developmentMarkerKeepsTheLogEmpty()
    {
        const Profile profile = this->profile("dev");
        const QString workDir = profile.home + "/work";
        QDir().mkpath(workDir);
        QFile marker(workDir + "/devmarkerfile.txt");
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.close();
        // An old log is truncated even so.
        QDir().mkpath(profile.base());
        QFile old(profile.base() + "/log.txt");
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old content\n");
        old.close();

        QProcess process;
        start(process, profile, workDir);
        stop(process, SIGINT);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(QFileInfo::exists(profile.base() + "/log.txt"));
        QCOMPARE(fotoria::test::readFile(profile.base() + "/log.txt"), QByteArray());
    }

    // A crash, even where a handler that allocates or logs would hang, ends
    // the process by its signal with a report (backtrace and log) and a
    // marker; the next start sends "d-crashed" once.
    void crashLeavesReportAndMarker_data()
    {
        QTest::addColumn<QByteArray>("situation"); // empty: a signal from outside
        QTest::addColumn<int>("signal");
        QTest::newRow("signal from outside") << QByteArray() << int(SIGSEGV);
        QTest::newRow("logger lock held") << QByteArray("logger-lock") << int(SIGSEGV);
        QTest::newRow("inside malloc") << QByteArray("malloc") << int(SIGABRT);
        QTest::newRow("worker stack overflow") << QByteArray("worker-stack-overflow") << int(SIGSEGV);
    }

    void crashLeavesReportAndMarker()
    {
        QFETCH(QByteArray, situation);
        QFETCH(int, signal);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        // The sanitizer owns heap faults and signals in such a build.
        if (!situation.isEmpty())
            QSKIP("planted faults are the sanitizer's in this build");
#endif
        const Profile profile = this->profile(QStringLiteral("crash-%1").arg(QTest::currentDataTag()));
        const QString marker = profile.home + "/.local/share/Fotoria/FotoriaWallpaperScreensaver/crashed";
        m_service.clearJournal();
        {
            QProcess process;
            if (situation.isEmpty()) {
                start(process, profile);
                ::kill(pid_t(process.processId()), signal);
            } else {
                QProcessEnvironment env = profile.environment();
                env.insert("FOTORIA_TEST_CRASH", situation);
                process.setProcessEnvironment(env);
                process.setWorkingDirectory(profile.home);
                process.start(TESSEL_BINARY, QStringList());
            }
            // Generous: only a hung handler takes this long.
            const bool ended = process.waitForFinished(30000);
            if (!ended) {
                process.kill();
                process.waitForFinished();
            }
            QVERIFY2(ended, "the crash handler hung");
            QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        }
        QVERIFY(QFileInfo::exists(marker));

        const QDir crashes(profile.base() + "/crashes");
        const QStringList reports = crashes.entryList(QDir::Files);
        QCOMPARE(reports.size(), 1);
        const QByteArray report = fotoria::test::readFile(crashes.filePath(reports.first()));
        QVERIFY2(report.startsWith("Fotoria Tessel 1.4.0.19\n"), report.constData());
        QVERIFY2(report.contains("signal: " + QByteArray::number(signal)), report.constData());
        const int trace = report.indexOf("backtrace:\n");
        QVERIFY(trace > 0);
        // glibc 2.36 writes "tessel(+0x1)[0x2]", 2.41 "tessel(+0x1) [0x2]".
        QVERIFY2(QString::fromLatin1(report).indexOf(QRegularExpression("\\) ?\\[0x"), trace) > trace, report.constData());
        // The log up to the start-up's flush.
        QVERIFY2(report.contains("\nlog:\nQt: " + QByteArray::number(QT_VERSION_MAJOR) + "."), report.constData());
        QVERIFY(report.contains("initializeApp(), start"));

        // The next start reports the crash once and takes the marker.
        QProcess next;
        // Killed at any moment, the run may have left the settings' lock file
        // half written; Qt takes such a lock over only after 30 s.
        start(next, profile, QString(), 45000);
        QTRY_COMPARE_WITH_TIMEOUT(crashReports(), 1, 10000);
        QVERIFY(!QFileInfo::exists(marker));
        QCOMPARE(storedValue(profile, "kCrashed").toString(), QStringLiteral("false"));
        stop(next, SIGTERM);
        QVERIFY(fotoria::test::readFile(profile.base() + "/log.txt").contains("previous run ended in a crash"));

        // Reported once: the start after that sends nothing of it.
        QProcess third;
        start(third, profile);
        stop(third, SIGTERM);
        QCOMPARE(crashReports(), 1);
    }

    // A damaged or odd file in the profile is set aside as "<file>.unreadable"
    // (a link replaced) with one line, and tessel runs on with defaults.
    void damagedFilesAreSetAside_data()
    {
        QTest::addColumn<QString>("file"); // under the profile's home
        // "->", "=>": a link, a hard link to notes.txt; "/": a folder
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("said"); // once, in the log (on stderr when the log is a folder)
        const QString base = "Documents/Fotoria/";
        // A polygon of two billion points: the reader crashes making room for it.
        QTest::newRow("organisation's settings, a streamed value")
            << ".config/Fotoria.conf"
            << QByteArray("[General]\nbad=@Variant(\\0\\0\\0G\\x7f\\xff\\xff\\xff)\n")
            << "holds values this program never writes";
        QTest::newRow("index that is no index") << base + "active.xml" << QByteArray("no index\n[[[\n")
                                                << "is no playlist index; no playlist is active";
        QTest::newRow("log a link") << base + "log.txt" << QByteArray("->") << "the log was a link";
        QTest::newRow("log a hard link") << base + "log.txt" << QByteArray("=>") << "the log was a link";
        QTest::newRow("log a folder") << base + "log.txt" << QByteArray("/") << "cannot open the log";
        QTest::newRow("bring-to-front a folder")
            << base + "bringtofront.xml" << QByteArray("/") << "is no request to show the window";
    }

    void damagedFilesAreSetAside()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, said);
        const Profile profile = this->profile(QStringLiteral("damaged-%1").arg(QTest::currentDataTag()));
        const QString path = profile.home + "/" + file, notes = profile.home + "/notes.txt";
        const bool setAside = !file.endsWith("log.txt");
        fotoria::test::writeFile(notes, "the user's own\n");
        QDir().mkpath(QFileInfo(path).absolutePath());
        QVERIFY(content != "->" || QFile::link(notes, path));
        QVERIFY(content != "=>"
            || ::link(QFile::encodeName(notes).constData(), QFile::encodeName(path).constData()) == 0);
        QVERIFY(content != "/" || QDir().mkpath(path + "/inside"));
        if (!content.endsWith('>') && content != "/")
            fotoria::test::writeFile(path, content);

        QProcess process;
        process.setProcessEnvironment(profile.environment());
        process.setWorkingDirectory(profile.home);
        process.start(TESSEL_BINARY, QStringList());
        QVERIFY(process.waitForStarted() && waitUntilReady(process));
        QTRY_VERIFY_WITH_TIMEOUT(!setAside || QFileInfo::exists(path + ".unreadable"), 10000);
        stop(process, SIGTERM);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(!setAside || content == "/" || fotoria::test::readFile(path + ".unreadable") == content);
        const QString log = profile.base() + "/log.txt";
        const bool logFolder = content == "/" && !setAside;
        QCOMPARE(
            QString(logFolder ? process.readAllStandardError() : fotoria::test::readFile(log)).count(said),
            1);
        QCOMPARE(fotoria::test::readFile(notes), QByteArray("the user's own\n"));
        // The settings hold the token: the file written 0644 above is narrowed.
        QCOMPARE(QFile::permissions(profile.settingsFile()) & 0x0077, QFile::Permissions());
    }

    // A second start asks the running instance to show up and leaves the
    // bring-to-front file; after a crash the next start runs at once.
    void secondStartHandsOverAndACrashFreesTheName()
    {
        const Profile profile = this->profile("single");
        {
            // A stand-in for the running instance that never removes the file.
            QLocalServer running;
            QVERIFY(running.listen(profile.instanceSocket()));
            QProcess second;
            second.setProcessEnvironment(profile.environment());
            second.setWorkingDirectory(profile.home);
            second.start(TESSEL_BINARY, QStringList());
            QVERIFY(second.waitForFinished(10000));
            QCOMPARE(second.exitStatus(), QProcess::NormalExit);
            QCOMPARE(second.exitCode(), 0);
            QVERIFY(running.hasPendingConnections() || running.waitForNewConnection(1000));
            QLocalSocket *client = running.nextPendingConnection();
            QByteArray message;
            QTRY_COMPARE(message += client->readAll(), QByteArray("CMD:showUp"));
            QCOMPARE(
                fotoria::test::readFile(profile.base() + "/bringtofront.xml"), QByteArray("pull to front\n"));
            // The running instance's log is left alone: the line goes to the terminal.
            QVERIFY(second.readAllStandardError().contains("found another version of me"));
            QVERIFY(!QFileInfo::exists(profile.base() + "/log.txt"));
        }

        m_service.clearJournal();
        QProcess first;
        start(first, profile);
        QVERIFY(answers(profile.instanceSocket()));
        // Signed in and showing the gallery before the second start.
        QTRY_VERIFY_WITH_TIMEOUT(!m_service.journal("/gallery/home").isEmpty(), 10000);
        QTest::qWait(200);
        m_service.clearJournal();
        QProcess second;
        second.setProcessEnvironment(profile.environment());
        second.start(TESSEL_BINARY, QStringList());
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        // The running one comes to the front on the gallery's home page.
        QTRY_VERIFY_WITH_TIMEOUT(!m_service.journal("/gallery/home").isEmpty(), 5000);
        // Taken by the next look for it, once a second.
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(profile.base() + "/bringtofront.xml"), 3000);

        stop(first, SIGKILL);
        QVERIFY(QFileInfo::exists(profile.instanceSocket()));
        QVERIFY(!answers(profile.instanceSocket()));
        QProcess next;
        start(next, profile);
        QVERIFY(answers(profile.instanceSocket()));
        QCOMPARE(next.state(), QProcess::Running);
        stop(next, SIGTERM);
        QCOMPARE(next.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(profile.instanceSocket()));
    }
};

FOTORIA_TEST_MAIN(TesselProcessTest)
#include "TesselProcessTest.moc"
