#include "DCApplication.h"

#include "ADownloadUpdateDialog.h"
#include "AutoUpdate.h"
#include "Logger.h"
#include "LoggerReportDialog.h"
#include "SignInSequence.h"
#include "TesselStartup.h"
#include "UpdateFailureNote.h"
#include "WallpaperManager.h"

#include "CalendarDialog.h"
#include <apps/desktopclient/ALogin.h>
#include <apps/desktopclient/DailyPhotoCheck.h>
#include <apps/desktopclient/HelpDialog.h>
#include <apps/desktopclient/HowlDialog.h>
#include <apps/desktopclient/ProgressDialog.h>
#include <apps/desktopclient/SettingsDialog.h>
#include <apps/desktopclient/StartupQueue.h>
#include <components/catalog/CABrowser.h>
#include <components/catalog/CAFileGetter.h>
#include <components/catalog/CALocalImages.h>
#include <components/catalog/PhotoActions.h>

#include <components/livewallpaper/LiveWallpaperFrame.h>
#include <components/onboarding/FirstTimeSetup.h>
#include <core/Analytics.h>
#include <core/AppInfo.h>
#include <core/FileLocations.h>
#include <core/Settings.h>
#include <core/SystemInfo.h>
#include <core/User.h>
#include <core/WallpaperBitmap.h>
#include <io/ProtocolManager.h>

#include <QAction>
#include <QDebug>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>

CABrowser *DCApplication::s_mainWindow = nullptr;

DCApplication::DCApplication(int &argc, char **argv)
    : SingleApplication(argc, argv)
    , m_signIn(new SignInSequence(this))
    , m_queue(new StartupQueue(this))
{
}

DCApplication::~DCApplication()
{
    // A second start built nothing that would need ending.
    if (s_mainWindow)
        aboutToQuit();
    delete m_liveFrame;
    delete s_mainWindow;
    s_mainWindow = nullptr;
}

CABrowser *DCApplication::mainWindow()
{
    return s_mainWindow;
}

