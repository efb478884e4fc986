#pragma once

#include <QDialog>

class EmailChange;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class SettingsOptions;

// The settings window. Every control takes effect the moment it changes;
// closing the window in any way loses nothing. Work it cannot do itself goes
// out as signals: the update check and the log browser to the controller,
// the wallpaper interval to the wallpaper rotation.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SettingsDialog(QWidget *parent = nullptr);

    // Shows the stored options and the account; writes nothing. Call before
    // each showing: the options may have changed elsewhere.
    void refresh();

    SettingsOptions *options() const { return m_options; }
    EmailChange *emailChange() const { return m_emailChange; }

signals:
    void showLogBrowser_Signal();
    // The account was signed out after its e-mail address changed.
    void userUpdated_Signal();
    void checkForUpdates_Signal(bool ignoreSensitivity, bool showUpToDate);
    // The wallpaper interval was changed: restart the rotation (0 or less
    // means none).
    void changeIntervalChanged_Signal(int seconds);
    // The fill, the monitors or the lock screen option changed: the current
    // wallpaper should be made again.
    void wallpaperLookChanged_Signal();

public slots:
    void notificationsClicked();
    void usageInfoClicked();
    void currentIndexChanged_AutoUpdate(int index);
    void currentIndexChanged_ChangeFrequency(int index);
    void autoUpdateClicked();
    void showLogBrowser_Slot();
    void openScreenSaverControlPanel();
    void openDesktopBackgroundControlPanel();
    void resetClicked();
    void emailClicked();

private:
    void buildForm();
    QGroupBox *buildWallpaperGroup();
    void refreshAccount();
    void emailChangeFinished(bool changed, const QString &message);

    SettingsOptions *m_options;
    EmailChange *m_emailChange;

    QLabel *m_userInfoLabel = nullptr;
    QLabel *m_emailLabel = nullptr;
    QPushButton *m_changeEmailButton = nullptr;
    QComboBox *m_frequencyComboBox = nullptr;
    QComboBox *m_autoUpdateComboBox = nullptr;
    QComboBox *m_orderComboBox = nullptr;
    QComboBox *m_fillComboBox = nullptr;
    QCheckBox *m_perMonitorCheckBox = nullptr;
    QCheckBox *m_lockScreenCheckBox = nullptr;
    QCheckBox *m_notificationsCheckBox = nullptr;
    QCheckBox *m_usageInfoCheckBox = nullptr;
};
