#include <FotoriaService.h>
#include <TestFiles.h>
#include <TestMain.h>

#include <apps/desktopclient/EmailChange.h>
#include <apps/desktopclient/SettingsDialog.h>
#include <core/FileLocations.h>
#include <core/ImageStore.h>
#include <core/Settings.h>
#include <core/User.h>
#include <io/ProtocolManager.h>
#include <platform/ControlPanels.h>
#include <systray/WallpaperManager.h>

#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTemporaryDir>

using fotoria::test::FotoriaService;
using fotoria::test::readFile;
using fotoria::test::writeFile;
using platform::ControlPanel;

namespace {

// Answers the next modal message box with `button`.
void answerNextMessageBox(QMessageBox::StandardButton button)
{
    QTimer::singleShot(10, [button] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return answerNextMessageBox(button);
        box->button(button)->click();
    });
}

} // namespace

class SettingsDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void opensOnStoredValues_data();
    void opensOnStoredValues();
    void controlWritesAtOnce_data();
    void controlWritesAtOnce();
    void emailChange_data();
    void emailChange();
    void emailChangeEndsWithItsOwner();
    void controlPanel_data();
    void controlPanel();
    // Last: the quit a reset asks for ends every later event loop.
    void reset_data();
    void reset();

private:
    FotoriaService m_service;
};

void SettingsDialogTest::initTestCase()
{
    qRegisterMetaType<QNetworkReply::NetworkError>();
    QString error;
    QVERIFY2(m_service.start(&error), qPrintable(error));
    FileLocations().createDirectories();
}

void SettingsDialogTest::init()
{
    Settings::setValue(QStringLiteral("kServiceUrl"), m_service.baseUrl());
    Settings::setValue(QStringLiteral("kNetworkTimeout"), 5000);
    User::instance()->reset();
}

void SettingsDialogTest::opensOnStoredValues_data()
{
    QTest::addColumn<QVariant>("changePicture");
    QTest::addColumn<QVariant>("showNewAssets");
    QTest::addColumn<QVariant>("autoUpdate");
    QTest::addColumn<int>("frequencyIndex");
    QTest::addColumn<bool>("notificationsTicked");
    QTest::addColumn<int>("autoUpdateIndex");

    QTest::newRow("nothing stored") << QVariant() << QVariant() << QVariant() << 4 << true << 1;
    QTest::newRow("900 s is not offered: Never")
        << QVariant(900) << QVariant(true) << QVariant(1) << 0 << true << 1;
    QTest::newRow("0 s") << QVariant(0) << QVariant(true) << QVariant(1) << 0 << true << 1;
    QTest::newRow("1 hour, no notices, no updates")
        << QVariant(3600) << QVariant(false) << QVariant(0) << 3 << false << 0;
    QTest::newRow("1 minute") << QVariant(60) << QVariant(true) << QVariant(1) << 1 << true << 1;
}

void SettingsDialogTest::opensOnStoredValues()
{
    QFETCH(QVariant, changePicture);
    QFETCH(QVariant, showNewAssets);
    QFETCH(QVariant, autoUpdate);
    QFETCH(int, frequencyIndex);
    QFETCH(bool, notificationsTicked);
    QFETCH(int, autoUpdateIndex);

    const auto store = [](const QString &key, const QVariant &value) {
        value.isValid() ? Settings::setValue(key, value) : Settings::remove(key);
    };
    store(QStringLiteral("kChangePicture"), changePicture);
    store(QStringLiteral("kShowNewAssets"), showNewAssets);
    store(QStringLiteral("kAutoUpdate"), autoUpdate);

    SettingsDialog dialog;
    QSignalSpy interval(&dialog, &SettingsDialog::changeIntervalChanged_Signal);
    dialog.refresh();

    QCOMPARE(dialog.findChild<QComboBox *>("frequencyComboBox")->currentIndex(), frequencyIndex);
    QCOMPARE(dialog.findChild<QCheckBox *>("notificationsCheckBox")->isChecked(), notificationsTicked);
    QCOMPARE(dialog.findChild<QComboBox *>("autoUpdateComboBox")->currentIndex(), autoUpdateIndex);
    // Opening shows the store; it never writes it or touches the rotation.
    QCOMPARE(Settings::value(QStringLiteral("kChangePicture")), changePicture);
    QCOMPARE(Settings::value(QStringLiteral("kAutoUpdate")), autoUpdate);
    QCOMPARE(interval.count(), 0);
    // A bare X server has no lock screen picture to set: the box says why.
    auto *lockScreen = dialog.findChild<QCheckBox *>("lockScreenCheckBox");
    QVERIFY(!lockScreen->isEnabled());
    QVERIFY(lockScreen->toolTip().contains("lock screen"));
}