void DCApplication::initialize()
{
    s_mainWindow = new CABrowser();
    CABrowser *window = s_mainWindow;
    (new FirstTimeSetup(window, m_queue))->start();
    const QString note = UpdateFailureNote::take();
    if (!note.isEmpty()) {
        qDebug().noquote() << "the last update did not install:" << note;
        m_queue->post(StartupQueue::Update,
            [note] { inform(QStringLiteral("Auto update"), UpdateFailureNote::message(note)); });
    }
    window->finishLayout();

    createTray();
    setQuitOnLastWindowClosed(false);
    connect(this, &QCoreApplication::aboutToQuit, this, &DCApplication::aboutToQuit);
    // Closing the window must never leave a program nobody can reach.
    window->installEventFilter(this);

    connect(window, &CABrowser::howToClicked_Signal, this, &DCApplication::howToClicked_Slot);
    connect(window, &CABrowser::login_Signal, this, &DCApplication::login_Slot);
    connect(window, &CABrowser::settingsClicked_Signal, this, &DCApplication::settingsClicked_Slot);
    connect(window, &CABrowser::calendarClicked_Signal, this, &DCApplication::calendarClicked_Slot);

    m_login = new ALogin(window);
    connect(m_login, &ALogin::loginClosed_Signal, m_signIn, &SignInSequence::loginClosed_Slot);
    // A refused try in the dialog also reached the toolbar; once the person
    // gives up on it and an account is signed in, it says nothing true.
    connect(m_login, &ALogin::loginClosed_Signal, window, [window] {
        if (User::instance()->isLoggedIn())
            window->showMessage(QString());
    });
    connect(m_signIn, &SignInSequence::loginDialogRequested_Signal, this, [this] {
        m_login->prepare();
        m_login->exec();
    });

    m_settings = new SettingsDialog(window);
    connect(m_settings, &SettingsDialog::showLogBrowser_Signal, this, &DCApplication::showLogBrowser_Slot);
    connect(m_settings, &SettingsDialog::userUpdated_Signal, this, &DCApplication::userUpdated_Slot);
    connect(m_settings, &SettingsDialog::checkForUpdates_Signal, this,
        qOverload<bool, bool>(&DCApplication::checkForUpdates));
    // A new interval applies at once; "Never" (0 or less) leaves the rotation stopped.
    connect(m_settings, &SettingsDialog::changeIntervalChanged_Signal, this, [] {
        WallpaperManager *manager = WallpaperManager::instance();
        manager->stop();
        manager->start();
    });
    // The fill, the monitors or the lock screen changed: the picture on screen, made anew.
    connect(m_settings, &SettingsDialog::wallpaperLookChanged_Signal, this, [] {
        WallpaperManager *manager = WallpaperManager::instance();
        manager->showWallpaper(manager->currentPicture());
    });
    connect(this, &DCApplication::postState_Signal, window, &CABrowser::postState_Slot);

    connect(ProtocolManager::instance(), &ProtocolManager::authAttempt_Signal, this,
        &DCApplication::authAttempt_Slot);
    connect(m_signIn, &SignInSequence::signedIn_Signal, this, &DCApplication::signedIn);
    connect(m_signIn, &SignInSequence::failed_Signal, window, &CABrowser::showMessage);
    connect(m_signIn, &SignInSequence::unreachable_Signal, window, &CABrowser::showUnreachable);
    connect(window, &CABrowser::retryRequested_Signal, m_signIn, &SignInSequence::retryNow);
    connect(m_signIn, &SignInSequence::failed_Signal, m_login, &ALogin::showError);
    connect(m_signIn, &SignInSequence::postState_Signal, this, &DCApplication::postState_Signal);

    User::instance()->useServiceAccount(false);
    m_signIn->start();
    window->show();
    checkBringToFront_Slot();

    WallpaperManager *wallpaper = WallpaperManager::instance();
    connect(window, &CABrowser::wallpaperRequested_Signal, wallpaper, &WallpaperManager::showWallpaper);
    connect(CAFileGetter::instance(), &CAFileGetter::wallpaperRequested_Signal, wallpaper,
        &WallpaperManager::showWallpaper);
    connect(wallpaper, &WallpaperManager::changeFinished_Signal, window, &CABrowser::wallpaperFinished_Slot);
    ProgressDialog::instance();
    QTimer::singleShot(5000, this, &DCApplication::delayedStartup_Slot);
}

void DCApplication::createTray()
{
    m_showAction = new QAction(QStringLiteral("Show Fotoria"), this);
    connect(m_showAction, &QAction::triggered, this, &DCApplication::showWindow_Slot);
    m_websiteAction = new QAction(QStringLiteral("Go to ") + AppInfo::serviceDomain, this);
    connect(m_websiteAction, &QAction::triggered, this, &DCApplication::showWebsite_Slot);
    m_exitAction = new QAction(tr("Exit"), this);
    // exit(), not quit(): Qt 6's quit() first asks every window to close,
    // and the main window hides to the tray instead.
    connect(m_exitAction, &QAction::triggered, this, [] { QCoreApplication::exit(0); });
    m_nextAction = new QAction(tr("Next wallpaper"), this);
    connect(m_nextAction, &QAction::triggered, this, [this] { wallpaperCommand(QStringLiteral("next")); });
    m_previousAction = new QAction(tr("Previous wallpaper"), this);
    connect(m_previousAction, &QAction::triggered, this, [this] { wallpaperCommand(QStringLiteral("previous")); });
    m_pauseAction = new QAction(this);
    connect(m_pauseAction, &QAction::triggered, this, [this] {
        wallpaperCommand(WallpaperManager::isPaused() ? QStringLiteral("resume") : QStringLiteral("pause"));
    });
    m_favoriteAction = new QAction(tr("Add to Favorites"), this);
    connect(m_favoriteAction, &QAction::triggered, this, [this] { wallpaperCommand(QStringLiteral("favorite")); });
    connect(this, &SingleApplication::commandReceived, this, &DCApplication::wallpaperCommand);

    m_trayMenu = new QMenu(s_mainWindow);
    m_trayMenu->addAction(m_showAction);
    m_trayMenu->addAction(m_websiteAction);
    m_trayMenu->addSeparator();
    m_trayMenu->addActions({ m_nextAction, m_previousAction, m_pauseAction, m_favoriteAction });
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_exitAction);
    connect(m_trayMenu, &QMenu::aboutToShow, this, &DCApplication::updateWallpaperActions);
    updateWallpaperActions();

    m_trayIcon = new QSystemTrayIcon(s_mainWindow);
    m_trayIcon->setContextMenu(m_trayMenu);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &DCApplication::activated_Slot);
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        qDebug() << "no system tray on this desktop: the main window stays the way back into the program";
    showIcon();
}

