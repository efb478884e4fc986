#include <FotoriaService.h>
#include <TestMain.h>

#include <SignInSequence.h>
#include <core/Settings.h>
#include <core/User.h>
#include <io/ProtocolManager.h>

#include <QFile>

// The sign-in decisions against the real service, and without one.
class SignInSequenceTest : public QObject
{
    Q_OBJECT

    fotoria::test::FotoriaService m_service;

    void wire(SignInSequence &sequence)
    {
        connect(ProtocolManager::instance(), &ProtocolManager::authAttempt_Signal, &sequence,
            &SignInSequence::authAttempt_Slot);
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QNetworkReply::NetworkError>();
        QString error;
        QVERIFY2(m_service.start(&error), qPrintable(error));
    }

    void init()
    {
        User::instance()->reset();
        Settings::setValue("kServiceUrl", m_service.baseUrl());
        Settings::remove("kNetworkTimeout");
        m_service.clearJournal();
        m_service.clearFailures();
    }

    void serviceAccountSignsInOnce()
    {
        SignInSequence sequence;
        wire(sequence);
        QSignalSpy signedIn(&sequence, &SignInSequence::signedIn_Signal);
        sequence.start();
        QVERIFY(signedIn.wait(10000));
        QCOMPARE(m_service.journal("/api/v3/tokens").size(), 1);
        QVERIFY(sequence.signedInThisRun());
        QCOMPARE(sequence.attemptsLeft(), 2);
    }

    // Three tries one second apart, then the message; the next try only
    // much later.
    void noServiceMessageAfterThreeQuickTries()
    {
        Settings::setValue("kServiceUrl", QStringLiteral("http://127.0.0.1:1"));
        SignInSequence sequence;
        wire(sequence);
        QSignalSpy failed(&sequence, &SignInSequence::failed_Signal);
        QSignalSpy state(&sequence, &SignInSequence::postState_Signal);
        sequence.start();
        QVERIFY(failed.wait(15000));
        QCOMPARE(state.size(), 3);
        QVERIFY(QStringList({ "Please check your internet connection!", "Unable to connect to server!" })
                    .contains(failed.first().first().toString()));
        QTest::qWait(1500);
        QCOMPARE(state.size(), 3);
    }

    // A person's stored sign-in at start: kept when it is to be remembered
    // and the service still takes it; a refused token asks for the login
    // dialog instead of being sent again at every login command.
    void storedPersonAtStart_data()
    {
        QTest::addColumn<bool>("remember");
        QTest::addColumn<bool>("validToken");
        QTest::addColumn<QString>("outcome"); // "person", "service" or "dialog"
        QTest::newRow("remembered") << true << true << "person";
        QTest::newRow("not remembered") << false << true << "service";
        QTest::newRow("token refused") << true << false << "dialog";
    }

    void storedPersonAtStart()
    {
        QFETCH(bool, remember);
        QFETCH(bool, validToken);
        QFETCH(QString, outcome);
        User *user = User::instance();
        QString token = QStringLiteral("no-longer-valid");
        if (validToken) {
            SignInSequence signIn;
            wire(signIn);
            QSignalSpy done(&signIn, &SignInSequence::postState_Signal);
            user->setEmail(QStringLiteral("demo@fotoria.com"));
            ProtocolManager::instance()->login(user->email(), QStringLiteral("demo1234"), false);
            QVERIFY(done.wait(10000));
            token = user->authenticationToken();
            QVERIFY(!token.isEmpty());
        }
        user->setEmail(QStringLiteral("demo@fotoria.com"));
        user->setUuid(QStringLiteral("a3e1b7c4-62d9-4f05-8e3a-7b9c1d2e4f60"));
        user->setAuthenticationToken(token);
        user->setRemember(remember);
        user->save();

        SignInSequence sequence;
        wire(sequence);
        QSignalSpy signedIn(&sequence, &SignInSequence::signedIn_Signal);
        QSignalSpy failed(&sequence, &SignInSequence::failed_Signal);
        QSignalSpy dialog(&sequence, &SignInSequence::loginDialogRequested_Signal);
        sequence.start();
        if (outcome == QLatin1String("dialog")) {
            QVERIFY(dialog.wait(10000));
            QCOMPARE(failed.value(0).value(0).toString(), SignInSequence::expiredMessage());
            QVERIFY(user->authenticationToken().isEmpty());
            QFile file(Settings::fileName()); // the file itself, not the settings cache
            QVERIFY(file.open(QIODevice::ReadOnly) && !file.readAll().contains(token.toUtf8()));
            return;
        }
        QVERIFY(signedIn.wait(10000));
        QCOMPARE(user->email() == QLatin1String("demo@fotoria.com"), outcome == QLatin1String("person"));
        QVERIFY(dialog.isEmpty());
    }

