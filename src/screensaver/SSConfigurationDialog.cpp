#include "SSConfigurationDialog.h"

#include "SSConfigurationDialogDelegate.h"
#include "ui_SSConfigurationDialog.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QSpinBox>

SSConfigurationDialog::SSConfigurationDialog(QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::SSConfigurationDialog)
{
    m_ui->setupUi(this);
    // Changes apply as they are made, so Close is all there is to press.
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    fitTexts();
    m_ui->sbUpdateInterval->setFocus();
}

// The form's places suit the Windows dialog font. Where a wider font stands
// in, the spin box and "seconds" move right (and the dialog widens if they
// no longer fit), so that no text is covered or cut; otherwise nothing moves.
void SSConfigurationDialog::fitTexts()
{
    QLabel *label = m_ui->label;
    QSpinBox *box = m_ui->sbUpdateInterval;
    QLabel *unit = m_ui->label_2;
    const int gap = unit->x() - (box->x() + box->width());
    const int labelText = label->fontMetrics().horizontalAdvance(label->text());
    label->resize(qMax(label->width(), labelText), label->height());
    box->move(qMax(box->x(), label->x() + labelText), box->y());
    const int unitText = unit->fontMetrics().horizontalAdvance(unit->text());
    unit->setGeometry(qMax(unit->x(), box->x() + box->width() + gap), unit->y(), qMax(unit->width(), unitText),
        unit->height());
    resize(qMax(width(), unit->x() + unit->width() + label->x()), height());
    // Close below the line, at the right.
    const QSize buttons = m_buttons->sizeHint();
    const int top = box->y() + box->height() + label->x();
    m_buttons->setGeometry(width() - buttons.width() - label->x(), top, buttons.width(), buttons.height());
    resize(width(), qMax(height(), top + buttons.height() + label->x()));
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

QPushButton *SSConfigurationDialog::closeButton() const
{
    return m_buttons->button(QDialogButtonBox::Close);
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