void DCApplication::updateWallpaperActions()
{
    WallpaperManager *manager = WallpaperManager::instance();
    m_previousAction->setEnabled(manager->canStepBack());
    m_pauseAction->setText(manager->isPaused() ? tr("Resume rotation") : tr("Pause rotation"));
    m_favoriteAction->setEnabled(!manager->currentPicture().isEmpty());
}

void DCApplication::wallpaperCommand(const QString &command)
{
    qDebug().noquote() << "wallpaper command:" << command;
    WallpaperManager *manager = WallpaperManager::instance();
    if (command == QLatin1String("next")) {
        manager->stepForward();
    } else if (command == QLatin1String("previous")) {
        manager->stepBack();
    } else if (command == QLatin1String("pause") || command == QLatin1String("resume")) {
        manager->setPaused(command == QLatin1String("pause"));
    } else if (command == QLatin1String("favorite")) {
        const QString picture = manager->currentPicture();
        if (picture.isEmpty())
            qDebug() << "no current wallpaper to add to Favorites";
        else if (s_mainWindow)
            // As a file dropped from outside: copied, a different picture of the same name kept beside it.
            s_mainWindow->photoActions()->addImageToUserFiles(
                QStringLiteral("Favorites"), QUrl::fromLocalFile(picture).toString(), false, false, false);
    }
    updateWallpaperActions();
}

void DCApplication::showIcon()
{
    const QIcon icon(QStringLiteral(":/images/sizedblue/status_idle.png"));
    m_trayIcon->setIcon(icon);
    s_mainWindow->setWindowIcon(icon);
    m_trayIcon->setToolTip(tr("Fotoria Wallpaper & Screensaver"));
    m_trayIcon->show();
}

void DCApplication::activated_Slot(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick)
        showWindow_Slot();
}

QUrl DCApplication::websiteAddress()
{
    QString address = AppInfo::defaultServiceUrl;
    if (address.startsWith(QLatin1String("https")))
        address.replace(0, 5, QStringLiteral("http"));
    return QUrl(address);
}

void DCApplication::showWebsite_Slot()
{
    QDesktopServices::openUrl(websiteAddress());
}

bool DCApplication::eventFilter(QObject *watched, QEvent *event)
{
    // Without a tray the hidden window could not be shown again: it is
    // minimised instead.
    if (watched == s_mainWindow && event->type() == QEvent::Close && !m_finished
        && !QSystemTrayIcon::isSystemTrayAvailable()) {
        event->ignore();
        s_mainWindow->showMinimized();
        return true;
    }
    return QApplication::eventFilter(watched, event);
}

void DCApplication::checkBringToFront_Slot()
{
    if (TesselStartup::takeBringToFrontRequest()) {
        showWindow_Slot();
        if (s_mainWindow)
            s_mainWindow->openFotoria_Slot();
    }
    QTimer::singleShot(1000, this, &DCApplication::checkBringToFront_Slot);
}

