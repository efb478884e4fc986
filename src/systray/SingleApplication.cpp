#include "SingleApplication.h"

#include "LocalServer.h"

#include <QDebug>

namespace {

// Two starts at the same moment can each miss the other's server once.
constexpr int kAttempts = 3;

} // namespace

SingleApplication::SingleApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    const QString name = LocalServer::defaultName();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (LocalServer::send(name, QByteArrayLiteral("CMD:showUp")))
            return;
        auto *server = new LocalServer(name, this);
        if (server->listen()) {
            m_server = server;
            m_firstInstance = true;
            connect(m_server, &LocalServer::showUp, this, &SingleApplication::slotShowUp);
            connect(m_server, &LocalServer::commandReceived, this, &SingleApplication::commandReceived);
            return;
        }
        delete server;
    }
    // Better a client without the guard than no client at all.
    qWarning() << "the single-instance guard is not available; running without it";
    m_firstInstance = true;
}

SingleApplication::~SingleApplication()
{
    if (m_server)
        m_server->close();
}

void SingleApplication::slotShowUp()
{
    emit showUp();
}
