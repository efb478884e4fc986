// The real programs from outside: tessel against every failure the service
// can play, the screensaver reading an index that tessel's store rewrites
// under it, and the screensaver among pictures that are not pictures.
#include "BadPictures.h"

#include <FotoriaService.h>
#include <TestFiles.h>
#include <TestMain.h>
#include <XTestServer.h>

#include <core/ImageStore.h>

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>

#include <atomic>
#include <iterator>
#include <csignal>
#include <memory>
#include <thread>

namespace {

using fotoria::test::FotoriaService;
using fotoria::test::countMatching;
using fotoria::test::readFile;
using fotoria::test::testHome;

using Params = QMap<QString, QString>;

// What tessel asks for on its own after a start, and the log lines that tell
// of a failed answer.
struct Endpoint
{
    const char *name;
    const char *path;
    const char *failureLine; // a pattern over the log's lines
};
const Endpoint kEndpoints[] = {
    { "gallery", "/gallery/home", "/gallery/home" },
    { "tags", "/api/v2/clients", "/api/v2/clients|CATagGetter" },
    { "versions", "/api/v2/desktop_versions/current", "desktop_versions|update information" },
    { "dailys", "/api/v3/dailys", "/api/v3/dailys|daily photos" },
    { "calendar", "/calendar", "^Calendar page" },
};

// The transfer time-out tessel is given, so that a held answer ends soon.
constexpr int kTimeoutMs = 3000;

QString home(const QString &name)
{
    const QString path = testHome() + "/" + name;
    QDir(path).removeRecursively();
    QDir().mkpath(path + "/tmp");
    QDir().mkpath(path + "/Documents/Fotoria");
    return path;
}

// A zone in which it is early afternoon now: the daily photo check only asks
// from 08:00 local time.
QString afternoonZone()
{
    const int offset = 13 - QDateTime::currentDateTimeUtc().time().hour(); // -10 .. 13
    return QStringLiteral("FOT%1").arg(-offset); // POSIX signs are reversed
}

// The real tessel in a home of its own.
class Tessel
{
public:
    Tessel(const QString &name, const QString &serviceUrl, const QVariantMap &settings)
        : m_home(home(name))
    {
        QSettings conf(m_home + "/.config/Fotoria/FotoriaWallpaperScreensaver.conf", QSettings::IniFormat);
        conf.setValue("kServiceUrl", serviceUrl);
        conf.setValue("kShowWelcomeScreen", false);
        for (auto it = settings.cbegin(); it != settings.cend(); ++it)
            conf.setValue(it.key(), it.value());
    }
    ~Tessel()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    bool start()
    {
        QProcessEnvironment env = fotoria::test::homeEnvironment(QProcessEnvironment::systemEnvironment(), m_home);
        // Several run at once: without a runtime folder each takes its
        // single-instance name in its own temporary folder.
        env.remove("XDG_RUNTIME_DIR");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TZ", afternoonZone());
        m_process.setProcessEnvironment(env);
        m_process.setWorkingDirectory(m_home);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(TESSEL_BINARY, QStringList());
        return m_process.waitForStarted();
    }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    // SIGTERM; true when the program then ends by itself with status 0.
    bool terminate()
    {
        ::kill(pid_t(m_process.processId()), SIGTERM);
        return m_process.waitForFinished(20000) && m_process.exitStatus() == QProcess::NormalExit
            && m_process.exitCode() == 0;
    }
    QString documents() const { return m_home + "/Documents"; }
    QStringList logLines() const
    {
        return QString::fromUtf8(readFile(documents() + "/Fotoria/log.txt")).split('\n');
    }

private:
    QString m_home;
    QProcess m_process;
};

int requestsTo(FotoriaService &service, const QString &path, const QString &method = QString())
{
    int n = 0;
    for (const QJsonValue &entry : service.journal(path)) {
        const QJsonObject request = entry.toObject();
        if (request.value("path").toString() == path
            && (method.isEmpty() || request.value("method").toString() == method))
            ++n;
    }
    return n;
}

// Temporary or partial files, and empty pictures, under `folder`.
QStringList leftovers(const QString &folder)
{
    QStringList found;
    const QRegularExpression temporary(QStringLiteral("\\.[A-Za-z0-9]{6}$|\\.tmp$|\\.part$|~$"));
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo file(it.next());
        if (temporary.match(file.fileName()).hasMatch()
            || (file.size() == 0 && file.suffix().compare("jpg", Qt::CaseInsensitive) == 0))
            found << file.filePath();
    }
    return found;
}

