#include "SettingsDialog.h"

#include "EmailChange.h"
#include "PlainText.h"
#include "SettingsOptions.h"

#include <core/AppInfo.h>
#include <core/Settings.h>
#include <core/User.h>
#include <platform/ControlPanels.h>
#include <platform/DesktopWallpaper.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

const char kSupportUrl[] = "https://support.fotoria.com/requests/new";

template<typename T> T *named(T *widget, const char *objectName)
{
    widget->setObjectName(QLatin1String(objectName));
    return widget;
}

} // namespace

SettingsDialog::SettingsDialog(QWidget *parent)
    : QDialog(parent)
    , m_options(new SettingsOptions(this))
    , m_emailChange(new EmailChange(this))
{
    buildForm();
    connect(m_options, &SettingsOptions::changeIntervalChanged_Signal, this,
        &SettingsDialog::changeIntervalChanged_Signal);
    connect(m_options, &SettingsOptions::wallpaperLookChanged_Signal, this,
        &SettingsDialog::wallpaperLookChanged_Signal);
    connect(m_emailChange, &EmailChange::finished_Signal, this, &SettingsDialog::emailChangeFinished);
    refresh();
}

void SettingsDialog::buildForm()
{
    setWindowTitle(tr("Settings"));
    auto *grid = new QGridLayout;

    int row = 0;
    auto addRow = [grid, &row](QWidget *label, QWidget *field, QWidget *extra = nullptr) {
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        if (extra)
            grid->addWidget(extra, row, 2);
        ++row;
    };

    m_userInfoLabel = named(new QLabel(this), "userInfoLabel");
    m_userInfoLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_userInfoLabel->setTextFormat(Qt::PlainText); // the e-mail address from the service
    addRow(named(new QLabel(tr("Account:"), this), "desktopLabel_2"), m_userInfoLabel);
    m_emailLabel = named(new QLabel(tr("Email:"), this), "emailLabel");
    m_changeEmailButton = named(new QPushButton(tr("Change..."), this), "changeEmailButton");
    addRow(m_emailLabel, m_changeEmailButton);

    grid->addWidget(buildWallpaperGroup(), row++, 0, 1, 3);

    auto *desktopButton = named(new QPushButton(tr("Open"), this), "desktopPushButton");
    addRow(named(new QLabel(tr("Desktop Control Panel:"), this), "desktopLabel"), desktopButton);
    auto *screenSaverButton = named(new QPushButton(tr("Open"), this), "screenSaverPushButton");
    addRow(named(new QLabel(tr("Open Screensaver Control Panel:"), this), "screenSaverLabel"),
        screenSaverButton);

    m_notificationsCheckBox
        = named(new QCheckBox(tr("Show new photo notifications"), this), "notificationsCheckBox");
    grid->addWidget(m_notificationsCheckBox, row++, 0, 1, 3);
    m_usageInfoCheckBox
        = named(new QCheckBox(tr("Send usage information to Fotoria"), this), "usageInfoCheckBox");
    grid->addWidget(m_usageInfoCheckBox, row++, 0, 1, 3);

    m_autoUpdateComboBox = named(new QComboBox(this), "autoUpdateComboBox");
    m_autoUpdateComboBox->addItems({ tr("Never"), tr("Regular") });
    auto *checkNowButton = named(new QPushButton(tr("Check Now"), this), "checkNowButton");
    addRow(named(new QLabel(tr("Auto update:"), this), "label_9"), m_autoUpdateComboBox, checkNowButton);

    auto *phoneHome = named(new QPushButton(tr("Send..."), this), "phoneHome");
    addRow(named(new QLabel(tr("Send errors to Support:"), this), "label_6"), phoneHome);
    auto *resetButton = named(new QPushButton(tr("Reset..."), this), "resetButton");
    addRow(named(new QLabel(tr("Reset all settings:"), this), "label_3"), resetButton);

    auto *versionLabel = named(new QLabel(AppInfo::version, this), "versionLabel");
    auto *feedback = named(new QLabel(this), "label_4");
    feedback->setTextFormat(Qt::RichText);
    feedback->setText(tr("Have feedback?") + QStringLiteral("<a href=\"%1\">").arg(QLatin1String(kSupportUrl))
        + tr(" Email us!") + QStringLiteral("</a>"));
    feedback->setOpenExternalLinks(true);
    addRow(versionLabel, feedback);

    auto *buttonBox = named(new QDialogButtonBox(QDialogButtonBox::Close, this), "buttonBox");

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttonBox);

    connect(m_notificationsCheckBox, &QCheckBox::clicked, this, &SettingsDialog::notificationsClicked);
    connect(m_usageInfoCheckBox, &QCheckBox::clicked, this, &SettingsDialog::usageInfoClicked);
    connect(m_autoUpdateComboBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
        &SettingsDialog::currentIndexChanged_AutoUpdate);
    connect(checkNowButton, &QPushButton::clicked, this, &SettingsDialog::autoUpdateClicked);
    connect(phoneHome, &QPushButton::clicked, this, &SettingsDialog::showLogBrowser_Slot);
    connect(screenSaverButton, &QPushButton::clicked, this, &SettingsDialog::openScreenSaverControlPanel);
    connect(desktopButton, &QPushButton::clicked, this, &SettingsDialog::openDesktopBackgroundControlPanel);
    connect(resetButton, &QPushButton::clicked, this, &SettingsDialog::resetClicked);
    connect(m_changeEmailButton, &QPushButton::clicked, this, &SettingsDialog::emailClicked);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QGroupBox *SettingsDialog::buildWallpaperGroup()
{
    auto *group = named(new QGroupBox(tr("Wallpaper"), this), "wallpaperGroup");
    auto *grid = new QGridLayout(group);
    int row = 0;
    auto addRow = [this, grid, &row](const QString &label, QComboBox *field) {
        auto *text = new QLabel(label, this);
        text->setBuddy(field);
        grid->addWidget(text, row, 0);
        grid->addWidget(field, row++, 1);
    };

    m_frequencyComboBox = named(new QComboBox(this), "frequencyComboBox");
    m_frequencyComboBox->addItems(
        { tr("Never"), tr("1 minute"), tr("5 minutes"), tr("1 hour"), tr("1 day") });
    addRow(tr("Change Wallpaper every:"), m_frequencyComboBox);
    m_orderComboBox = named(new QComboBox(this), "orderComboBox");
    m_orderComboBox->addItems({ tr("Random"), tr("Shuffle without repeats"), tr("By name"), tr("Newest first") });
    addRow(tr("Order:"), m_orderComboBox);
    m_fillComboBox = named(new QComboBox(this), "fillComboBox");
    m_fillComboBox->addItems({ tr("Crop to fill"), tr("Fit, blurred background") });
    m_fillComboBox->setToolTip(tr("A photo much taller or wider than the screen is shown whole over a blurred "
                                  "copy of itself instead of being cropped."));
    addRow(tr("Fill:"), m_fillComboBox);
    m_perMonitorCheckBox
        = named(new QCheckBox(tr("A different photo on each monitor"), this), "perMonitorCheckBox");
    grid->addWidget(m_perMonitorCheckBox, row++, 0, 1, 2);
    m_lockScreenCheckBox
        = named(new QCheckBox(tr("Show the wallpaper on the lock screen too"), this), "lockScreenCheckBox");
    grid->addWidget(m_lockScreenCheckBox, row++, 0, 1, 2);

    connect(m_frequencyComboBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
        &SettingsDialog::currentIndexChanged_ChangeFrequency);
    connect(m_orderComboBox, qOverload<int>(&QComboBox::currentIndexChanged), m_options,
        &SettingsOptions::setOrderIndex);
    connect(m_fillComboBox, qOverload<int>(&QComboBox::currentIndexChanged), m_options,
        &SettingsOptions::setFillIndex);
    connect(m_perMonitorCheckBox, &QCheckBox::clicked, m_options, &SettingsOptions::setPerMonitor);
    connect(m_lockScreenCheckBox, &QCheckBox::clicked, m_options, &SettingsOptions::setLockScreen);
    return group;
}