void DCApplication::delayedStartup_Slot()
{
    if (m_finished)
        return;
    Logger::instance()->startFlushTimer();
    Analytics::startup();
    m_liveFrame = new LiveWallpaperFrame();
    connect(WallpaperManager::instance(), &WallpaperManager::wallpaperChanged_Signal, m_liveFrame,
        &LiveWallpaperFrame::showPicture_Slot);
    WallpaperManager::instance()->start();
    QTimer::singleShot(3000, this, &DCApplication::checkDailys_Slot);
    m_dailyTimer = new QTimer(this);
    connect(m_dailyTimer, &QTimer::timeout, this, &DCApplication::checkDailys_Slot);
    m_dailyTimer->start(3600000);
}

void DCApplication::checkDailys_Slot()
{
    if (!m_dailys) {
        m_dailys = new DailyPhotoCheck(this);
        connect(m_dailys, &DailyPhotoCheck::notice_Signal, this,
            [this](const QString &, const QString &title, const QImage &thumbnail) {
                m_queue->post(StartupQueue::Daily, [this, title, thumbnail] {
                    if (m_finished)
                        return;
                    auto *howl = new HowlDialog(s_mainWindow);
                    connect(howl, &HowlDialog::clicked_Signal, this, &DCApplication::showWindow_Slot);
                    connect(howl, &HowlDialog::clicked_Signal, s_mainWindow, &CABrowser::openFotoria_Slot);
                    howl->showNotice(thumbnail, title);
                });
            });
    }
    m_dailys->checkDailys_Slot();
}

void DCApplication::showWindow_Slot()
{
    if (!s_mainWindow)
        return;
    s_mainWindow->raise();
    s_mainWindow->activateWindow();
    s_mainWindow->showNormal();
    s_mainWindow->setWindowState(s_mainWindow->windowState() | Qt::WindowActive);
}

void DCApplication::delayedLogin_Slot()
{
    m_signIn->delayedLogin_Slot();
}

void DCApplication::login_Slot()
{
    m_signIn->login_Slot();
}

void DCApplication::logout_Slot()
{
    m_signIn->logout_Slot();
}

void DCApplication::authAttempt_Slot(QNetworkReply::NetworkError error, QString errorStr, bool byToken)
{
    m_signIn->authAttempt_Slot(error, errorStr, byToken);
}

void DCApplication::signedIn()
{
    if (m_login->isVisible())
        m_login->close();
    User *user = User::instance();
    if (!isServiceAccount(user->email()))
        Analytics::login(user);
    if (s_mainWindow)
        s_mainWindow->refresh_Slot();
    CAFileGetter::instance()->start_Slot();
    // The version does not depend on the account: once a run is enough.
    if (!m_updateCheckedAfterSignIn) {
        m_updateCheckedAfterSignIn = true;
        checkForUpdates(false, false);
    }
}

void DCApplication::checkForUpdates()
{
    checkForUpdates(false, false);
}

void DCApplication::checkForUpdates(bool ignoreSensitivity, bool showUpToDate)
{
    if (!m_autoUpdate) {
        m_autoUpdate = new AutoUpdate(this);
        connect(m_autoUpdate, &AutoUpdate::NewVersionAvailable, this, &DCApplication::AskUserToUpdateOrLogin);
        connect(m_autoUpdate, &AutoUpdate::noUpdateAvailable_Signal, this,
            &DCApplication::noUpdateAvailable_Slot);
        connect(m_autoUpdate, &AutoUpdate::notInstallable_Signal, this, &DCApplication::notInstallable_Slot);
    }
    m_autoUpdate->checkInBackground(ignoreSensitivity, showUpToDate);
}

void DCApplication::AskUserToUpdateOrLogin(bool doAsk, QString availableVersion)
{
    // One question at a time: a check that answers while the user is still
    // deciding (or downloading) asks nothing more.
    if (!doAsk || m_finished || m_updating)
        return;
    m_updating = true;
    m_queue->post(StartupQueue::Update, [this, availableVersion] { askUserToUpdate(availableVersion); });
}

