#include "FirstTimeSetup.h"

#include "Onboarding.h"

#include <apps/desktopclient/SimpleNotifications.h>
#include <apps/desktopclient/WebDialog.h>
#include <core/Analytics.h>
#include <core/ImageStore.h>
#include <core/Settings.h>

#include <QTimer>
#include <QWidget>

FirstTimeSetup::FirstTimeSetup(QWidget *mainWindow)
    : QObject(mainWindow)
    , m_window(mainWindow)
{
}

void FirstTimeSetup::start()
{
    if (Settings::isFirstRun) {
        Analytics::firstTime();
        ImageStore::instance()->setActive(QStringLiteral("Favorites"), true);
    } else if (!m_notifications) {
        m_notifications = new SimpleNotifications(this);
        connect(m_notifications, &SimpleNotifications::notice_Signal, this, &FirstTimeSetup::showNotice_Slot);
        m_notifications->start();
    }
    QTimer::singleShot(kWelcomeDelayMs, this, &FirstTimeSetup::show_Slot);
}

void FirstTimeSetup::show_Slot()
{
    if (!Onboarding::isWanted())
        return;
    // On the heap: the main window may go (quit) while the dialog runs.
    auto *dialog = new Onboarding(m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->exec();
}

void FirstTimeSetup::showNotice_Slot(QUrl url)
{
    auto *dialog = new WebDialog(url, m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->exec();
}
