#include <FotoriaService.h>
#include <TestMain.h>

#include <FirstTimeSetup.h>
#include <Onboarding.h>
#include <apps/desktopclient/ALogin.h>
#include <apps/desktopclient/DailyPhotoCheck.h>
#include <apps/desktopclient/HowlDialog.h>
#include <apps/desktopclient/ServicePage.h>
#include <apps/desktopclient/SimpleNotifications.h>
#include <apps/desktopclient/StartupQueue.h>
#include <core/Analytics.h>
#include <core/ImageStore.h>
#include <core/Settings.h>
#include <core/User.h>
#include <io/ProtocolManager.h>

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTimeZone>
#include <QMouseEvent>
#include <QWebEngineView>
#include <apps/desktopclient/WebProfile.h>

using fotoria::test::FotoriaService;

namespace {

// Exposes the navigation decision of the page.
class Page : public ServicePage
{
public:
    Page()
        : ServicePage(WebProfile::transient())
    {
    }
    using ServicePage::acceptNavigationRequest;
};

QDateTime at(const QString &date, const QString &time, int offsetSeconds)
{
    return QDateTime(QDate::fromString(date, Qt::ISODate), QTime::fromString(time, QStringLiteral("HH:mm")),
        QTimeZone(offsetSeconds));
}

// Closes the next modal dialog and reports its class.
void closeNextModal(QString *className)
{
    QTimer::singleShot(20, [className] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return closeNextModal(className);
        *className = QString::fromLatin1(modal->metaObject()->className());
        static_cast<QDialog *>(modal)->reject();
    });
}

} // namespace

class DialogsTest : public QObject
{
    Q_OBJECT

    FotoriaService m_service;

