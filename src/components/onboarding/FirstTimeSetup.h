#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

class QWidget;
class SimpleNotifications;

// Runs once per start: a first run reports itself and switches the
// "Favorites" playlist on; later runs poll the service's notices. A few
// seconds after the start the welcome pages open when kShowWelcomeScreen
// (default true) holds. Its dialogs hang off the main window it is given.
class FirstTimeSetup : public QObject
{
    Q_OBJECT
public:
    static constexpr int kWelcomeDelayMs = 3000;

    explicit FirstTimeSetup(QWidget *mainWindow);

    void start();
    // The notice poll of a later run (none on a first run or before start()).
    SimpleNotifications *notifications() const { return m_notifications; }

public slots:
    void show_Slot();
    void showNotice_Slot(QUrl url);

private:
    QPointer<QWidget> m_window;
    SimpleNotifications *m_notifications = nullptr;
};