    // Unreachable at start (the network not up yet), or answering in a way
    // that cannot be used: after the three quick tries it keeps trying in
    // the background until it gets through.
    void keepsTryingWhileUnreachable_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("messages"); // a try past the time-out tells at once
        QTest::newRow("503") << "http_error" << "503" << 2;
        QTest::newRow("huge reply") << "huge" << "" << 2;
        QTest::newRow("slow drip") << "drip" << "" << 4;
    }

    void keepsTryingWhileUnreachable()
    {
        QFETCH(QString, mode);
        QFETCH(QString, status);
        QFETCH(int, messages);
        Settings::setValue("kNetworkTimeout", 1000);
        QVERIFY(m_service.setFailure(QStringLiteral("/api/v3/tokens"), mode,
            { { "status", status.isEmpty() ? "200" : status }, { "count", "4" }, { "delay_ms", "300" } }));
        SignInSequence sequence;
        sequence.setFirstRetryDelay(200);
        wire(sequence);
        QSignalSpy failed(&sequence, &SignInSequence::failed_Signal);
        QSignalSpy signedIn(&sequence, &SignInSequence::signedIn_Signal);
        sequence.start();
        QVERIFY(signedIn.wait(20000));
        QCOMPARE(failed.size(), messages); // one per failure past the quick tries
        QCOMPARE(failed.first().first().toString(), QStringLiteral("Please check your internet connection!"));
        QCOMPARE(m_service.journal("/api/v3/tokens").size(), 5);
    }

    // Results as they reach the sequence, each with its own mode; a person
    // with a stored token is on record throughout.
    void results_data()
    {
        QTest::addColumn<QStringList>("results"); // "timeout", "ok", "401", "401 to the token"
        QTest::addColumn<QStringList>("delays"); // the background delays logged, in seconds
        QTest::addColumn<bool>("tokenKept");
        QTest::newRow("outages: each try waits longer") << QStringList { "timeout", "timeout", "timeout" }
                                                        << QStringList { "2", "4", "8" } << true;
        QTest::newRow("after a success: the first delay again")
            << QStringList { "timeout", "timeout", "ok", "timeout" } << QStringList { "2", "4", "2" } << true;
        QTest::newRow("the service account's 401 leaves the person's token") << QStringList { "401" } << QStringList() << true;
        QTest::newRow("the token's own 401 drops it") << QStringList { "401 to the token" } << QStringList() << false;
    }

    void results()
    {
        QFETCH(QStringList, results);
        QFETCH(QStringList, delays);
        QFETCH(bool, tokenKept);
        User *user = User::instance();
        user->storeLogin(QStringLiteral("demo@fotoria.com"), QStringLiteral("u-1"), QStringLiteral("person-token"), QString());
        SignInSequence sequence;
        sequence.setFirstRetryDelay(2000);
        sequence.login_Slot(); // past the quick tries: a token sign-in in flight
        for (const QString &delay : delays)
            QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("next sign-in try in %1 s").arg(delay)));
        for (const QString &result : results) {
            if (result == QLatin1String("ok"))
                sequence.authAttempt_Slot(QNetworkReply::NoError, "No Error", false);
            else if (result.startsWith(QLatin1String("401")))
                sequence.authAttempt_Slot(QNetworkReply::AuthenticationRequiredError, "refused", result.endsWith("token"));
            else
                sequence.authAttempt_Slot(QNetworkReply::TimeoutError, "Unknown Error", false);
        }
        QCOMPARE(user->authenticationToken() == QLatin1String("person-token"), tokenKept);
    }

    void messages_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");
        QTest::newRow("refused") << int(QNetworkReply::ConnectionRefusedError)
                                 << "Unable to connect to server!";
        QTest::newRow("unconfirmed") << int(QNetworkReply::ContentOperationNotPermittedError)
                                     << "Email confirmation required!";
        QTest::newRow("service's own") << int(QNetworkReply::UnknownContentError) << "from the service";
        QTest::newRow("other") << int(QNetworkReply::TimeoutError)
                               << "Please check your internet connection!";
    }

    void messages()
    {
        QFETCH(int, error);
        QFETCH(QString, message);
        QCOMPARE(
            SignInSequence::errorMessage(QNetworkReply::NetworkError(error), "from the service"), message);
    }
};

FOTORIA_TEST_MAIN(SignInSequenceTest)
#include "SignInSequenceTest.moc"