void SettingsDialog::refresh()
{
    const SettingsOptions::State state = SettingsOptions::load();
    // Showing a stored value is not a change: nothing may be written back.
    const QSignalBlocker notifications(m_notificationsCheckBox);
    const QSignalBlocker usage(m_usageInfoCheckBox);
    const QSignalBlocker autoUpdate(m_autoUpdateComboBox);
    const QSignalBlocker frequency(m_frequencyComboBox);
    const QSignalBlocker order(m_orderComboBox);
    const QSignalBlocker fill(m_fillComboBox);
    const QSignalBlocker perMonitor(m_perMonitorCheckBox);
    const QSignalBlocker lockScreen(m_lockScreenCheckBox);
    m_notificationsCheckBox->setChecked(state.showNewAssets);
    m_usageInfoCheckBox->setChecked(state.sendAnalytics);
    m_autoUpdateComboBox->setCurrentIndex(state.autoUpdateIndex);
    m_frequencyComboBox->setCurrentIndex(state.frequencyIndex);
    m_orderComboBox->setCurrentIndex(state.orderIndex);
    m_fillComboBox->setCurrentIndex(state.fillIndex);
    m_perMonitorCheckBox->setChecked(state.perMonitor);
    m_lockScreenCheckBox->setChecked(state.lockScreen);
    // The desktop may have changed since the last showing.
    QString whyNot;
    const bool lockScreenWorks = platform::lockScreenSupported(&whyNot);
    m_lockScreenCheckBox->setEnabled(lockScreenWorks);
    m_lockScreenCheckBox->setToolTip(lockScreenWorks
            ? tr("The lock screen shows the same picture as the desktop.")
            : whyNot);
    refreshAccount();
}