void SettingsDialogTest::controlWritesAtOnce_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("before");
    QTest::addColumn<int>("choice"); // index, or the tick (0/1) of a check box
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("rotating"); // combined with an interval signal for the rotation only

    QTest::newRow("notifications off") << "notificationsCheckBox"
                                       << "kShowNewAssets" << QVariant(true) << 0 << QVariant(false) << false;
    QTest::newRow("notifications on") << "notificationsCheckBox"
                                      << "kShowNewAssets" << QVariant(false) << 1 << QVariant(true) << false;
    QTest::newRow("usage information off")
        << "usageInfoCheckBox"
        << "kSendAnalytics" << QVariant(true) << 0 << QVariant(false) << false;
    QTest::newRow("auto update never") << "autoUpdateComboBox"
                                       << "kAutoUpdate" << QVariant(1) << 0 << QVariant(0) << false;
    QTest::newRow("auto update regular") << "autoUpdateComboBox"
                                         << "kAutoUpdate" << QVariant(0) << 1 << QVariant(1) << false;
    QTest::newRow("wallpaper never") << "frequencyComboBox"
                                     << "kChangePicture" << QVariant(3600) << 0 << QVariant(-1) << false;
    QTest::newRow("wallpaper 1 minute") << "frequencyComboBox"
                                        << "kChangePicture" << QVariant(-1) << 1 << QVariant(60) << true;
    QTest::newRow("wallpaper 5 minutes") << "frequencyComboBox"
                                         << "kChangePicture" << QVariant(-1) << 2 << QVariant(300) << true;
    QTest::newRow("wallpaper 1 hour after 900 s")
        << "frequencyComboBox"
        << "kChangePicture" << QVariant(900) << 3 << QVariant(3600) << true;
    QTest::newRow("wallpaper 1 day") << "frequencyComboBox"
                                     << "kChangePicture" << QVariant(60) << 4 << QVariant(86400) << true;
    QTest::newRow("order shuffle") << "orderComboBox"
                                   << "kWallpaperOrder" << QVariant(0) << 1 << QVariant(1) << false;
    QTest::newRow("fill blurred") << "fillComboBox"
                                  << "kWallpaperFill" << QVariant(0) << 1 << QVariant(1) << false;
    QTest::newRow("a photo per monitor")
        << "perMonitorCheckBox"
        << "kWallpaperPerMonitor" << QVariant(false) << 1 << QVariant(true) << false;
}

void SettingsDialogTest::controlWritesAtOnce()
{
    QFETCH(QString, control);
    QFETCH(QString, key);
    QFETCH(QVariant, before);
    QFETCH(int, choice);
    QFETCH(QVariant, stored);
    QFETCH(bool, rotating);

    Settings::setValue(key, before);
    // The rotation as the controller runs it: an empty picture store, so a
    // start installs nothing.
    QTemporaryDir pictures;
    ImageStore store(pictures.filePath("active.xml"), pictures.filePath("playlists"));
    WallpaperManager manager(&store);
    manager.start();

    SettingsDialog dialog;
    connect(&dialog, &SettingsDialog::changeIntervalChanged_Signal, &manager, [&manager] {
        manager.stop();
        manager.start();
    });
    QSignalSpy interval(&dialog, &SettingsDialog::changeIntervalChanged_Signal);
    QSignalSpy look(&dialog, &SettingsDialog::wallpaperLookChanged_Signal);
    dialog.refresh();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    if (auto *box = dialog.findChild<QCheckBox *>(control)) {
        QCOMPARE(box->isChecked(), !choice);
        // On the tick itself: the box is wider than its text.
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    } else {
        auto *combo = dialog.findChild<QComboBox *>(control);
        QVERIFY(combo);
        QVERIFY(combo->currentIndex() != choice);
        combo->setCurrentIndex(choice);
    }

    QCOMPARE(Settings::value(key).toInt(), stored.toInt());
    if (key == QLatin1String("kChangePicture")) {
        QCOMPARE(interval.count(), 1);
        QCOMPARE(interval.first().first().toInt(), stored.toInt());
        QCOMPARE(manager.isRunning(), rotating);
    } else {
        QCOMPARE(interval.count(), 0);
    }
    // Only what changes the picture's look has it made again.
    QCOMPARE(look.count(), int(key == QLatin1String("kWallpaperFill") || key == QLatin1String("kWallpaperPerMonitor")));
}

void SettingsDialogTest::emailChange_data()
{
    QTest::addColumn<bool>("signIn");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QString>("message");

    QTest::newRow("new address") << true << "demo.new@fotoria.com" << true << true << true
                                 << "demo.new@fotoria.com";
    QTest::newRow("refused by the service")
        << true << "demo@" << true << true << false << "Please enter a valid email address.";
    QTest::newRow("another account's address")
        << true << "desktop@fotoria.com" << true << true << false << "This email address is already in use.";
    QTest::newRow("no @") << true << "demo.fotoria.com" << true << false << false << "not an e-mail address";
    QTest::newRow("empty") << true << "  " << false << false << false << "";
    QTest::newRow("service account") << false << "someone@fotoria.com" << false << false << false << "";
}

