#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class WallpaperManager;

// Edits the calendar options. Every edit is stored at once and applies to
// the next wallpaper; edits that change the page have it loaded again.
class CalendarDialog : public QDialog
{
    Q_OBJECT

public:
    // `manager` defaults to the program's one.
    explicit CalendarDialog(QWidget *parent = nullptr, WallpaperManager *manager = nullptr);

    QCheckBox *enabledBox() const { return m_enabled; }
    QComboBox *positionBox() const { return m_position; }
    QComboBox *sizeBox() const { return m_size; }
    QComboBox *startOnBox() const { return m_startOn; }
    QComboBox *pastBox() const { return m_past; }
    QComboBox *futureBox() const { return m_future; }

public slots:
    void clicked_Enabled();
    void currentIndexChanged_ChangeSize(int index);
    void currentIndexChanged_ChangeStartOn(int index);
    void currentIndexChanged_ChangePosition(int index);
    void currentIndexChanged_ChangePast(int index);
    void currentIndexChanged_ChangeFuture(int index);

private:
    void store(const QString &key, int index);

    WallpaperManager *m_manager;
    QCheckBox *m_enabled;
    QComboBox *m_position;
    QComboBox *m_size;
    QComboBox *m_startOn;
    QComboBox *m_past;
    QComboBox *m_future;
};
