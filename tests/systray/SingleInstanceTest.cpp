#include <TestMain.h>

#include <systray/LocalServer.h>
#include <systray/TesselStartup.h>

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// What a crashed instance leaves: a socket file nobody listens on.
bool leaveStaleSocket(const QString &name)
{
    const QByteArray path = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + name);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof(address.sun_path))
        return false;
    memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    if (fd >= 0)
        ::close(fd);
    return bound && QFile::exists(QFile::decodeName(path));
}

} // namespace

class SingleInstanceTest : public QObject
{
    Q_OBJECT

private slots:
    void messages_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<int>("showUps");
        QTest::addColumn<QString>("data");
        QTest::addColumn<bool>("arrives");

        QTest::newRow("show up") << QByteArray("CMD:showUp") << 1 << QString() << true;
        QTest::newRow("prefix in any case") << QByteArray("cmd:showUp") << 1 << QString() << true;
        QTest::newRow("command name in another case") << QByteArray("CMD:showup") << 0 << QString() << true;
        QTest::newRow("unknown command") << QByteArray("CMD:quit") << 0 << QString() << true;
        QTest::newRow("plain text, UTF-8") << QString("Grüße ✓").toUtf8() << 0 << QString("Grüße ✓") << true;
        QTest::newRow("prefix not at the start")
            << QByteArray(" CMD:showUp") << 0 << QString(" CMD:showUp") << true;
        QTest::newRow("64 KiB") << QByteArray(65536, 'x') << 0 << QString(65536, 'x') << true;
        QTest::newRow("one byte more is dropped") << QByteArray(65537, 'x') << 0 << QString() << false;
    }

    void messages()
    {
        QFETCH(QByteArray, message);
        QFETCH(int, showUps);
        QFETCH(QString, data);
        QFETCH(bool, arrives);

        LocalServer server(QStringLiteral("messages"));
        QVERIFY(server.listen());
        QSignalSpy received(&server, &LocalServer::privateDataReceived);
        QSignalSpy shown(&server, &LocalServer::showUp);
        QSignalSpy passed(&server, &LocalServer::dataReceived);
        // Only looking whether somebody answers is no message.
        QVERIFY(LocalServer::answers(QStringLiteral("messages")));
        QVERIFY(LocalServer::send(QStringLiteral("messages"), message));
        // A later message tells when the server is through with this one.
        QVERIFY(LocalServer::send(QStringLiteral("messages"), "CMD:end"));
        QTRY_COMPARE(received.count() > 0 && received.last().first() == "CMD:end", true);
        QCOMPARE(received.count(), arrives ? 2 : 1);
        QCOMPARE(shown.count(), showUps);
        QCOMPARE(passed.count(), data.isNull() ? 0 : 1);
        if (!data.isNull())
            QCOMPARE(passed.first().first().toString(), data);
    }

    // Nobody else can take this user's name, nor squat it so that tessel
    // runs without its guard. The other user is "nobody", in a forked child.
    void nameIsThisUsersOwn_data()
    {
        QTest::addColumn<QString>("squat");
        QTest::newRow("another user's instance") << "instance";
        QTest::newRow("another user took our folder") << "their folder";
        QTest::newRow("our folder open to others") << "open folder";
        QTest::newRow("another user's file on our folder") << "file";
        QTest::newRow("a plain file on the name") << "own file";
        QTest::newRow("a folder on the name") << "own folder";
    }

    void nameIsThisUsersOwn()
    {
        QFETCH(QString, squat);
        if (!squat.startsWith("own") && ::geteuid() != 0)
            QSKIP("changing to another user needs root");
        // A shared temporary folder and no runtime folder: the fallback.
        QTemporaryDir shared(QStringLiteral("/tmp/fotoria-shared-XXXXXX"));
        QVERIFY(::chmod(QFile::encodeName(shared.path()).constData(), 01777) == 0);
        const QByteArray tmp = qgetenv("TMPDIR"), runtime = qgetenv("XDG_RUNTIME_DIR");
        auto restore = qScopeGuard([&] { qputenv("TMPDIR", tmp), qputenv("XDG_RUNTIME_DIR", runtime); });
        qputenv("TMPDIR", QFile::encodeName(shared.path()));
        qunsetenv("XDG_RUNTIME_DIR");
        const QString ours = shared.path() + "/fotoria-" + QString::number(::geteuid());
        const QByteArray folder = QFile::encodeName(ours);
        if (squat == "open folder")
            QVERIFY(::mkdir(folder.constData(), 0700) == 0 && ::chmod(folder.constData(), 0777) == 0);

        int ready[2];
        QVERIFY(::pipe(ready) == 0);
        const pid_t child = squat.startsWith("own") ? -1 : ::fork();
        if (child == 0) {
            char ok = ::setgid(65534) == 0 && ::setuid(65534) == 0;
            static LocalServer theirs(
                squat == "instance" ? LocalServer::defaultName() : ours + "/com.fotoria.tessel");
            if (squat == "file")
                ok = ok && QFile(ours).open(QIODevice::WriteOnly);
            else
                ok = ok && (squat != "their folder" || ::mkdir(folder.constData(), 0700) == 0)
                    && theirs.listen();
            ::write(ready[1], &ok, 1);
            ::pause();
        }
        auto stopChild = qScopeGuard(
            [child] { child > 0 && ::kill(child, SIGKILL) == 0 && ::waitpid(child, nullptr, 0); });
        char ok = 1;
        QVERIFY(child < 0 || ::read(ready[0], &ok, 1) == 1);
        QVERIFY2(ok, "the other user could not set up");

        const QString name = LocalServer::defaultName();
        QVERIFY(squat != "own file" || QFile(name).open(QIODevice::WriteOnly));
        QVERIFY(squat != "own folder" || QDir().mkpath(name));
        QVERIFY(!LocalServer::answers(name));
        LocalServer server(name);
        QVERIFY(server.listen());
        QCOMPARE(QFile::permissions(name) & 0x0077, QFile::Permissions());
        QSignalSpy shown(&server, &LocalServer::showUp);
        QVERIFY(LocalServer::send(name, "CMD:showUp"));
        QTRY_COMPARE(shown.count(), 1);
    }

    // Plugins in the working folder run as ours: only a developer's folder
    // that nobody else can plant them in is searched.
    void pluginsFromTheWorkingFolder_data()
    {
        QTest::addColumn<bool>("marker");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("loads");
        QTest::newRow("no development marker") << false << 0755 << false;
        QTest::newRow("a developer's own folder") << true << 0755 << true;
        QTest::newRow("a folder others may write to") << true << 0777 << false;
    }

    void pluginsFromTheWorkingFolder()
    {
        QFETCH(bool, marker);
        QFETCH(int, mode);
        QFETCH(bool, loads);
        QTemporaryDir folder;
        const QString before = QDir::currentPath();
        auto restore = qScopeGuard([&] { QDir::setCurrent(before); });
        QVERIFY(QDir::setCurrent(folder.path()));
        QVERIFY(!marker || QFile("devmarkerfile.txt").open(QIODevice::WriteOnly));
        QVERIFY(::chmod(QFile::encodeName(folder.path()).constData(), mode_t(mode)) == 0);
        QCOMPARE(TesselStartup::loadsPluginsFrom(folder.path()), loads);
    }

    void takingTheName_data()
    {
        QTest::addColumn<bool>("holderAlive");
        QTest::newRow("a running instance keeps it") << true;
        QTest::newRow("a crashed instance's socket is taken over") << false;
    }

    void takingTheName()
    {
        QFETCH(bool, holderAlive);
        const QString name = QStringLiteral("taken-") + QString::number(holderAlive);

        LocalServer holder(name);
        if (holderAlive)
            QVERIFY(holder.listen());
        else
            QVERIFY(leaveStaleSocket(name));
        QCOMPARE(LocalServer::answers(name), holderAlive);

        LocalServer next(name);
        QCOMPARE(next.listen(), !holderAlive);
        // Whoever holds the name answers on it.
        QVERIFY(LocalServer::answers(name));
        QSignalSpy holderShown(&holder, &LocalServer::showUp);
        QSignalSpy nextShown(&next, &LocalServer::showUp);
        QVERIFY(LocalServer::send(name, "CMD:showUp"));
        QTRY_COMPARE(holderShown.count() + nextShown.count(), 1);
        QCOMPARE(holderShown.count(), holderAlive ? 1 : 0);
    }

    void closeFreesTheName()
    {
        LocalServer server(QStringLiteral("closing"));
        QVERIFY(server.listen());
        server.close();
        QVERIFY(!LocalServer::answers(QStringLiteral("closing")));
        QVERIFY(!QFile::exists(QDir::tempPath() + QStringLiteral("/closing")));
    }
};

FOTORIA_TEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
