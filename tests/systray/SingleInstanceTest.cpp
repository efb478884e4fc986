#include <TestMain.h>

#include <systray/LocalServer.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>

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

        QTest::newRow("show up") << QByteArray("CMD:showUp") << 1 << QString();
        QTest::newRow("prefix in any case") << QByteArray("cmd:showUp") << 1 << QString();
        QTest::newRow("command name in another case") << QByteArray("CMD:showup") << 0 << QString();
        QTest::newRow("unknown command") << QByteArray("CMD:quit") << 0 << QString();
        QTest::newRow("plain text, UTF-8") << QString("Grüße ✓").toUtf8() << 0 << QString("Grüße ✓");
        QTest::newRow("prefix not at the start") << QByteArray(" CMD:showUp") << 0 << QString(" CMD:showUp");
    }

    void messages()
    {
        QFETCH(QByteArray, message);
        QFETCH(int, showUps);
        QFETCH(QString, data);

        LocalServer server(QStringLiteral("messages"));
        QVERIFY(server.listen());
        QSignalSpy received(&server, &LocalServer::privateDataReceived);
        QSignalSpy shown(&server, &LocalServer::showUp);
        QSignalSpy passed(&server, &LocalServer::dataReceived);
        // Only looking whether somebody answers is no message.
        QVERIFY(LocalServer::answers(QStringLiteral("messages")));
        QVERIFY(LocalServer::send(QStringLiteral("messages"), message));
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(shown.count(), showUps);
        QCOMPARE(passed.count(), data.isNull() ? 0 : 1);
        if (!data.isNull())
            QCOMPARE(passed.first().first().toString(), data);
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
