#include "ALogin.h"

#include <core/ServiceAddress.h>
#include <core/User.h>
#include <io/ProtocolManager.h>

#include <QCheckBox>
#include <QDesktopServices>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ALogin::ALogin(QWidget *parent)
    : QDialog(parent)
    , m_email(new QLineEdit(this))
    , m_password(new QLineEdit(this))
    , m_remember(new QCheckBox(tr("Remember me"), this))
    , m_message(new QLabel(this))
    , m_loginButton(new QPushButton(this))
    , m_cancelButton(new QPushButton(tr("Cancel"), this))
{
    setWindowTitle(tr("Login"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("logoLabel"));
    logo->setFixedSize(32, 32);
    // From the drawing at the screen's pixel ratio: sharp when scaled.
    logo->setPixmap(QIcon(QStringLiteral(":/svg/fotoria_mark.svg")).pixmap(logo->size()));

    m_email->setObjectName(QStringLiteral("fUsername"));
    m_password->setObjectName(QStringLiteral("fPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_remember->setObjectName(QStringLiteral("fLoginRememberMe"));

    // The service's own words go in as text, never as markup.
    m_message->setObjectName(QStringLiteral("messageLabel"));
    m_message->setTextFormat(Qt::PlainText);
    m_message->setWordWrap(true);
    m_message->setStyleSheet(QStringLiteral("color: #c0392b;"));
    m_message->hide();

    auto *forgot = new QLabel(this);
    forgot->setObjectName(QStringLiteral("forgotLabel"));
    forgot->setTextFormat(Qt::RichText);
    forgot->setText(
        tr("Forgot my <a href=\"%1\">password</a>").arg(passwordResetUrl().toString().toHtmlEscaped()));
    connect(forgot, &QLabel::linkActivated, this, &ALogin::emailLinkActivated);

    m_loginButton->setObjectName(QStringLiteral("fLoginButton"));
    // Flat, so it shows the focus itself.
    m_loginButton->setStyleSheet(QStringLiteral(
        "QPushButton { border: none; } QPushButton:focus { background: #3b6ea8; border-radius: 4px; }"));
    m_loginButton->setIcon(QIcon(QStringLiteral(":/svg/btn_login_dialog.svg")));
    m_loginButton->setIconSize(QSize(160, 40));
    m_loginButton->setToolTip(tr("Sign in"));
    m_loginButton->setDefault(true);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(m_loginButton, &QPushButton::clicked, this, &ALogin::loginClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &ALogin::cancelClicked);
    connect(ProtocolManager::instance(), &ProtocolManager::authAttempt_Signal, this, &ALogin::authAttempt);

    auto *form = new QFormLayout;
    form->addRow(tr("Email:"), m_email);
    form->addRow(tr("Password:"), m_password);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_remember);
    buttons->addStretch();
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_loginButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(logo, 0, Qt::AlignHCenter);
    layout->addLayout(form);
    layout->addWidget(m_message);
    layout->addWidget(forgot);
    layout->addLayout(buttons);
    setFixedWidth(qMax(sizeHint().width(), 380));
    fitHeight();
}

void ALogin::fitHeight()
{
    // The width stays; the height follows the message, so a long one
    // wraps onto more lines instead of squeezing the fields and the logo.
    const QLayout *box = layout();
    setFixedHeight(
        box->hasHeightForWidth() ? box->totalHeightForWidth(width()) : box->totalSizeHint().height());
}

void ALogin::prepare()
{
    m_message->clear();
    m_message->hide();
    m_remember->setChecked(User::instance()->remember());
    m_loginButton->setEnabled(true);
    fitHeight();
}

void ALogin::showError(const QString &text)
{
    m_message->setText(text);
    m_message->show();
    m_loginButton->setEnabled(true);
    fitHeight();
}

QString ALogin::errorText() const
{
    return m_message->isVisible() ? m_message->text() : QString();
}

QUrl ALogin::passwordResetUrl()
{
    QString base = ServiceAddress::serviceUrl();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base + QStringLiteral("/password/reset"));
}

void ALogin::emailLinkActivated(QString link)
{
    const QUrl url(link);
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")))
        QDesktopServices::openUrl(url);
}

void ALogin::loginClicked()
{
    m_message->clear();
    m_message->show();
    const QString email = m_email->text().trimmed();
    const QString password = m_password->text();
    if (email.isEmpty() || password.isEmpty()) {
        m_message->setText(tr("Please enter your email/password."));
        fitHeight();
        return;
    }
    User *user = User::instance();
    user->setRemember(m_remember->isChecked());
    user->save();
    // The address is stored by the sign-in itself once it succeeds: a
    // mistyped one must not replace the account on record.
    m_loginButton->setEnabled(false);
    fitHeight();
    ProtocolManager::instance()->login(email, password, false);
}

void ALogin::cancelClicked()
{
    close();
}

void ALogin::done(int result)
{
    const bool wasVisible = isVisible();
    QDialog::done(result);
    if (wasVisible)
        emit loginClosed_Signal();
}

void ALogin::authAttempt(QNetworkReply::NetworkError)
{
    // One sign-in at a time; the result, whatever it is, frees the button.
    m_loginButton->setEnabled(true);
}
