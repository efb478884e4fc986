#include <TestFiles.h>
#include <TestMain.h>

#include <Logger.h>
#include <LoggerReportDialog.h>

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QSet>
#include <QTextEdit>
#include <QThread>

namespace {


void log(QtMsgType type, const QString &text)
{
    QMessageLogContext context;
    Logger::instance()->outputMessage(type, context, text);
}

} // namespace

class LoggerTest : public QObject
{
    Q_OBJECT

    QString m_path;

private slots:
    void init()
    {
        m_path = fotoria::test::testHome() + "/log-" + QTest::currentTestFunction() + ".txt";
        QVERIFY(Logger::instance()->openLogFile(m_path));
    }

    void cleanup()
    {
        Logger::instance()->closeLogFile();
    }

    void writesOneLinePerMessageType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");

        QTest::newRow("debug") << int(QtDebugMsg) << "plain \"quoted\"" << "plain \"quoted\"\n";
        QTest::newRow("warning") << int(QtWarningMsg) << "careful" << "-- WARNING: careful\n";
        QTest::newRow("critical") << int(QtCriticalMsg) << "bad" << "-- CRITICAL: bad\n";
        QTest::newRow("fatal") << int(QtFatalMsg) << "end" << "-- FATAL: end\n";
        QTest::newRow("info writes nothing") << int(QtInfoMsg) << "info" << "";
        QTest::newRow("percent stays") << int(QtWarningMsg) << "100% %1 done" << "-- WARNING: 100% %1 done\n";
        QTest::newRow("non-ascii") << int(QtDebugMsg) << "Zürich 東京" << "Zürich 東京\n";
    }

    void writesOneLinePerMessageType()
    {
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(QString, line);
        log(QtMsgType(type), text);
        Logger::instance()->update();
        QCOMPARE(QString::fromUtf8(fotoria::test::readFile(m_path)), line);
    }

    void restartsEmptyPastTwoMebibytes_data()
    {
        QTest::addColumn<int>("firstSize");
        QTest::addColumn<bool>("restarted");
        // The first message plus its line end makes the file size.
        QTest::newRow("exactly 2 MiB") << int(Logger::kMaxLogSize - 1) << false;
        QTest::newRow("2 MiB plus one byte") << int(Logger::kMaxLogSize) << true;
    }

    void restartsEmptyPastTwoMebibytes()
    {
        QFETCH(int, firstSize);
        QFETCH(bool, restarted);
        log(QtDebugMsg, QString(firstSize, QLatin1Char('a')));
        Logger::instance()->update();
        QCOMPARE(QFileInfo(m_path).size(), qint64(firstSize) + 1);

        log(QtDebugMsg, "next");
        Logger::instance()->update();
        const QByteArray content = fotoria::test::readFile(m_path);
        if (restarted)
            QCOMPARE(content, QByteArray("next\n"));
        else
            QVERIFY(content.endsWith("a\nnext\n"));
    }

    void readTailReturnsTheEnd()
    {
        const QString line = QString(99, QLatin1Char('x'));
        for (int i = 0; i < 10; ++i)
            log(QtDebugMsg, line);
        // Small log: the whole of it, unflushed lines included.
        QCOMPARE(Logger::instance()->readTail(Logger::kReportTailBytes).size(), 1000);

        for (int i = 0; i < 2000; ++i)
            log(QtDebugMsg, QStringLiteral("%1 ").arg(i, 6) + line);
        log(QtDebugMsg, "last line");
        const QString tail = Logger::instance()->readTail(Logger::kReportTailBytes);
        QCOMPARE(tail.size(), int(Logger::kReportTailBytes));
        QVERIFY(tail.endsWith("last line\n"));
        QCOMPARE(tail, QString::fromUtf8(fotoria::test::readFile(m_path)).right(int(Logger::kReportTailBytes)));
    }

    void manyThreadsLoseNoLine()
    {
        constexpr int kThreads = 8;
        constexpr int kLines = 2000;
        QList<QThread *> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads << QThread::create([t]() {
                for (int i = 0; i < kLines; ++i)
                    qDebug().noquote() << QStringLiteral("thread %1 line %2 end").arg(t).arg(i);
            });
        }
        const QtMessageHandler previous = qInstallMessageHandler(messageHandler);
        for (QThread *thread : threads)
            thread->start();
        for (QThread *thread : threads) {
            QVERIFY(thread->wait(60000));
            delete thread;
        }
        qInstallMessageHandler(previous);
        Logger::instance()->update();

        const QList<QByteArray> lines = fotoria::test::readFile(m_path).split('\n');
        QSet<QByteArray> seen;
        for (const QByteArray &line : lines) {
            if (line.isEmpty())
                continue;
            QVERIFY2(line.startsWith("thread ") && line.endsWith(" end"), line.constData());
            seen.insert(line);
        }
        QCOMPARE(seen.size(), kThreads * kLines);
    }

    void closedLogDropsMessagesQuietly()
    {
        Logger::instance()->closeLogFile();
        log(QtWarningMsg, "nowhere");
        QCOMPARE(fotoria::test::readFile(m_path), QByteArray());
        QVERIFY(!Logger::instance()->openLogFile(fotoria::test::testHome() + "/missing/dir/log.txt"));
        log(QtWarningMsg, "still nowhere");
    }

    void reportDialogForm()
    {
        LoggerReportDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Support"));
        QVERIFY(dialog.isModal());
        QCOMPARE(dialog.size(), QSize(640, 480));
        auto *label = dialog.findChild<QLabel *>("label");
        QVERIFY(label);
        QCOMPARE(label->text(),
                 QStringLiteral("Sorry about this, please describe the problem without using any naughty words:"));
        auto *user = dialog.findChild<QTextEdit *>("userTextBrowser");
        auto *report = dialog.findChild<QTextEdit *>("builtInTextBrowser");
        QVERIFY(user && report);
        QVERIFY(user->tabChangesFocus());
        QCOMPARE(user->font().pointSize(), 10);
        auto *buttons = dialog.findChild<QDialogButtonBox *>("buttonBox");
        QVERIFY(buttons);
        QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        dialog.setReportText("user report\nabc");
        QCOMPARE(dialog.reportText(), QStringLiteral("user report\nabc"));
    }
};

FOTORIA_TEST_MAIN(LoggerTest)
#include "LoggerTest.moc"