    int requests(const QString &path) { return m_service.journal(path).size(); }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(resources);
        QString error;
        QVERIFY2(m_service.start(&error), qPrintable(error));
        Settings::setValue(QStringLiteral("kServiceUrl"), m_service.baseUrl());
        Settings::setValue(QStringLiteral("kNetworkTimeout"), 10000);
        Settings::setValue(QStringLiteral("kShowWelcomeScreen"), false);
        QVERIFY(!Analytics::isDevelopmentMode());
    }

    void init()
    {
        m_service.clearFailures();
        m_service.clearJournal();
    }

    void login_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QString>("error");

        QTest::newRow("demo user") << " demo@fotoria.com"
                                   << "demo1234" << true << QString();
        QTest::newRow("user name") << "demo"
                                   << "demo1234" << true << QString();
        QTest::newRow("wrong password") << "demo@fotoria.com"
                                        << "wrong" << false << "Invalid email or password.";
        QTest::newRow("unconfirmed") << "unconfirmed@fotoria.com"
                                     << "demo1234" << false << "Email confirmation required.";
        QTest::newRow("no password") << "demo@fotoria.com"
                                     << "" << false << "Please enter your email/password.";
    }

    void login()
    {
        QFETCH(QString, email);
        QFETCH(QString, password);
        QFETCH(bool, signedIn);
        QFETCH(QString, error);

        User::instance()->reset();
        ALogin dialog;
        // What the controller does with the outcome.
        connect(ProtocolManager::instance(), &ProtocolManager::authAttempt_Signal, &dialog,
            [&dialog](QNetworkReply::NetworkError code, const QString &text) {
                if (code == QNetworkReply::NoError)
                    dialog.close();
                else
                    dialog.showError(text);
            });
        QSignalSpy closed(&dialog, &ALogin::loginClosed_Signal);
        dialog.prepare();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(dialog.emailEdit(), email);
        QTest::keyClicks(dialog.passwordEdit(), password);
        QTest::mouseClick(dialog.loginButton(), Qt::LeftButton);
        // Whatever the message, the fields keep their height.
        QVERIFY(dialog.passwordEdit()->height() >= dialog.passwordEdit()->sizeHint().height());

        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible() || !dialog.errorText().isEmpty(), 15000);
        QCOMPARE(dialog.isVisible(), !signedIn);
        QCOMPARE(closed.count(), signedIn ? 1 : 0);
        QCOMPARE(dialog.errorText(), error);
        QCOMPARE(User::instance()->authenticationToken().isEmpty(), !signedIn);
        // A failed attempt leaves the account on record as it was.
        QCOMPARE(User::instance()->email(),
            signedIn ? QStringLiteral("demo@fotoria.com") : User::serviceAccountEmail());
        QCOMPARE(requests("/api/v3/tokens"), password.isEmpty() ? 0 : 1);
        QVERIFY(dialog.loginButton()->isEnabled());
    }

    void loginClosedOnce_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("cancel button") << 0;
        QTest::newRow("escape") << 1;
        QTest::newRow("close") << 2;
    }

    void loginClosedOnce()
    {
        QFETCH(int, how);
        ALogin dialog;
        QSignalSpy closed(&dialog, &ALogin::loginClosed_Signal);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        if (how == 0)
            QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.close();
        QVERIFY(!dialog.isVisible());
        dialog.close();
        QCOMPARE(closed.count(), 1);
    }

    void loginErrorFits_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<qreal>("scale");
        const QString longText = QString("The service could not sign you in right now. ").repeated(6);
        QTest::newRow("one line") << "Invalid email or password." << 1.0;
        QTest::newRow("long message") << longText << 1.0;
        QTest::newRow("long message at 2x") << longText << 2.0;
    }

    void loginErrorFits()
    {
        QFETCH(QString, message);
        QFETCH(qreal, scale);
        if (qApp->devicePixelRatio() != scale) {
            // The scale is fixed when the application starts: the row runs in a child.
            QProcess child;
            child.setProcessChannelMode(QProcess::MergedChannels);
            qputenv("QT_SCALE_FACTOR", QByteArray::number(scale));
            child.start(QCoreApplication::applicationFilePath(),
                { QString("loginErrorFits:") + QTest::currentDataTag() });
            qunsetenv("QT_SCALE_FACTOR");
            QVERIFY2(child.waitForFinished(60000) && child.exitCode() == 0, child.readAll().constData());
            return;
        }
        ALogin dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.showError(message);
        const QLabel *label = dialog.messageLabel();
        QTRY_VERIFY(label->height() >= label->heightForWidth(label->width()));
        for (const QLineEdit *edit : { dialog.emailEdit(), dialog.passwordEdit() })
            QVERIFY(edit->height() >= edit->sizeHint().height());
        const QLabel *logo = dialog.findChild<QLabel *>(QStringLiteral("logoLabel"));
        QVERIFY(logo->size().expandedTo(QPixmap(":/images/login_logo.png").size()) == logo->size());
    }

    void servicePageStaysOnService_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("userClicked");
        QTest::addColumn<bool>("inView");
        QTest::addColumn<bool>("toBrowser");

        const QString service = m_service.baseUrl();
        const int link = QWebEnginePage::NavigationTypeLinkClicked;
        const int other = QWebEnginePage::NavigationTypeRedirect;
        QTest::newRow("service link") << service + "/howto" << link << true << true << false;
        QTest::newRow("outside link, clicked") << "https://example.com/" << link << true << false << true;
        QTest::newRow("outside link, scripted") << "https://example.com/" << link << false << false << false;
        QTest::newRow("outside redirect") << "https://example.com/" << other << true << false << false;
        QTest::newRow("local file link") << "file:///etc/passwd" << link << true << false << false;
        QTest::newRow("other port") << "http://127.0.0.1:1/notifications" << other << false << false << false;
    }

    void servicePageStaysOnService()
    {
        QFETCH(QString, url);
        QFETCH(int, type);
        QFETCH(bool, userClicked);
        QFETCH(bool, inView);
        QFETCH(bool, toBrowser);
        QWebEngineView view;
        auto *page = new Page;
        view.setPage(page);
        if (userClicked) {
            QMouseEvent release(QEvent::MouseButtonRelease, QPointF(1, 1), view.mapToGlobal(QPoint(1, 1)), Qt::LeftButton, {}, {});
            QApplication::sendEvent(&view, &release);
        }
        QSignalSpy external(page, &ServicePage::externalLink_Signal);
        QCOMPARE(page->acceptNavigationRequest(QUrl(url), QWebEnginePage::NavigationType(type), true), inView);
        QCOMPARE(external.count(), toBrowser ? 1 : 0);
        delete page;
    }

    void firstTimeSetup_data()
    {
        QTest::addColumn<bool>("firstRun");
        QTest::newRow("first run") << true;
        QTest::newRow("later run") << false;
    }

    void firstTimeSetup()
    {
        QFETCH(bool, firstRun);
        Settings::setValue(QStringLiteral("kSendAnalytics"), true);
        ImageStore::instance()->setActive(QStringLiteral("Favorites"), false);
        Settings::isFirstRun = firstRun;

        QWidget window;
        auto *setup = new FirstTimeSetup(&window);
        setup->start();
        // Whatever was sent before the marker has arrived once it has.
        Analytics::post(QStringLiteral("marker"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_service.journal("/track").isEmpty(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(m_service.journal("/track").size() == (firstRun ? 2 : 1), 10000);
        QStringList events;
        for (const QJsonValue &entry : m_service.journal("/track"))
            events.append(entry.toObject().value("decoded").toObject().value("event").toString());
        QCOMPARE(events.contains("d-firsttime"), firstRun);
        QCOMPARE(ImageStore::instance()->isActive(QStringLiteral("Favorites")), firstRun);
        QCOMPARE(setup->notifications() != nullptr, !firstRun);
        Settings::isFirstRun = false;
    }

    // On the first run, and later only when "Show this at start" was ticked.
    void welcomeShownWhenWanted_data()
    {
        QTest::addColumn<bool>("firstRun");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("wanted");
        QTest::newRow("first run") << true << QVariant() << true;
        QTest::newRow("later run, never ticked") << false << QVariant() << false;
        QTest::newRow("later run, ticked") << false << QVariant(true) << true;
        QTest::newRow("turned off") << false << QVariant(false) << false;
        QTest::newRow("first run, turned off") << true << QVariant(false) << false;
    }

    void welcomeShownWhenWanted()
    {
        QFETCH(bool, firstRun);
        QFETCH(QVariant, stored);
        QFETCH(bool, wanted);
        Settings::isFirstRun = firstRun;
        if (stored.isValid())
            Settings::setValue(QStringLiteral("kShowWelcomeScreen"), stored);
        else
            Settings::remove(QStringLiteral("kShowWelcomeScreen"));
        QWidget window;
        FirstTimeSetup setup(&window);
        QString shown;
        bool ticked = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (auto *dialog = qobject_cast<Onboarding *>(QApplication::activeModalWidget())) {
                shown = QStringLiteral("Onboarding");
                ticked = dialog->showCheckBox()->isChecked();
                dialog->reject();
            }
        });
        closer.start(20);
        setup.show_Slot();
        QTest::qWait(200);
        QTRY_COMPARE(shown, wanted ? QStringLiteral("Onboarding") : QString());
        QCOMPARE(ticked, stored.toBool());
        QCOMPARE(setup.queue()->waiting(), 0);
        Settings::isFirstRun = false;
        Settings::setValue(QStringLiteral("kShowWelcomeScreen"), false);
    }

    // At most one of the dialogs open at a time, in the order welcome,
    // notice, update; an expected kind holds the later ones back, and the
    // daily notice waits for any modal dialog. A step "wait" lets the event
    // loop run and writes "|" among what opened.
    void startupQueue_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("posted backwards")
            << QStringList { "post Update", "post Notice", "post Welcome" }
            << QStringList { "Welcome", "Notice", "Update" };
        QTest::newRow("the update waits for the expected welcome")
            << QStringList { "expect Welcome", "post Update", "wait", "post Welcome" }
            << QStringList { "|", "Welcome", "Update" };
        QTest::newRow("a notice that does not come frees the update")
            << QStringList { "expect Notice", "post Update", "wait", "settle Notice" }
            << QStringList { "|", "Update" };
        QTest::newRow("an unexpected settle holds nothing")
            << QStringList { "settle Welcome", "post Notice", "post Notice" }
            << QStringList { "Notice", "Notice" };
        QTest::newRow("daily notice after the update dialog")
            << QStringList { "post Daily", "post Update" } << QStringList { "Update", "Daily" };
        QTest::newRow("daily notice waits for another modal dialog")
            << QStringList { "modal", "post Daily", "wait", "close" } << QStringList { "|", "Daily" };
    }

    void startupQueue()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, opened);
        const QMetaEnum kinds = QMetaEnum::fromType<StartupQueue::Kind>();
        StartupQueue queue;
        QStringList seen;
        int open = 0, mostOpen = 0;
        QDialog other;
        other.setWindowModality(Qt::ApplicationModal);
        for (const QString &step : steps) {
            const QString verb = step.section(' ', 0, 0);
            const auto kind = StartupQueue::Kind(kinds.keyToValue(qPrintable(step.section(' ', 1))));
            if (verb == "post")
                queue.post(kind, [&, kind] {
                    seen << kinds.valueToKey(kind);
                    if (kind == StartupQueue::Daily)
                        return;
                    mostOpen = qMax(mostOpen, ++open);
                    QDialog dialog;
                    QTimer::singleShot(100, &dialog, &QDialog::reject);
                    dialog.exec();
                    --open;
                });
            else if (verb == "expect")
                queue.expect(kind);
            else if (verb == "settle")
                queue.settle(kind);
            else if (verb == "modal")
                other.show();
            else if (verb == "close")
                other.close();
            else if (QTest::qWait(500), true)
                seen << "|";
        }
        QTRY_COMPARE(seen, opened);
        QVERIFY(mostOpen <= 1);
        QCOMPARE(queue.waiting(), 0);
    }

    void welcomePages()
    {
        Settings::setValue(QStringLiteral("kShowWelcomeScreen"), true);
        Onboarding dialog;
        QSignalSpy loaded(dialog.webView(), &QWebEngineView::loadFinished);
        dialog.show();
        QVERIFY(dialog.showCheckBox()->isChecked());

        const QStringList labels { "Next", "Next", "Close" };
        for (int page = 0; page < 3; ++page) {
            QTRY_VERIFY_WITH_TIMEOUT(loaded.count() == page + 1, 10000);
            QVERIFY(loaded.last().first().toBool());
            // Laid out shortly after the load (Qt 5 gives the size in device
            // pixels: twice the page in the run at QT_SCALE_FACTOR=2; Qt 6 in
            // the page's own pixels).
            QTRY_COMPARE(dialog.webView()->page()->contentsSize().toSize(),
                QSize(Onboarding::kPageWidth, Onboarding::kPageHeight)
                    * (QT_VERSION_MAJOR >= 6 ? 1.0 : dialog.devicePixelRatioF()));
            // A click on the picture keeps it fitted (no zooming in at 2x).
            QTest::mouseClick(dialog.webView()->focusProxy(), Qt::LeftButton);
            QVERIFY(!QTest::qWaitFor([&] { return dialog.webView()->page()->contentsSize().width() > 1520; }, 500));
            QCOMPARE(dialog.previousButton()->isVisible(), page > 0);
            QCOMPARE(dialog.nextButton()->text(), labels.at(page));
            if (page < 2)
                QTest::mouseClick(dialog.nextButton(), Qt::LeftButton);
        }
        QStringList pictures;
        for (const QJsonValue &entry : m_service.journal("/onboarding/")) {
            pictures.append(entry.toObject().value("path").toString());
            // A scaled screen asks for the pictures at twice the pixels.
            QCOMPARE(entry.toObject().value("target").toString().endsWith("?scale=2"), dialog.devicePixelRatioF() > 1);
        }
        QCOMPARE(pictures,
            QStringList({ "/onboarding/onboarding-1.png", "/onboarding/onboarding-2.png",
                "/onboarding/onboarding-3.png" }));

        QTest::mouseClick(dialog.previousButton(), Qt::LeftButton);
        QCOMPARE(dialog.currentIndex(), 1);
        QTest::mouseClick(dialog.showCheckBox(), Qt::LeftButton);
        QCOMPARE(Settings::getBool(QStringLiteral("kShowWelcomeScreen"), true), false);
        QTest::mouseClick(dialog.nextButton(), Qt::LeftButton);
        QTest::mouseClick(dialog.nextButton(), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void notices_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("bodySize");
        QTest::addColumn<int>("lastSize");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<int>("storedSize");

        QTest::newRow("new 40 bytes") << "status" << 40 << 0 << true << 40;
        QTest::newRow("same 40 bytes") << "status" << 40 << 40 << false << 40;
        QTest::newRow("33 bytes") << "status" << 33 << 40 << true << 33;
        QTest::newRow("32 bytes stored only") << "status" << 32 << 40 << false << 32;
        QTest::newRow("20 bytes stored only") << "status" << 20 << 40 << false << 20;
        QTest::newRow("empty reply") << "empty" << 0 << 40 << false << 40;
        QTest::newRow("failed poll") << "http_error" << 0 << 40 << false << 40;
        QTest::newRow("the service's page") << "" << -1 << 0 << true << -1;
    }

    void notices()
    {
        QFETCH(QString, mode);
        QFETCH(int, bodySize);
        QFETCH(int, lastSize);
        QFETCH(bool, shown);
        QFETCH(int, storedSize);

        if (!mode.isEmpty())
            QVERIFY(m_service.setFailure("/notifications", mode,
                mode == "status" ? QMap<QString, QString> { { "status", "200" },
                    { "body", QString(bodySize, QLatin1Char('n')) }, { "count", "1" } }
                                 : QMap<QString, QString> { { "count", "1" } }));
        if (storedSize < 0)
            storedSize = m_service.request("GET", "/notifications").body.size();
        Settings::setValue(QStringLiteral("last_notification_size"), lastSize);

        SimpleNotifications notifications;
        QSignalSpy notice(&notifications, &SimpleNotifications::notice_Signal);
        QSignalSpy polled(&notifications, &SimpleNotifications::polled_Signal);
        notifications.timer_Slot();
        QVERIFY(polled.wait(15000));
        QCOMPARE(polled.first().first().toBool(), shown);
        QCOMPARE(notice.count(), shown ? 1 : 0);
        if (shown)
            QCOMPARE(notice.first().first().toUrl(), QUrl(m_service.baseUrl() + "/notifications"));
        QCOMPARE(Settings::getInt(QStringLiteral("last_notification_size"), 0), storedSize);
    }

    void dailyCheck_data()
    {
        QTest::addColumn<bool>("showNewAssets");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("lastDailys");
        QTest::addColumn<bool>("failing");
        QTest::addColumn<bool>("fetch");
        QTest::addColumn<QString>("timeStamp");

        const int india = 5 * 3600 + 1800;
        QTest::newRow("due") << true << at("2014-03-26", "09:15", india) << "" << false << true
                             << "2014-03-26T09:15:00.000+0530";
        QTest::newRow("at eight, west of UTC") << true << at("2014-03-26", "08:00", -5 * 3600) << "2014-03-25"
                                               << false << true << "2014-03-26T08:00:00.000-0500";
        QTest::newRow("UTC") << true << at("2014-12-31", "23:59", 0) << "" << false << true
                             << "2014-12-31T23:59:00.000+0000";
        QTest::newRow("switched off") << false << at("2014-03-26", "09:15", 0) << "" << false << false << "";
        QTest::newRow("before eight") << true << at("2014-03-26", "07:59", 0) << "" << false << false << "";
        QTest::newRow("already today")
            << true << at("2014-03-26", "18:00", 0) << "2014-03-26" << false << false << "";
        // 20:00 at UTC-5 is already tomorrow in UTC; today is the local date.
        QTest::newRow("already today, evening west of UTC")
            << true << at("2014-03-26", "20:00", -5 * 3600) << "2014-03-26" << false << false << "";
        QTest::newRow("service fails") << true << at("2014-03-26", "09:15", 0) << "2014-03-25" << true << true
                                       << "2014-03-26T09:15:00.000+0000";
    }

    void dailyCheck()
    {
        QFETCH(bool, showNewAssets);
        QFETCH(QDateTime, now);
        QFETCH(QString, lastDailys);
        QFETCH(bool, failing);
        QFETCH(bool, fetch);
        QFETCH(QString, timeStamp);

        Settings::setValue(QStringLiteral("kShowNewAssets"), showNewAssets);
        Settings::setValue(QStringLiteral("kLastDailys"), lastDailys);
        if (failing)
            QVERIFY(m_service.setFailure("/api/v3/dailys", "http_error"));
        DailyPhotoCheck check;
        check.setClock([now] { return now; });
        QSignalSpy notice(&check, &DailyPhotoCheck::notice_Signal);
        QSignalSpy checked(&check, &DailyPhotoCheck::checked_Signal);

        check.checkDailys_Slot();
        QCOMPARE(check.isRunning() || checked.count() == 1, fetch);
        if (fetch)
            QTRY_COMPARE_WITH_TIMEOUT(checked.count(), 1, 15000);
        const QJsonArray fetched = m_service.journal("/api/v3/dailys");
        QCOMPARE(fetched.size(), fetch ? 1 : 0);
        if (fetch)
            QCOMPARE(
                fetched.first().toObject().value("query").toObject().value("date").toString(), timeStamp);

        const bool noticed = fetch && !failing;
        QCOMPARE(notice.count(), noticed ? 1 : 0);
        const QString today = now.date().toString(Qt::ISODate);
        QCOMPARE(Settings::getString(QStringLiteral("kLastDailys")), noticed ? today : lastDailys);
        if (noticed) {
            // The same list the check was given.
            const QJsonObject first = m_service.request("GET", "/api/v3/dailys?date=" + today)
                                          .json()
                                          .value("dailys")
                                          .toArray()
                                          .first()
                                          .toObject();
            const QString url = first.value("url").toString();
            QCOMPARE(notice.first().at(0).toString(), url.left(url.size() - 4) + "-256x144.jpg");
            QCOMPARE(notice.first().at(1).toString(), first.value("title").toString().left(20));
            QCOMPARE(notice.first().at(2).value<QImage>().size(), QSize(256, 144));
        }

        // Once a day: a later check of the same day fetches nothing; a
        // failed one is tried again.
        m_service.clearFailures();
        m_service.clearJournal();
        check.checkDailys_Slot();
        QTRY_VERIFY_WITH_TIMEOUT(!check.isRunning(), 15000);
        QCOMPARE(m_service.journal("/api/v3/dailys").size(), failing ? 1 : 0);
    }

    void dailyRules_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("thumbnail");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shortTitle");

        QTest::newRow("https photo, long title") << "https://photos.fotoria.com/p/a1b2.jpg"
                                                 << "http://photos.fotoria.com/p/a1b2-256x144.jpg"
                                                 << "Morning over the harbour"
                                                 << "Morning over the har";
        QTest::newRow("jpeg, 20 characters") << "http://h:8080/p/x.y/pic.jpeg"
                                             << "http://h:8080/p/x.y/pic-256x144.jpg"
                                             << "Twenty characters ok"
                                             << "Twenty characters ok";
        QTest::newRow("no extension, surrogate at the cut")
            << "http://h/p/pic"
            << "http://h/p/pic-256x144.jpg"
            << QString("nineteen characters") + QString::fromUtf8("\xF0\x9F\x8C\x85")
            << "nineteen characters";
        QTest::newRow("not a web address") << "file:///etc/passwd.jpg"
                                           << ""
                                           << ""
                                           << "";
    }

    void dailyRules()
    {
        QFETCH(QString, url);
        QFETCH(QString, thumbnail);
        QFETCH(QString, title);
        QFETCH(QString, shortTitle);
        QCOMPARE(DailyPhotoCheck::thumbnailAddress(url), thumbnail);
        QCOMPARE(DailyPhotoCheck::shortTitle(title), shortTitle);
    }

    void dailyFetchCancelled()
    {
        Settings::setValue(QStringLiteral("kShowNewAssets"), true);
        Settings::setValue(QStringLiteral("kLastDailys"), QString());
        QVERIFY(m_service.setFailure("/api/v3/dailys", "hang"));
        DailyPhotoCheck check;
        check.setClock([] { return at("2014-03-26", "10:00", 0); });
        QSignalSpy notice(&check, &DailyPhotoCheck::notice_Signal);
        check.checkDailys_Slot();
        QTRY_COMPARE_WITH_TIMEOUT(m_service.journal("/api/v3/dailys").size(), 1, 10000);
        QVERIFY(check.isRunning());
        check.cancel();
        QVERIFY(!check.isRunning());
        QCoreApplication::processEvents();
        QCOMPARE(notice.count(), 0);
        QCOMPARE(Settings::getString(QStringLiteral("kLastDailys")), QString());
    }

    void howlNotice()
    {
        QPointer<HowlDialog> howl = new HowlDialog;
        QSignalSpy clicked(howl.data(), &HowlDialog::clicked_Signal);
        QImage thumbnail(256, 144, QImage::Format_RGB32);
        thumbnail.fill(Qt::darkCyan);
        howl->showNotice(thumbnail, "Morning over the har");
        QVERIFY(QTest::qWaitForWindowExposed(howl));
        QCOMPARE(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1920, 1080));
        QCOMPARE(howl->pos(), QPoint(1632, 952));
        // On a monitor right of the first one it stays on that monitor.
        QCOMPARE(HowlDialog::noticePosition(QRect(1920, 0, 1280, 1024)), QPoint(2912, 896));
        QCOMPARE(howl->size(), QSize(256, 64));
        QCOMPARE(howl->titleText(), QStringLiteral("Morning over the har ... "));
        QCOMPARE(howl->headlineText(), QStringLiteral("Today's New Photos!"));
        // Whole, whatever font stands in for the notice's own.
        const QLabel *headline = howl->findChild<QLabel *>(QStringLiteral("newPhotosLabel"));
        QVERIFY(QFontMetrics(headline->font()).horizontalAdvance(headline->text()) <= headline->width());
        QVERIFY(!howl->pictureLabel()->pixmap(Qt::ReturnByValue).isNull());
        QTest::mouseClick(howl, Qt::LeftButton, {}, QPoint(40, 30));
        QCOMPARE(clicked.count(), 1);
        QTRY_VERIFY(howl.isNull());
    }
};

FOTORIA_TEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
