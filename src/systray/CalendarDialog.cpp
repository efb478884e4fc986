#include "CalendarDialog.h"

#include "CalendarSettings.h"
#include "WallpaperManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QComboBox *comboBox(const QStringList &items, int current, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->addItems(items);
    box->setCurrentIndex(qBound(0, current, items.size() - 1));
    return box;
}

} // namespace

CalendarDialog::CalendarDialog(QWidget *parent, WallpaperManager *manager)
    : QDialog(parent)
    , m_manager(manager ? manager : WallpaperManager::instance())
{
    setWindowTitle(tr("Calendar"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    const CalendarSettings options = CalendarSettings::read();
    const QStringList months { tr("None"), tr("1"), tr("2") };
    m_enabled = new QCheckBox(tr("Display calendar on desktop wallpaper"), this);
    m_enabled->setChecked(options.enabled);
    m_position = comboBox(
        { tr("Top left"), tr("Top right"), tr("Bottom left"), tr("Bottom right"), tr("Automatic") },
        options.position, this);
    m_size = comboBox({ tr("Small"), tr("Medium"), tr("Large") }, options.fontSize, this);
    m_startOn = comboBox({ tr("Sunday"), tr("Monday") }, options.startWeekOn, this);
    m_past = comboBox(months, options.pastMonths, this);
    m_future = comboBox(months, options.futureMonths, this);

    auto *form = new QFormLayout();
    form->addRow(tr("Calendar position:"), m_position);
    form->addRow(tr("Calendar text size:"), m_size);
    form->addRow(tr("Start week on:"), m_startOn);
    form->addRow(tr("Past months to show:"), m_past);
    form->addRow(tr("Future months to show:"), m_future);
    auto *note = new QLabel(tr("(Change will take effect next time you set your wallpaper)"), this);
    note->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_enabled);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_enabled, &QCheckBox::clicked, this, &CalendarDialog::clicked_Enabled);
    const auto changed = QOverload<int>::of(&QComboBox::currentIndexChanged);
    connect(m_size, changed, this, &CalendarDialog::currentIndexChanged_ChangeSize);
    connect(m_startOn, changed, this, &CalendarDialog::currentIndexChanged_ChangeStartOn);
    connect(m_position, changed, this, &CalendarDialog::currentIndexChanged_ChangePosition);
    connect(m_past, changed, this, &CalendarDialog::currentIndexChanged_ChangePast);
    connect(m_future, changed, this, &CalendarDialog::currentIndexChanged_ChangeFuture);
}

void CalendarDialog::clicked_Enabled()
{
    CalendarSettings::store(QStringLiteral("kEnable"), m_enabled->isChecked());
    // A calendar switched on has its page ready before the next wallpaper.
    if (m_enabled->isChecked())
        m_manager->refreshCalendar();
}

void CalendarDialog::currentIndexChanged_ChangeSize(int index)
{
    store(QStringLiteral("kFontSize"), index);
}

void CalendarDialog::currentIndexChanged_ChangeStartOn(int index)
{
    store(QStringLiteral("kStartWeekOn"), index);
}

void CalendarDialog::currentIndexChanged_ChangePosition(int index)
{
    store(QStringLiteral("kPosition"), index);
}

void CalendarDialog::currentIndexChanged_ChangePast(int index)
{
    store(QStringLiteral("kPastMonths"), index);
}

void CalendarDialog::currentIndexChanged_ChangeFuture(int index)
{
    store(QStringLiteral("kFutureMonths"), index);
}

void CalendarDialog::store(const QString &key, int index)
{
    if (index >= 0 && CalendarSettings::store(key, index))
        m_manager->refreshCalendar();
}