void SettingsDialogTest::emailChange()
{
    QFETCH(bool, signIn);
    QFETCH(QString, address);
    QFETCH(bool, answered);
    QFETCH(bool, sent);
    QFETCH(bool, changed);
    QFETCH(QString, message);

    User *user = User::instance();
    if (signIn) {
        // By user name: an earlier row may have changed the demo address.
        QSignalSpy signedIn(ProtocolManager::instance(), &ProtocolManager::authAttempt_Signal);
        ProtocolManager::instance()->login(QStringLiteral("demo"), QStringLiteral("demo1234"), false);
        QVERIFY(signedIn.wait(10000));
        QCOMPARE(signedIn.first().first().value<QNetworkReply::NetworkError>(), QNetworkReply::NoError);
    }
    QCOMPARE(EmailChange::canChange(), signIn);
    const QString emailBefore = user->email();
    const QString uuid = user->uuid();
    m_service.clearJournal();

    EmailChange change;
    QSignalSpy finished(&change, &EmailChange::finished_Signal);
    QCOMPARE(change.change(address), answered);
    if (answered) {
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.first().at(0).toBool(), changed);
        QVERIFY2(finished.first().at(1).toString().contains(message),
            qPrintable(finished.first().at(1).toString()));
    }

    const QJsonArray puts = m_service.journal(QStringLiteral("/api/v2/users/"));
    QCOMPARE(puts.size(), sent ? 1 : 0);
    if (sent) {
        const QJsonObject entry = puts.first().toObject();
        QCOMPARE(entry.value("method").toString(), QStringLiteral("PUT"));
        QCOMPARE(entry.value("path").toString(), QStringLiteral("/api/v2/users/") + uuid);
        QCOMPARE(entry.value("json").toObject().value("email").toString(), address);
    }
    if (changed) {
        // Signed out: the next sign-in is with the new address.
        QVERIFY(isServiceAccount(user->email()));
        QVERIFY(user->authenticationToken().isEmpty());
        QVERIFY(Settings::getString(QStringLiteral("authenticationToken")).isEmpty());
        QVERIFY(!EmailChange::canChange());
    } else {
        QCOMPARE(user->email(), emailBefore);
        QCOMPARE(EmailChange::canChange(), signIn);
    }
}

// Quitting while the service sits on the request neither waits for it nor
// hears from it.
void SettingsDialogTest::emailChangeEndsWithItsOwner()
{
    ProtocolManager::instance()->login(QStringLiteral("demo"), QStringLiteral("demo1234"), false);
    QTRY_VERIFY_WITH_TIMEOUT(EmailChange::canChange(), 10000);
    Settings::setValue(QStringLiteral("kNetworkTimeout"), 600000);
    const QString path = QStringLiteral("/api/v2/users/") + User::instance()->uuid();
    QVERIFY(m_service.setFailure(path, QStringLiteral("hang")));
    m_service.clearJournal();

    auto *change = new EmailChange;
    QSignalSpy finished(change, &EmailChange::finished_Signal);
    QVERIFY(change->change(QStringLiteral("demo.hang@fotoria.com")));
    QTRY_COMPARE_WITH_TIMEOUT(m_service.journal(path).size(), 1, 10000);
    delete change;
    QVERIFY(QThreadPool::globalInstance()->waitForDone(10000));
    m_service.clearFailures();
    QCOMPARE(finished.size(), 0);
}