// A screensaver process whose diagnostic lines are kept.
class ScreenSaverRun
{
public:
    ScreenSaverRun(const QProcessEnvironment &env, const QStringList &args)
    {
        m_process.setProcessEnvironment(env);
        m_process.start(SCREENSAVER_BINARY, args);
        m_process.waitForStarted();
    }
    ~ScreenSaverRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    // Waits until `done` holds for the output so far; false when the process
    // ended or the time ran out first.
    template <typename Done>
    bool waitFor(Done done, int timeoutMs = 20000)
    {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            m_output += QString::fromLocal8Bit(m_process.readAllStandardError());
            if (done(m_output))
                return true;
            if (deadline.hasExpired() || m_process.state() != QProcess::Running)
                return false;
            m_process.waitForReadyRead(200);
        }
    }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    bool terminate()
    {
        m_process.terminate();
        const bool ended = m_process.waitForFinished(10000);
        m_output += QString::fromLocal8Bit(m_process.readAllStandardError());
        return ended && m_process.exitStatus() == QProcess::NormalExit;
    }
    QString output() const { return m_output; }

private:
    QProcess m_process;
    QString m_output;
};

} // namespace

class OutsideTest : public QObject
{
    Q_OBJECT

    // One service for the sign-in that keeps failing, one for everything else.
    FotoriaService m_signIn;
    FotoriaService m_others;
    XTestServer m_x;

    QProcessEnvironment screenSaverEnvironment(const QString &home) const
    {
        return fotoria::test::homeEnvironment(m_x.environment(), home);
    }