void SettingsDialog::refreshAccount()
{
    const bool person = EmailChange::canChange();
    m_userInfoLabel->setText(person ? User::instance()->email() : tr("Not logged in"));
    m_emailLabel->setVisible(person);
    m_changeEmailButton->setVisible(person);
    m_changeEmailButton->setEnabled(!m_emailChange->isBusy());
}

void SettingsDialog::notificationsClicked()
{
    m_options->setShowNewAssets(m_notificationsCheckBox->isChecked());
}

void SettingsDialog::usageInfoClicked()
{
    m_options->setSendAnalytics(m_usageInfoCheckBox->isChecked());
}

void SettingsDialog::currentIndexChanged_AutoUpdate(int index)
{
    m_options->setAutoUpdateIndex(index);
}

void SettingsDialog::currentIndexChanged_ChangeFrequency(int index)
{
    m_options->setFrequencyIndex(index);
}

void SettingsDialog::autoUpdateClicked()
{
    accept();
    emit checkForUpdates_Signal(true, true);
}

void SettingsDialog::showLogBrowser_Slot()
{
    emit showLogBrowser_Signal();
}

void SettingsDialog::openScreenSaverControlPanel()
{
    QString error;
    if (!platform::openControlPanel(platform::ControlPanel::ScreenSaver, &error))
        PlainText::message(this, QMessageBox::Warning, tr("Settings"), error);
}

void SettingsDialog::openDesktopBackgroundControlPanel()
{
    QString error;
    if (!platform::openControlPanel(platform::ControlPanel::DesktopBackground, &error))
        PlainText::message(this, QMessageBox::Warning, tr("Settings"), error);
}

void SettingsDialog::resetClicked()
{
    QMessageBox box(QMessageBox::Warning, AppInfo::productName,
        tr("Reset all settings?\nPlease use only when suggested by Tech Support!\n") + AppInfo::productName
            + tr(" will exit."),
        QMessageBox::Ok | QMessageBox::Cancel, this);
    // Clearing everything should take a deliberate click.
    box.setDefaultButton(QMessageBox::Cancel);
    if (box.exec() == QMessageBox::Ok)
        Settings::reset();
}

void SettingsDialog::emailClicked()
{
    if (!EmailChange::canChange() || m_emailChange->isBusy())
        return;
    accept();
    bool ok = false;
    const QString email = PlainText::askText(parentWidget(), tr("Change email"),
        tr("Change email from: ") + User::instance()->email()
            + tr("\nYou will need to Log in when complete."),
        QString(), &ok);
    if (ok && m_emailChange->change(email))
        m_changeEmailButton->setEnabled(false);
}

void SettingsDialog::emailChangeFinished(bool changed, const QString &message)
{
    refreshAccount();
    if (changed) {
        emit userUpdated_Signal();
        PlainText::message(parentWidget(), QMessageBox::Information, tr("Change email"), message);
    } else {
        PlainText::message(parentWidget(), QMessageBox::Warning, tr("Change email"), message);
    }
}
