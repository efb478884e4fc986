#include "FirstTimeSetup.h"

#include "Onboarding.h"

#include <apps/desktopclient/SimpleNotifications.h>
#include <apps/desktopclient/StartupQueue.h>
#include <apps/desktopclient/WebDialog.h>
#include <core/Analytics.h>
#include <core/ImageStore.h>
#include <core/Settings.h>

#include <QTimer>
#include <QWidget>

FirstTimeSetup::FirstTimeSetup(QWidget *mainWindow, StartupQueue *queue)
    : QObject(mainWindow)
    , m_window(mainWindow)
    , m_queue(queue ? queue : new StartupQueue(this))
{
}

void FirstTimeSetup::start()
{
    if (Onboarding::isDue())
        m_queue->expect(StartupQueue::Welcome);
    if (Settings::isFirstRun) {
        Analytics::firstTime();
        ImageStore::instance()->setActive(QStringLiteral("Favorites"), true);
    } else if (!m_notifications) {
        m_notifications = new SimpleNotifications(this);
        connect(m_notifications, &SimpleNotifications::notice_Signal, this, &FirstTimeSetup::showNotice_Slot);
        // Until the first poll has answered, a notice may still come first.
        m_queue->expect(StartupQueue::Notice);
        connect(m_notifications, &SimpleNotifications::polled_Signal, this,
            [this] { m_queue->settle(StartupQueue::Notice); });
        m_notifications->start();
    }
    QTimer::singleShot(kWelcomeDelayMs, this, &FirstTimeSetup::show_Slot);
}

void FirstTimeSetup::show_Slot()
{
    if (!Onboarding::isDue()) {
        m_queue->settle(StartupQueue::Welcome);
        return;
    }
    m_queue->post(StartupQueue::Welcome, [window = m_window] {
        // On the heap: the main window may go (quit) while the dialog runs.
        auto *dialog = new Onboarding(window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->exec();
    });
}

void FirstTimeSetup::showNotice_Slot(QUrl url)
{
    m_queue->post(StartupQueue::Notice, [window = m_window, url] {
        auto *dialog = new WebDialog(url, window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->exec();
    });
}
