#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

class QWidget;
class SimpleNotifications;
class StartupQueue;

// Runs once per start: a first run reports itself and switches the
// "Favorites" playlist on; later runs poll the service's notices. A few
// seconds after the start the welcome pages open when due (Onboarding::isDue).
// Its dialogs hang off the main window it is given and take their turn in
// the queue (one of its own when none is given).
class FirstTimeSetup : public QObject
{
    Q_OBJECT
public:
    static constexpr int kWelcomeDelayMs = 3000;

    explicit FirstTimeSetup(QWidget *mainWindow, StartupQueue *queue = nullptr);

    void start();
    // The notice poll of a later run (none on a first run or before start()).
    SimpleNotifications *notifications() const { return m_notifications; }
    StartupQueue *queue() const { return m_queue; }

public slots:
    void show_Slot();
    void showNotice_Slot(QUrl url);

private:
    QPointer<QWidget> m_window;
    StartupQueue *m_queue;
    SimpleNotifications *m_notifications = nullptr;
};
