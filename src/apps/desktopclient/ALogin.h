#pragma once

#include <QDialog>
#include <QNetworkReply>
#include <QUrl>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The sign-in form for a person's own account. The sign-in goes through
// ProtocolManager; its outcome reaches the controller (authAttempt_Signal),
// which closes the dialog or calls showError(). Closing it in any way
// (Cancel, Escape, the window's close button, close()) emits
// loginClosed_Signal() once.
class ALogin : public QDialog
{
    Q_OBJECT
public:
    explicit ALogin(QWidget *parent = nullptr);

    // Before each showing: no message, "Remember me" from the account record.
    void prepare();
    void showError(const QString &text);
    QString errorText() const;

    // The service's page for a forgotten password.
    static QUrl passwordResetUrl();

    QLineEdit *emailEdit() const { return m_email; }
    QLineEdit *passwordEdit() const { return m_password; }
    QCheckBox *rememberBox() const { return m_remember; }
    QPushButton *loginButton() const { return m_loginButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QLabel *messageLabel() const { return m_message; }

signals:
    void loginClosed_Signal();

public slots:
    void emailLinkActivated(QString link);
    void loginClicked();
    void cancelClicked();
    void done(int result) override;

private:
    void authAttempt(QNetworkReply::NetworkError error);
    void fitHeight();

    QLineEdit *m_email;
    QLineEdit *m_password;
    QCheckBox *m_remember;
    QLabel *m_message;
    QPushButton *m_loginButton;
    QPushButton *m_cancelButton;
};
