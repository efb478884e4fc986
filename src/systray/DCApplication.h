#pragma once

#include <QApplication>
#include <QNetworkReply>

class CABrowser;
class SignInSequence;

// The tray client's application object: builds the main window, signs in
// and hands the results to the window, and ends everything cleanly.
class DCApplication : public QApplication
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

signals:
    void postState_Signal();

public slots:
    void aboutToQuit();
    void showWindow_Slot();
    void delayedLogin_Slot();
    void login_Slot();
    void logout_Slot();
    void authAttempt_Slot(QNetworkReply::NetworkError error, QString errorStr);
    void howToClicked_Slot();

private:
    void signedIn();

    static CABrowser *s_mainWindow;
    SignInSequence *m_signIn;
    bool m_finished = false;
};
