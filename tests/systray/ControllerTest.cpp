#include <FotoriaService.h>
#include <TestEnvironment.h>

#include <DCApplication.h>
#include <SignInSequence.h>
#include <TesselStartup.h>
#include <apps/desktopclient/ALogin.h>
#include <components/catalog/CABrowser.h>
#include <core/Settings.h>
#include <core/User.h>

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QtTest>

// The application object itself, in this process, against the real service:
// the tray menu and the sign-in and sign-out through the login dialog.
class ControllerTest : public QObject
{
    Q_OBJECT

    fotoria::test::FotoriaService m_service;

    static DCApplication *app() { return static_cast<DCApplication *>(QCoreApplication::instance()); }
    static QString loginButtonTip() { return DCApplication::mainWindow()->form().loginButton->toolTip(); }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QNetworkReply::NetworkError>();
        QString error;
        QVERIFY2(m_service.start(&error), qPrintable(error));
        Settings::setValue("kServiceUrl", m_service.baseUrl());
        Settings::setValue("kShowWelcomeScreen", false);
        app()->initialize();
        QTRY_VERIFY_WITH_TIMEOUT(app()->signIn()->signedInThisRun(), 10000);
    }

    void cleanupTestCase() { app()->aboutToQuit(); }

    void trayMenu()
    {
        QStringList entries;
        for (const QAction *action : app()->trayIcon()->contextMenu()->actions())
            entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(entries, QStringList({ "Show Fotoria", "Go to fotoria.com", "-", "Exit" }));
        QCOMPARE(DCApplication::websiteAddress(), QUrl("http://api.fotoria.com"));
    }

    // Log in as a person through the dialog, then log out again.
    void loginAndLogout()
    {
        QCOMPARE(loginButtonTip(), QStringLiteral("Log in"));
        QTimer::singleShot(300, [] {
            auto *dialog = qobject_cast<ALogin *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->emailEdit()->setText("demo@fotoria.com");
            dialog->passwordEdit()->setText("demo1234");
            dialog->loginButton()->click();
        });
        DCApplication::mainWindow()->login_Slot();
        QTRY_COMPARE_WITH_TIMEOUT(User::instance()->email(), QStringLiteral("demo@fotoria.com"), 10000);
        QVERIFY(!User::instance()->authenticationToken().isEmpty());
        QTRY_COMPARE(loginButtonTip(), QStringLiteral("Log out"));

        m_service.clearJournal();
        DCApplication::mainWindow()->login_Slot();
        QTRY_COMPARE_WITH_TIMEOUT(loginButtonTip(), QStringLiteral("Log in"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!m_service.journal("/api/v3/tokens").isEmpty(), 10000);
        QTRY_COMPARE(User::instance()->email(), QStringLiteral("desktop@fotoria.com"));
    }
};

int main(int argc, char *argv[])
{
    fotoria::test::isolateEnvironment();
    TesselStartup::initializeQt();
    DCApplication app(argc, argv);
    // A first run, as in a new profile: no notice poll interrupts the test.
    TesselStartup::initializeApp();
    ControllerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ControllerTest.moc"
