#include "DCApplication.h"

#include "SignInSequence.h"
#include "TesselStartup.h"
#include "WallpaperManager.h"

#include <apps/desktopclient/HelpDialog.h>
#include <apps/desktopclient/ProgressDialog.h>
#include <components/catalog/CABrowser.h>
#include <components/catalog/CAFileGetter.h>
#include <components/catalog/CALocalImages.h>
#include <core/Analytics.h>
#include <core/Settings.h>
#include <core/User.h>
#include <io/ProtocolManager.h>

#include <QDebug>
#include <QToolButton>
#include <QTimer>

CABrowser *DCApplication::s_mainWindow = nullptr;

DCApplication::DCApplication(int &argc, char **argv)
    : QApplication(argc, argv)
    , m_signIn(new SignInSequence(this))
{
}

DCApplication::~DCApplication()
{
    aboutToQuit();
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
    window->finishLayout();

    // Until the tray icon exists, the window is the program: closing it ends
    // the run instead of leaving a process nobody can reach.
    setQuitOnLastWindowClosed(true);
    connect(this, &QCoreApplication::aboutToQuit, this, &DCApplication::aboutToQuit);

    connect(window, &CABrowser::howToClicked_Signal, this, &DCApplication::howToClicked_Slot);
    connect(window, &CABrowser::login_Signal, this, &DCApplication::login_Slot);
    // The calendar, settings and login dialogs come with the tray; until
    // then their buttons are not offered.
    for (QToolButton *button : { window->form().calendarButton, window->form().advancedButton, window->form().loginButton })
        button->hide();
    connect(this, &DCApplication::postState_Signal, window, &CABrowser::postState_Slot);

    connect(ProtocolManager::instance(), &ProtocolManager::authAttempt_Signal, this, &DCApplication::authAttempt_Slot);
    connect(m_signIn, &SignInSequence::signedIn_Signal, this, &DCApplication::signedIn);
    connect(m_signIn, &SignInSequence::failed_Signal, window, &CABrowser::showMessage);
    connect(m_signIn, &SignInSequence::postState_Signal, this, &DCApplication::postState_Signal);

    User::instance()->useServiceAccount(false);
    QTimer::singleShot(1000, this, &DCApplication::delayedLogin_Slot);
    window->show();

    WallpaperManager *wallpaper = WallpaperManager::instance();
    connect(window, &CABrowser::wallpaperRequested_Signal, wallpaper, &WallpaperManager::showWallpaper);
    connect(CAFileGetter::instance(), &CAFileGetter::wallpaperRequested_Signal, wallpaper,
        &WallpaperManager::showWallpaper);
    ProgressDialog::instance();
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

void DCApplication::authAttempt_Slot(QNetworkReply::NetworkError error, QString errorStr)
{
    m_signIn->authAttempt_Slot(error, errorStr);
}

void DCApplication::signedIn()
{
    User *user = User::instance();
    if (!isServiceAccount(user->email()))
        Analytics::login(user);
    if (s_mainWindow)
        s_mainWindow->refresh_Slot();
    CAFileGetter::instance()->start_Slot();
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
    CAFileGetter::instance()->stop();
    CALocalImages::instance()->stop();
    if (s_mainWindow) {
        s_mainWindow->stopWorkers();
        s_mainWindow->saveCookies();
        if (Settings::saveWindowStateOnExit)
            Settings::saveWindowState(s_mainWindow, QStringLiteral("cabrowser"));
    }
    TesselStartup::finishCleanly();
}