void DCApplication::askUserToUpdate(const QString &availableVersion)
{
    auto clear = qScopeGuard([this] { m_updating = false; });
    if (m_finished)
        return;
    QMessageBox box(s_mainWindow);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(QStringLiteral("Update available"));
    box.setTextFormat(Qt::PlainText); // the version comes from the service
    box.setText(QStringLiteral("%1 is available.\n\nClick OK to install the update and relaunch.")
                    .arg(availableVersion));
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setIconPixmap(QPixmap(QStringLiteral(":/images/icon_128x128.png"))
                          .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    if (box.exec() != QMessageBox::Ok) {
        // Not asked again at start until a newer one comes; Check Now still offers it.
        AutoUpdate::decline(availableVersion);
        return;
    }
    if (!m_downloadDialog) {
        m_downloadDialog = new ADownloadUpdateDialog(m_autoUpdate, s_mainWindow);
        connect(m_downloadDialog, &QDialog::finished, this, &DCApplication::UpdateDownloadConfirmed);
    }
    m_downloadDialog->prepare();
    m_autoUpdate->startDownload();
    // Shown by exec() alone: a dialog already visible would not become modal.
    m_autoUpdate->stopDownload(m_downloadDialog->exec());
}

void DCApplication::UpdateDownloadConfirmed(int result)
{
    if (result == QDialog::Accepted && m_autoUpdate)
        m_autoUpdate->LaunchUpdate();
}

void DCApplication::noUpdateAvailable_Slot()
{
    m_queue->post(StartupQueue::Update,
        [] { inform(QStringLiteral("Auto update"), QStringLiteral("You are up to date.")); });
}

void DCApplication::notInstallable_Slot(QString availableVersion, QString reason)
{
    const QString text = tr("Version %1 is available but cannot be installed: %2.").arg(availableVersion, reason);
    m_queue->post(StartupQueue::Update, [text] { inform(QStringLiteral("Auto update"), text); });
}

void DCApplication::inform(const QString &text, const QString &informativeText)
{
    if (!s_mainWindow)
        return;
    QMessageBox box(s_mainWindow);
    box.setWindowModality(Qt::WindowModal);
    box.setWindowTitle(text);
    box.setTextFormat(Qt::PlainText); // versions and notes come from outside
    box.setText(text);
    box.setInformativeText(informativeText);
    if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void DCApplication::showLogBrowser_Slot()
{
    const QString report = QStringLiteral("user report\n") + SystemInfo::systemDescription()
        + QLatin1Char('\n') + Logger::instance()->readTail(Logger::kReportTailBytes);
    auto *dialog = new LoggerReportDialog();
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setReportText(report);
    dialog->setModal(true);
    dialog->show();
}

void DCApplication::calendarClicked_Slot()
{
    CalendarDialog dialog(s_mainWindow);
    dialog.exec();
}

void DCApplication::showLiveWallpaper_Slot()
{
    if (m_liveFrame)
        m_liveFrame->setVisible(!m_liveFrame->isVisible());
}

void DCApplication::settingsClicked_Slot()
{
    m_settings->refresh();
    m_settings->exec();
}

void DCApplication::userUpdated_Slot()
{
    m_signIn->userUpdated_Slot();
    if (s_mainWindow)
        s_mainWindow->postState_Slot();
}

void DCApplication::howToClicked_Slot()
{
    HelpDialog dialog(s_mainWindow);
    dialog.exec();
}

void DCApplication::aboutToQuit()
{
    if (m_finished)
        return;
    m_finished = true;
    // Workers first: none may still call into the window or the network.
    if (m_dailyTimer)
        m_dailyTimer->stop();
    if (m_dailys)
        m_dailys->cancel();
    CAFileGetter::instance()->stop();
    CALocalImages::instance()->stop();
    WallpaperManager::instance()->shutdown();
    if (s_mainWindow) {
        s_mainWindow->stopWorkers();
        s_mainWindow->saveCookies();
        if (Settings::saveWindowStateOnExit)
            Settings::saveWindowState(s_mainWindow, QStringLiteral("cabrowser"));
    }
    TesselStartup::finishCleanly();
}
