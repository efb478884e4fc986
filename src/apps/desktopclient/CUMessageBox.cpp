#include "CUMessageBox.h"

#include <core/Settings.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

CUMessageBox::CUMessageBox(QWidget *parent)
    : QDialog(parent)
    , m_title(new QLabel(this))
    , m_text(new QLabel(this))
    , m_checkBox(new QCheckBox(tr("Don't show next time"), this))
{
    setWindowTitle(tr("Message"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_text->setWordWrap(true);
    // Playlist names are part of the texts.
    m_title->setTextFormat(Qt::PlainText);
    m_text->setTextFormat(Qt::PlainText);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_text);
    layout->addWidget(m_checkBox);
    layout->addWidget(buttons);
}

void CUMessageBox::setTitleText(const QString &title)
{
    m_title->setText(title);
}

void CUMessageBox::setMessageText(const QString &text)
{
    m_text->setText(text);
}

void CUMessageBox::setCheckBoxVisible(bool visible)
{
    m_checkBox->setVisible(visible);
}

bool CUMessageBox::isChecked() const
{
    return m_checkBox->checkState() == Qt::Checked;
}

bool CUMessageBox::feedback(
    QWidget *parent, const QString &title, const QString &text, bool force, const QString &key)
{
    const bool wanted = key.isEmpty() || Settings::getBool(key, true);
    if (!force && !wanted)
        return false;
    CUMessageBox box(parent);
    box.setTitleText(title);
    box.setMessageText(text);
    box.setCheckBoxVisible(!key.isEmpty());
    box.exec();
    if (!key.isEmpty())
        Settings::setValue(key, !box.isChecked());
    return true;
}
