#include "ADownloadUpdateDialog.h"

#include "AutoUpdate.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

ADownloadUpdateDialog::ADownloadUpdateDialog(AutoUpdate *update, QWidget *parent)
    : QDialog(parent)
    , m_update(update)
    , m_progress(new QProgressBar(this))
    , m_label(new QLabel(tr("Message"), this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this))
{
    setWindowTitle(tr("Downloading update"));
    m_label->setTextFormat(Qt::PlainText); // the error comes from the network
    m_label->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_progress);
    layout->addWidget(m_label);
    layout->addWidget(m_buttons);

    connect(m_update, &AutoUpdate::UpdateDownloaded, this, &ADownloadUpdateDialog::UpdateDownloaded);
    connect(m_update, &AutoUpdate::ProgressMaximum, m_progress, &QProgressBar::setMaximum);
    connect(m_update, &AutoUpdate::Progress, m_progress, &QProgressBar::setValue);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void ADownloadUpdateDialog::prepare()
{
    m_label->setText(tr("Downloading update..."));
    m_buttons->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_buttons->button(QDialogButtonBox::Ok)->hide();
    m_progress->setValue(m_progress->minimum());
}

void ADownloadUpdateDialog::UpdateDownloaded(bool success)
{
    if (success) {
        m_label->setText(tr("Update downloaded"));
        QPushButton *ok = m_buttons->button(QDialogButtonBox::Ok);
        ok->setText(tr("Apply"));
        ok->show();
    } else {
        m_label->setText(tr("Error: ") + m_update->errorText());
        m_buttons->setStandardButtons(QDialogButtonBox::Cancel);
    }
}
