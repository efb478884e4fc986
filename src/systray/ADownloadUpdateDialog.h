#pragma once

#include <QDialog>

class AutoUpdate;
class QDialogButtonBox;
class QLabel;
class QProgressBar;

// Shows the installer download of an AutoUpdate: progress, then "Apply" or
// the error.
class ADownloadUpdateDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ADownloadUpdateDialog(AutoUpdate *update, QWidget *parent = nullptr);

    // Before each download: the waiting text, Cancel only, the bar at zero.
    void prepare();

    QLabel *messageLabel() const { return m_label; }
    QProgressBar *progressBar() const { return m_progress; }
    QDialogButtonBox *buttonBox() const { return m_buttons; }

public slots:
    void UpdateDownloaded(bool success);

private:
    AutoUpdate *m_update;
    QProgressBar *m_progress;
    QLabel *m_label;
    QDialogButtonBox *m_buttons;
};
