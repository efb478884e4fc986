#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;

// A message with a "Don't show next time" tick.
class CUMessageBox : public QDialog
{
    Q_OBJECT

public:
    explicit CUMessageBox(QWidget *parent = nullptr);

    void setTitleText(const QString &title);
    void setMessageText(const QString &text);
    void setCheckBoxVisible(bool visible);
    bool isChecked() const;
    QCheckBox *checkBox() const { return m_checkBox; }

    // Shows the message modally unless the user turned it off for `key`
    // (`force` shows it anyway); with a key, the tick is offered and its
    // answer stored. True when the box was shown.
    static bool feedback(
        QWidget *parent, const QString &title, const QString &text, bool force, const QString &key);

private:
    QLabel *m_title;
    QLabel *m_text;
    QCheckBox *m_checkBox;
};
