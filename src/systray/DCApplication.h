#pragma once

#include "SingleApplication.h"
#include <QNetworkReply>
#include <QSystemTrayIcon>

class ADownloadUpdateDialog;
class ALogin;
class DailyPhotoCheck;
class LiveWallpaperFrame;
class AutoUpdate;
class CABrowser;
class QAction;
class QMenu;
class QTimer;
class SettingsDialog;
class SignInSequence;
class StartupQueue;

// The tray client's application object: builds the main window and the
// tray icon, signs in and hands the results to the window, runs the timed
// start-up steps and checks, and ends everything cleanly.
class DCApplication : public SingleApplication
{
    Q_OBJECT
public:
    DCApplication(int &argc, char **argv);
    ~DCApplication() override;

    // Builds and wires the main objects; called once before the event loop.
    void initialize();

    // The main window, the parent of the program's dialogs.
    static CABrowser *mainWindow();
    SignInSequence *signIn() const { return m_signIn; }
    QSystemTrayIcon *trayIcon() const { return m_trayIcon; }
    // What pops up by itself takes its turn here.
    StartupQueue *startupQueue() const { return m_queue; }

    // The service's web site as the website command opens it: the built-in
    // address over plain http.
    static QUrl websiteAddress();

signals:
    void postState_Signal();

public slots:
    void aboutToQuit();
    void checkBringToFront_Slot();
    void activated_Slot(QSystemTrayIcon::ActivationReason reason);
    void showIcon();
    void showWindow_Slot();
    void showWebsite_Slot();
    void delayedLogin_Slot();
    void login_Slot();
    void logout_Slot();
    void authAttempt_Slot(QNetworkReply::NetworkError error, QString errorStr, bool byToken);
    void delayedStartup_Slot();
    void checkDailys_Slot();
    void calendarClicked_Slot();
    void showLiveWallpaper_Slot();
    void settingsClicked_Slot();
    void userUpdated_Slot();
    void howToClicked_Slot();
    void showLogBrowser_Slot();
    void checkForUpdates();
    void checkForUpdates(bool ignoreSensitivity, bool showUpToDate);
    void AskUserToUpdateOrLogin(bool doAsk, QString availableVersion);
    void UpdateDownloadConfirmed(int result);
    void noUpdateAvailable_Slot();
    void notInstallable_Slot(QString availableVersion, QString reason);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createTray();
    // The wallpaper entries follow the rotation's state.
    void updateWallpaperActions();
    // A command from the tray or another start: "next", "previous", "pause",
    // "resume" or "favorite".
    void wallpaperCommand(const QString &command);
    void signedIn();
    void askUserToUpdate(const QString &availableVersion);
    // A plain-text message box, modal to the main window.
    static void inform(const QString &text, const QString &informativeText);

    static CABrowser *s_mainWindow;
    SignInSequence *m_signIn;
    StartupQueue *m_queue;
    QAction *m_showAction = nullptr;
    QAction *m_websiteAction = nullptr;
    QAction *m_exitAction = nullptr;
    QAction *m_nextAction = nullptr;
    QAction *m_previousAction = nullptr;
    QAction *m_pauseAction = nullptr;
    QAction *m_favoriteAction = nullptr;
    QMenu *m_trayMenu = nullptr;
    QSystemTrayIcon *m_trayIcon = nullptr;
    AutoUpdate *m_autoUpdate = nullptr;
    ADownloadUpdateDialog *m_downloadDialog = nullptr;
    SettingsDialog *m_settings = nullptr;
    ALogin *m_login = nullptr;
    DailyPhotoCheck *m_dailys = nullptr;
    LiveWallpaperFrame *m_liveFrame = nullptr;
    QTimer *m_dailyTimer = nullptr;
    bool m_finished = false;
    bool m_updating = false;
    // The first sign-in of a run checks for a newer version; later ones do not.
    bool m_updateCheckedAfterSignIn = false;
};