void SettingsDialogTest::controlPanel_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("desktop"); // XDG_CURRENT_DESKTOP
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QStringList>("started"); // program, then its arguments; empty: none
    QTest::addColumn<QString>("message");

    const int background = int(ControlPanel::DesktopBackground);
    const int screenSaver = int(ControlPanel::ScreenSaver);
    const QStringList all { "gnome-control-center", "cinnamon-settings", "mate-appearance-properties",
        "xfdesktop-settings", "systemsettings", "pcmanfm-qt", "pcmanfm", "xscreensaver-settings",
        "xscreensaver-demo" };

    QTest::newRow("GNOME") << background << "ubuntu:GNOME" << all
                           << QStringList { "gnome-control-center", "background" } << "";
    QTest::newRow("Cinnamon") << background << "X-Cinnamon" << all
                              << QStringList { "cinnamon-settings", "backgrounds" } << "";
    QTest::newRow("MATE") << background << "MATE" << all
                          << QStringList { "mate-appearance-properties", "--show-page=background" } << "";
    QTest::newRow("XFCE") << background << "XFCE" << all << QStringList { "xfdesktop-settings" } << "";
    QTest::newRow("KDE") << background << "KDE" << all << QStringList { "systemsettings" } << "";
    QTest::newRow("KDE, older name") << background << "KDE" << QStringList { "systemsettings5" }
                                     << QStringList { "systemsettings5" } << "";
    QTest::newRow("LXQt") << background << "LXQt" << all << QStringList { "pcmanfm-qt", "--desktop-pref" }
                          << "";
    QTest::newRow("GNOME without its settings")
        << background << "GNOME" << QStringList { "xfdesktop-settings" } << QStringList()
        << "gnome-control-center is not installed";
    QTest::newRow("no known desktop") << background << "" << all << QStringList() << "root window";
    QTest::newRow("XScreenSaver 6") << screenSaver << "GNOME" << all
                                    << QStringList { "xscreensaver-settings" } << "";
    QTest::newRow("XScreenSaver 5") << screenSaver << "XFCE" << QStringList { "xscreensaver-demo" }
                                    << QStringList { "xscreensaver-demo" } << "";
    QTest::newRow("no XScreenSaver") << screenSaver << "GNOME" << QStringList { "gnome-control-center" }
                                     << QStringList() << "xscreensaver-settings or xscreensaver-demo";
}

void SettingsDialogTest::controlPanel()
{
    QFETCH(int, panel);
    QFETCH(QString, desktop);
    QFETCH(QStringList, installed);
    QFETCH(QStringList, started);
    QFETCH(QString, message);

    // Stand-in tools on a PATH of their own: each writes its name and
    // arguments, one a line, to a file named after it.
    QTemporaryDir tools;
    const QString record = tools.filePath(QStringLiteral("record-"));
    for (const QString &tool : installed) {
        const QString path = tools.filePath(tool);
        // Shell built-ins only: the PATH holds nothing else.
        writeFile(path, R"(#!/bin/sh
printf '%s\n' "${0##*/}" "$@" > "$TOOL_RECORD${0##*/}"
)");
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), tools.path());
    env.insert(QStringLiteral("TOOL_RECORD"), record);
    if (!desktop.isEmpty())
        env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), desktop);

    QString error;
    platform::ControlPanelCommand command;
    const bool opened = platform::openControlPanel(ControlPanel(panel), env, &error, &command);
    QCOMPARE(opened, !started.isEmpty());
    if (!opened) {
        QVERIFY2(error.contains(message), qPrintable(error));
        return;
    }
    QCOMPARE(command.program, tools.filePath(started.first()));
    // Started detached: the record appears when the tool has run.
    const auto recorded = [&] {
        return QString::fromUtf8(readFile(record + started.first())).split('\n', Qt::SkipEmptyParts);
    };
    QTRY_COMPARE_WITH_TIMEOUT(recorded(), started, 10000);
}

void SettingsDialogTest::reset_data()
{
    QTest::addColumn<int>("answer");
    // Cancel first: the quit of the Ok row ends every later event loop.
    QTest::newRow("Cancel keeps everything") << int(QMessageBox::Cancel);
    QTest::newRow("Ok resets and quits") << int(QMessageBox::Ok);
}

void SettingsDialogTest::reset()
{
    QFETCH(int, answer);
    const bool resets = answer == QMessageBox::Ok;

    const QStringList keys { "kChangePicture", "kSendAnalytics", "email", "cabrowser/geometry" };
    for (const QString &key : keys)
        Settings::setValue(key, 60);
    const QString base = FileLocations::baseFolder();
    const QStringList removed { base + "/active.xml", base + "/log.txt", base + "/CatalogCache/tags.json",
        FileLocations::cookieFile() };
    const QStringList kept { FileLocations::photosFolder() + "/photo.jpg",
        FileLocations::playlistFolder() + "/Trip/beach.jpg",
        FileLocations::favoritesFolder() + "/sunset.jpg" };
    for (const QString &file : removed + kept)
        writeFile(file);

    SettingsDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    answerNextMessageBox(QMessageBox::StandardButton(answer));
    dialog.findChild<QPushButton *>("resetButton")->click();
    if (resets) {
        // The reset asks for the quit queued; the time limit only ends a
        // wait that would otherwise never end.
        QEventLoop loop;
        QTimer::singleShot(20000, &loop, [&loop] { loop.exit(1); });
        QCOMPARE(loop.exec(), 0);
    }

    QCOMPARE(Settings::saveWindowStateOnExit, !resets);
    for (const QString &key : keys)
        QVERIFY2(Settings::contains(key) != resets, qPrintable(key));
    for (const QString &file : removed)
        QVERIFY2(QFile::exists(file) != resets, qPrintable(file));
    for (const QString &file : kept)
        QVERIFY2(QFile::exists(file), qPrintable(file));
}

FOTORIA_TEST_MAIN(SettingsDialogTest)
#include "SettingsDialogTest.moc"
