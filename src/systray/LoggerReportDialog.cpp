#include "LoggerReportDialog.h"

#include <components/LogOutput.h>
#include <core/User.h>

#include <QDebug>
#include <QDialogButtonBox>
#include <QFont>
#include <QLabel>
#include <QTextEdit>
#include <QVBoxLayout>

LoggerReportDialog::LoggerReportDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("LoggerReportDialog"));
    setModal(true);
    resize(640, 480);
    setWindowTitle(tr("Support"));

    m_layout = new QVBoxLayout(this);
    m_layout->setObjectName(QStringLiteral("verticalLayout"));

    m_label = new QLabel(
        tr("Sorry about this, please describe the problem without using any naughty words:"), this);
    m_label->setObjectName(QStringLiteral("label"));

    QFont font;
    font.setPointSize(10);
    font.setWeight(QFont::Normal);

    m_userText = new QTextEdit(this);
    m_userText->setObjectName(QStringLiteral("userTextBrowser"));
    m_userText->setFont(font);
    m_userText->setTabChangesFocus(true);
    m_userText->setUndoRedoEnabled(true);

    m_reportText = new QTextEdit(this);
    m_reportText->setObjectName(QStringLiteral("builtInTextBrowser"));
    m_reportText->setFont(font);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    m_buttons->setObjectName(QStringLiteral("buttonBox"));

    m_layout->addWidget(m_label);
    m_layout->addWidget(m_userText);
    m_layout->addWidget(m_reportText);
    m_layout->addWidget(m_buttons);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &LoggerReportDialog::send);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void LoggerReportDialog::setReportText(const QString &text)
{
    m_reportText->setPlainText(text);
}

QString LoggerReportDialog::userText() const
{
    return m_userText->toPlainText();
}

QString LoggerReportDialog::reportText() const
{
    return m_reportText->toPlainText();
}

void LoggerReportDialog::send()
{
    qDebug() << "problem report:" << userText().size() << "characters from the user";
    QString user = User::instance()->email();
    if (user.isEmpty())
        user = User::serviceAccountEmail();
    LogOutput::instance()->send(user, QStringLiteral("phonehome"), userText(), reportText());
    accept();
}
