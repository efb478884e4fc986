#include "SSConfigurationDialog.h"

#include "SSConfigurationDialogDelegate.h"
#include "ui_SSConfigurationDialog.h"

SSConfigurationDialog::SSConfigurationDialog(QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::SSConfigurationDialog)
{
    m_ui->setupUi(this);
}

SSConfigurationDialog::~SSConfigurationDialog() = default;

void SSConfigurationDialog::setValue(int seconds)
{
    m_ui->sbUpdateInterval->setValue(seconds);
}

int SSConfigurationDialog::value() const
{
    return m_ui->sbUpdateInterval->value();
}

QSpinBox *SSConfigurationDialog::spinBox() const
{
    return m_ui->sbUpdateInterval;
}

void SSConfigurationDialog::setDelegate(SSConfigurationDialogDelegate *delegate)
{
    if (delegate != m_delegate)
        m_delegate = delegate;
}

void SSConfigurationDialog::on_sbUpdateInterval_valueChanged(int value)
{
    if (value < kMinimumInterval) {
        m_ui->sbUpdateInterval->setValue(kMinimumInterval);
        value = kMinimumInterval;
    }
    if (m_delegate)
        m_delegate->displayIntervalChanged(value);
}