    static void setScreenSaverInterval(const QString &home, int seconds)
    {
        QSettings(home + "/.config/Fotoria/FotoriaScreensaver.conf", QSettings::IniFormat)
            .setValue("kSSDisplayInterval", seconds);
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_signIn.start(&error), qPrintable(error));
        QVERIFY2(m_others.start(&error), qPrintable(error));
        QVERIFY(m_x.start(QSize(800, 600)));
    }

    // Every failure mode, on everything tessel asks for by itself, in four
    // runs that mix them (hang on all at once; each endpoint failing every
    // way it can tell). The sign-in runs against a service of its own, where
    // it keeps failing: the message comes after the third try. On the other
    // service the sign-in fails once and then works, so the rest is asked for.
    void failureSwitches_data()
    {
        QTest::addColumn<QString>("signInMode");
        QTest::addColumn<QString>("signInMessage"); // empty: the sign-in works
        QTest::addColumn<QStringList>("modes"); // gallery, tags, versions, dailys, calendar
        QTest::addColumn<QStringList>("mustLog"); // endpoints whose failure shows in the log

        const QString noConnection = QStringLiteral("Please check your internet connection!");
        const QStringList all { "gallery", "tags", "versions", "dailys", "calendar" };
        QTest::newRow("hang everywhere") << "hang" << noConnection
                                         << QStringList { "hang", "hang", "hang", "hang", "hang" } << all;
        QTest::newRow("error statuses") << "status" << "The e-mail address or password was not recognised."
                                        << QStringList { "http_error", "status", "http_error", "status", "http_error" }
                                        << all;
        // A page that arrives empty or as garbage is still a page to a
        // browser; the version check keeps quiet about an unreadable reply.
        QTest::newRow("unreadable") << "malformed" << noConnection
                                    << QStringList { "redirect_loop", "empty", "malformed", "malformed", "redirect_loop" }
                                    << QStringList { "gallery", "tags", "dailys", "calendar" };
        QTest::newRow("endless redirects") << "redirect_loop" << noConnection
                                           << QStringList { "empty", "redirect_loop", "empty", "empty", "empty" }
                                           << QStringList { "tags", "dailys" };
        // Followed, or waited for within the time-out: nothing fails.
        QTest::newRow("followed or waited for") << "slow" << QString()
                                                << QStringList { "slow", "redirect", "redirect", "slow", "redirect" }
                                                << QStringList();
    }

    void failureSwitches()
    {
        QFETCH(QString, signInMode);
        QFETCH(QString, signInMessage);
        QFETCH(QStringList, modes);
        QFETCH(QStringList, mustLog);
        const auto paramsFor = [](const QString &mode) {
            if (mode == "status")
                return Params { { "status", "401" }, { "body", "{\"message\": \"Invalid email or password.\"}" } };
            if (mode == "slow")
                return Params { { "delay_ms", "500" } };
            return Params();
        };

        for (FotoriaService *service : { &m_signIn, &m_others }) {
            service->clearFailures();
            service->clearJournal();
        }
        QVERIFY(m_signIn.setFailure("/api/v3/tokens", signInMode, paramsFor(signInMode)));
        Params once = paramsFor(signInMode);
        once.insert("count", "1");
        QVERIFY(m_others.setFailure("/api/v3/tokens", signInMode, once));
        for (int i = 0; i < int(std::size(kEndpoints)); ++i)
            QVERIFY(m_others.setFailure(kEndpoints[i].path, modes.at(i), paramsFor(modes.at(i))));
        QVERIFY(m_others.setFailure("/track", modes.first(), paramsFor(modes.first())));

        const QString tag = QString(QTest::currentDataTag()).replace(' ', '-');
        Tessel signIn("signin-" + tag, m_signIn.baseUrl(), { { "kNetworkTimeout", 2000 } });
        Tessel others("others-" + tag, m_others.baseUrl(),
            { { "kNetworkTimeout", kTimeoutMs }, { "kEnable", true } });
        QVERIFY(signIn.start());
        QVERIFY(others.start());

        // The sign-in first, before its background tries (30 s on) begin:
        // three quick tries, or one that timed out (it took the whole
        // time-out already), then the message once.
        if (signInMessage.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(requestsTo(m_signIn, "/gallery/home") > 0, 20000);
        else
            QTRY_COMPARE_WITH_TIMEOUT(requestsTo(m_signIn, "/api/v3/tokens", "POST"), signInMode == "hang" ? 1 : 3, 20000);
        // Time for the last answer to arrive, or a held one to time out (2 s).
        QTest::qWait(signInMode == "hang" ? 4000 : 2000);
        QVERIFY2(signIn.isRunning(), "the sign-in run ended by itself");
        QVERIFY(signIn.terminate());
        const QStringList signInLog = signIn.logLines();
        QCOMPARE(countMatching(signInLog, "^login error: "), requestsTo(m_signIn, "/api/v3/tokens", "POST"));
        const QStringList failed = signInLog.filter(QRegularExpression("^sign-in failed:"));
        if (signInMessage.isEmpty()) {
            QCOMPARE(failed, QStringList());
        } else {
            QCOMPARE(failed.size(), 1);
            QVERIFY2(failed.first().endsWith(" " + signInMessage), qPrintable(failed.first()));
        }

        // Everything is asked for (the daily photos come last, some seconds
        // after the start), then answered or given up.
        const auto allAsked = [this] {
            for (const Endpoint &endpoint : kEndpoints) {
                if (requestsTo(m_others, endpoint.path) == 0)
                    return false;
            }
            return true;
        };
        QTRY_VERIFY_WITH_TIMEOUT(allAsked(), 40000);
        // The log is written at the end; the last answers are left time to
        // fail (a held one ends at the time-out).
        QTest::qWait(modes.contains("hang") ? kTimeoutMs + 2500 : 2000);
        QVERIFY2(others.isRunning(), "the run ended by itself");
        QVERIFY(others.terminate());

        const QStringList log = others.logLines();
        for (int i = 0; i < int(std::size(kEndpoints)); ++i) {
            const Endpoint &endpoint = kEndpoints[i];
            const int lines = countMatching(log, endpoint.failureLine);
            const int requests = requestsTo(m_others, endpoint.path);
            const QString what = QStringLiteral("%1 (%2): %3 log lines for %4 requests")
                                     .arg(endpoint.name, modes.at(i))
                                     .arg(lines)
                                     .arg(requests);
            if (mustLog.contains(endpoint.name))
                QVERIFY2(lines >= 1 && lines <= 3 * requests, qPrintable(what));
            else if (modes.at(i) == "redirect" || modes.at(i) == "slow")
                QVERIFY2(lines == 0, qPrintable(what));
        }
        for (Tessel *run : { &signIn, &others }) {
            const QStringList left = leftovers(run->documents());
            QVERIFY2(left.isEmpty(), qPrintable(left.join(", ")));
        }
    }

    // Tessel's store rewrites the index 10,000 times while screensavers keep
    // starting and reading it: each one finds the playlist that never
    // changes, so each shows its picture, and the last still runs.
    void screenSaverNeverReadsAHalfIndex()
    {
        // On a memory file system when there is one: the point is the
        // renames under the reader, not the disk's flush time.
        QTemporaryDir memory(QStringLiteral("/dev/shm/fotoria-index-XXXXXX"));
        const QString home = memory.isValid() ? memory.path() : ::home("index");
        QDir().mkpath(home + "/Documents/Fotoria");
        QDir().mkpath(home + "/tmp");
        const QString playlists = home + "/Documents/Fotoria Playlist";
        const QString index = home + "/Documents/Fotoria/active.xml";
        fotoria::test::writeFile(playlists + "/Steady/red.jpg", badpictures::goodJpeg(Qt::red));
        fotoria::test::writeFile(playlists + "/Toggled/blue.jpg", badpictures::goodJpeg(Qt::blue));
        ImageStore store(index, playlists);
        store.setActive("Steady", true);
        setScreenSaverInterval(home, 1);

        // At least 10,000 changes, and on until eight screensavers have read.
        constexpr int kRuns = 8;
        std::atomic<int> toggles { 0 };
        std::atomic<int> runs { 0 };
        std::atomic<bool> stop { false };
        std::thread toggler([&] {
            for (int i = 0; !stop && (i < 10000 || runs < kRuns); ++i, ++toggles)
                store.setActive("Toggled", i % 2 == 0);
            stop = true;
        });
        auto join = qScopeGuard([&] {
            stop = true;
            toggler.join();
        });

        std::unique_ptr<ScreenSaverRun> last;
        for (;;) {
            last = std::make_unique<ScreenSaverRun>(screenSaverEnvironment(home), QStringList { "/s" });
            const bool shown = last->waitFor([](const QString &out) {
                return out.contains("First picture on screen") || out.contains("ERROR!");
            });
            QVERIFY2(shown && !last->output().contains("ERROR!"),
                qPrintable(QStringLiteral("run %1 after %2 changes: %3").arg(runs).arg(toggles).arg(last->output())));
            ++runs;
            if (stop)
                break; // the last one stays
            QVERIFY(last->terminate());
        }
        join.dismiss();
        toggler.join();
        QVERIFY2(last->isRunning(), qPrintable(QStringLiteral("%1 %2 %3").arg(toggles).arg(runs).arg(last->output())));
        QVERIFY(last->terminate());
        QVERIFY2(toggles >= 10000 && runs >= kRuns, qPrintable(QStringLiteral("%1 %2").arg(toggles).arg(runs)));
        store.setActive("Toggled", false);
        QCOMPARE(store.playlists(), (QMap<QString, bool> { { "Steady", true }, { "Toggled", false } }));
        QCOMPARE(ImageStore(index, playlists).playlists(), store.playlists());
    }

    // The screensaver over a playlist of one bad entry: a line for it and
    // still running; with a good picture beside it, the good one shows.
    void screenSaverSkipsBadPictures_data() { badpictures::addRows(); }
    void screenSaverSkipsBadPictures()
    {
        QFETCH(QString, name);
        QFETCH(bool, isFile);
        const QString home = ::home("badsaver");
        const QString playlists = home + "/Documents/Fotoria Playlist";
        badpictures::make(playlists + "/Bad", name, false);
        badpictures::make(playlists + "/Good", name);
        // Picks are random: three good ones make a good one come soon.
        QFile::copy(playlists + "/Good/good.jpg", playlists + "/Good/good-2.jpg");
        QFile::copy(playlists + "/Good/good.jpg", playlists + "/Good/good-3.jpg");
        setScreenSaverInterval(home, 1);
        ImageStore store(home + "/Documents/Fotoria/active.xml", playlists);
        store.setActive("Bad", true);
        // A folder or a link loop is no picture to the store at all.
        QCOMPARE(store.pictureCount(), isFile ? 1 : 0);

        if (isFile) {
            ScreenSaverRun bad(screenSaverEnvironment(home), { "/s" });
            const QRegularExpression line("ERROR! Cannot show picture:.*" + QRegularExpression::escape(name));
            QVERIFY2(bad.waitFor([&line](const QString &out) { return line.match(out).hasMatch(); }, 6000),
                qPrintable(bad.output()));
            QVERIFY(bad.isRunning());
            QVERIFY(bad.terminate());
        }

        store.setActive("Bad", false);
        store.setActive("Good", true);
        ScreenSaverRun good(screenSaverEnvironment(home), { "/s" });
        QVERIFY2(good.waitFor([](const QString &out) { return out.contains("First picture on screen"); }, 40000),
            qPrintable(good.output()));
        QVERIFY(good.isRunning());
        QVERIFY(good.terminate());
    }
};

FOTORIA_TEST_MAIN(OutsideTest)
#include "OutsideTest.moc"
