#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QTextEdit;
class QVBoxLayout;

// The "Support" form: the user's description above the generated report.
class LoggerReportDialog : public QDialog
{
    Q_OBJECT

public:
    explicit LoggerReportDialog(QWidget *parent = nullptr);

    void setReportText(const QString &text);
    QString userText() const;
    QString reportText() const;

public slots:
    void send();

private:
    QVBoxLayout *m_layout;
    QLabel *m_label;
    QTextEdit *m_userText;
    QTextEdit *m_reportText;
    QDialogButtonBox *m_buttons;
};
