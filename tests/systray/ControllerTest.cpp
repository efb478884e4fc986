#include <FotoriaService.h>
#include <TestEnvironment.h>
#include <WebPageScripts.h>

#include <ADownloadUpdateDialog.h>
#include <DCApplication.h>
#include <SignInSequence.h>
#include <TesselStartup.h>
#include <apps/desktopclient/ALogin.h>
#include <components/catalog/CABrowser.h>
#include <components/catalog/GalleryPage.h>
#include <core/Settings.h>
#include <core/User.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QtTest>

// The application object itself, in this process, against the real service:
// the tray menu, the sign-in and sign-out through the login dialog, and an
// update from the question to the hand-over.
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
        // The first sign-in checks for a newer version.
        QTRY_VERIFY_WITH_TIMEOUT(!m_service.journal("/api/v2/desktop_versions/").isEmpty(), 10000);
    }

    void cleanupTestCase() { app()->aboutToQuit(); }

    void trayMenu()
    {
        QStringList entries;
        for (const QAction *action : app()->trayIcon()->contextMenu()->actions())
            entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(entries,
            QStringList({ "Show Fotoria", "Go to fotoria.com", "-", "Next wallpaper", "Previous wallpaper",
                "Pause rotation", "Add to Favorites", "-", "Exit" }));
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

    // Cancelling Login keeps the person where they were: the playlist view
    // stays, a signed-in shared account is not signed in again, and the
    // update check of the first sign-in is not repeated.
    void loginCancelledKeepsTheView_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("shared account signed in") << true;
        QTest::newRow("shared account not signed in") << false;
    }

    void loginCancelledKeepsTheView()
    {
        QFETCH(bool, signedIn);
        QTRY_VERIFY_WITH_TIMEOUT(User::instance()->isLoggedIn(), 10000);
        User::instance()->setLoggedIn(signedIn); // as after failed tries at start
        CABrowser *window = DCApplication::mainWindow();
        window->showPlaylist_Slot();
        m_service.clearJournal();
        bool remembered = true; // the shared account never ticks "Remember me"
        QTimer::singleShot(300, [this, &remembered, window] {
            auto *dialog = qobject_cast<ALogin *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            remembered = dialog->rememberBox()->isChecked();
            // A refused try first: its message must not outlive the dialog.
            dialog->emailEdit()->setText("nobody@fotoria.com");
            dialog->passwordEdit()->setText("wrong");
            dialog->loginButton()->click();
            QTRY_VERIFY_WITH_TIMEOUT(!dialog->messageLabel()->text().isEmpty(), 10000);
            QVERIFY(!window->form().messageLabel->text().isEmpty());
            m_service.clearJournal();
            dialog->cancelButton()->click();
        });
        window->login_Slot();
        QVERIFY(!remembered);
        QTRY_VERIFY_WITH_TIMEOUT(User::instance()->isLoggedIn(), 10000);
        QTest::qWait(1500); // room for what a sign-in starts
        int posts = 0;
        for (const QJsonValue &entry : m_service.journal("/api/v3/tokens"))
            posts += entry.toObject().value("method").toString() == QLatin1String("POST");
        QCOMPARE(posts, signedIn ? 0 : 1);
        QCOMPARE(m_service.journal("/api/v2/desktop_versions/").size(), 0);
        QCOMPARE(window->form().messageLabel->text(), QString());
        QVERIFY(!window->webViewShown());
        window->showWebView_Slot();
    }

    // Cancel is remembered as declined; Check Now says why a newer version
    // cannot be installed.
    void updateMessages_data()
    {
        QTest::addColumn<QString>("scheme"); // of the installer link
        QTest::addColumn<QString>("shown"); // title: text
        QTest::newRow("Cancel is remembered")
            << "https" << "Update available: 1.4.5.0 is available.\n\nClick OK to install the update and relaunch.";
        QTest::newRow("Check Now: cannot be installed")
            << "http" << "Auto update: Version 1.4.5.0 is available but cannot be installed: its download address "
                         "is not secure (it does not begin with https).";
    }

    void updateMessages()
    {
        QFETCH(QString, scheme);
        QFETCH(QString, shown);
        QVERIFY(m_service.setConfig("linux_version", "1.4.5.0"));
        const QString origin = scheme == "https" ? m_service.httpsUrl() : m_service.baseUrl();
        QVERIFY(m_service.setConfig("download_link", origin + "/downloads/fotoria-1.4.5.0.tar.gz"));
        Settings::setValue("kIgnoreSslErrors", false);
        Settings::setValue("kDeclinedVersion", QString());
        QString seen;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&seen] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen = box->windowTitle() + ": " + (box->informativeText().isEmpty() ? box->text() : box->informativeText());
                box->reject();
            }
        });
        poll.start(50);
        app()->checkForUpdates(true, true);
        QTRY_COMPARE_WITH_TIMEOUT(seen, shown, 10000);
        QCOMPARE(Settings::getString("kDeclinedVersion"), scheme == "https" ? "1.4.5.0" : "");
    }

    // The service is gone: our page in the view, the next try counted down
    // in the toolbar; "Try again" (the toolbar's or the page's) signs in at
    // once with the service back, and the gallery replaces the message.
    void unreachableServiceTryAgain_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("toolbar button") << "button";
        QTest::newRow("the page's link") << "page";
        QTest::newRow("Login opened and cancelled") << "login";
    }

    void unreachableServiceTryAgain()
    {
        QFETCH(QString, how);
        const CABrowserForm &form = DCApplication::mainWindow()->form();
        const quint16 port = m_service.httpPort();
        m_service.stop();
        User::instance()->setLoggedIn(false);
        app()->signIn()->setFirstRetryDelay(10 * 60 * 1000); // only "Try again" comes in time
        app()->signIn()->delayedLogin_Slot();
        QTRY_VERIFY_WITH_TIMEOUT(form.messageLabel->text().startsWith("Cannot reach Fotoria. Trying again in "), 15000);
        QVERIFY(form.tryAgainButton->isVisible());
        GalleryPage *page = DCApplication::mainWindow()->galleryPage();
        QTRY_VERIFY(page->showsFailure()
            && fotoria::test::runScript(page, "!!document.getElementById('try-again')").toBool());
        QString error;
        QVERIFY2(m_service.start(&error, port), qPrintable(error));
        if (how == "page") {
            fotoria::test::runScript(page, "document.getElementById('try-again').click()");
        } else if (how == "button") {
            form.tryAgainButton->click();
        } else {
            // No countdown to a try that will not come while the dialog is open.
            QString shown;
            QTimer::singleShot(300, [&form, &shown] {
                shown = form.messageLabel->text() + (form.tryAgainButton->isVisible() ? "|Try again" : "");
                qobject_cast<ALogin *>(QApplication::activeModalWidget())->cancelButton()->click();
            });
            app()->signIn()->login_Slot();
            QCOMPARE(shown, QStringLiteral("Unable to connect to server!"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(form.messageLabel->text(), QString(), 15000);
        QVERIFY(!form.tryAgainButton->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!page->showsFailure() && page->url().path() == QLatin1String("/gallery/home"), 15000);
    }

    // A newer version is asked about, downloaded with progress and, on Apply,
    // handed to the script beside the program, which gets the installer path.
    // Last: the hand-over quits, and Qt ends every later event loop.
    void updatePromptDownloadsAndApplies()
    {
        const QString record = QDir(fotoria::test::testHome()).filePath("handover.txt");
        const QString script = QCoreApplication::applicationDirPath() + "/linux_auto_update.sh";
        QFile::remove(script);
        auto removeScript = qScopeGuard([script] { QFile::remove(script); });
        {
            QFile file(script);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" > '%1.part' && mv '%1.part' '%1'\n")
                           .arg(record)
                           .toUtf8());
            file.close();
            QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
        }
        QVERIFY(m_service.setConfig("linux_version", "1.5.0.0"));
        // Installers come over https only; the test service's certificate is self-signed.
        QVERIFY(m_service.setConfig("download_link", m_service.httpsUrl() + "/downloads/fotoria-1.5.0.0.tar.gz"));
        Settings::setValue("kIgnoreSslErrors", true);
        m_service.clearJournal();

        // Everything after the question runs inside its modal loop, so a timer
        // answers; it closes whatever is left open after 30 s.
        QString question, title, dialogText;
        bool answered = false, downloaded = false;
        QTimer poll;
        QElapsedTimer clock;
        clock.start();
        connect(&poll, &QTimer::timeout, this, [&] {
            if (clock.elapsed() > 30000) {
                poll.stop();
                if (QWidget *modal = QApplication::activeModalWidget())
                    modal->close();
                // Also when it runs without being modal: its loop holds the test.
                if (auto *dialog = DCApplication::mainWindow()->findChild<ADownloadUpdateDialog *>())
                    dialog->reject();
                return;
            }
            if (!answered) {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!box)
                    return;
                title = box->windowTitle();
                // The version comes from the service: never rich text.
                question = box->textFormat() == Qt::PlainText ? box->text() : QString();
                answered = true;
                box->button(QMessageBox::Ok)->click();
                return;
            }
            // Modal like the question: the window stays out of reach meanwhile.
            auto *dialog = qobject_cast<ADownloadUpdateDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            QPushButton *ok = dialog->buttonBox()->button(QDialogButtonBox::Ok);
            if (!ok || !ok->isVisible() || ok->text() != QStringLiteral("Apply"))
                return;
            dialogText = dialog->messageLabel()->text();
            downloaded = !m_service.journal("/downloads/").isEmpty()
                && dialog->progressBar()->value() == dialog->progressBar()->maximum();
            poll.stop();
            ok->click();
        });
        poll.start(100);
        app()->checkForUpdates(true, false);
        QTRY_VERIFY_WITH_TIMEOUT(!poll.isActive(), 40000);

        QVERIFY2(answered, "no update question appeared");
        QCOMPARE(title, QStringLiteral("Update available"));
        QCOMPARE(question,
            QStringLiteral("1.5.0.0 is available.\n\nClick OK to install the update and relaunch."));
        QVERIFY2(!dialogText.isEmpty(), "the download dialog never offered Apply");
        QCOMPARE(dialogText, QStringLiteral("Update downloaded"));
        QVERIFY2(downloaded, "no complete installer download in the service's journal");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString installer = QString::fromUtf8(file.readAll()).trimmed();
        const QString download = m_service.journal("/downloads/").first().toObject().value("path").toString();
        QCOMPARE(QFileInfo(installer).fileName(), download.section('/', -1));
        QCOMPARE(QFileInfo(installer).size(), 65536);
        // Asked to quit: after a quit, Qt 5 returns from a new loop at once (-1).
        QEventLoop loop;
        QTimer::singleShot(5000, &loop, [&loop] { loop.exit(1); });
        QCOMPARE(loop.exec(), -1);
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
