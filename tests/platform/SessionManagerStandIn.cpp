// Answers for the GNOME session manager on the session bus: csd-background
// draws only once the session is said to run, and cinnamon-session itself
// needs logind. A process of its own, so that the test's QtDBus connection
// never has to be torn down while the bus goes away.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QTextStream>

namespace {

class SessionManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")

public slots:
    bool IsSessionRunning() { return true; }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    SessionManager manager;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/gnome/SessionManager"), &manager, QDBusConnection::ExportAllSlots)
        || !bus.registerService(QStringLiteral("org.gnome.SessionManager"))) {
        QTextStream(stderr) << "cannot offer org.gnome.SessionManager: " << bus.lastError().message() << '\n';
        return 1;
    }
    return app.exec();
}

#include "SessionManagerStandIn.moc"
