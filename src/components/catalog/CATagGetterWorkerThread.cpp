#include "CATagGetterWorkerThread.h"

#include <io/NetworkManager.h>

#include <QDebug>
#include <QVariantList>

CATagGetterWorkerThread::CATagGetterWorkerThread(QObject *parent)
    : CAWorkerThread(parent)
{
}

CATagGetterWorkerThread::~CATagGetterWorkerThread()
{
    stop();
}

void CATagGetterWorkerThread::requestTags()
{
    m_needTags.storeRelease(1);
    wake();
}

void CATagGetterWorkerThread::work()
{
    for (;;) {
        if (!waitFor([this] { return m_needTags.loadAcquire() != 0; }))
            return;
        // Taken once per pass: two quick requests fetch once or twice,
        // never at the same time.
        if (m_needTags.fetchAndStoreAcquire(0))
            fetchTags();
    }
}

void CATagGetterWorkerThread::fetchTags()
{
    bool ok = false;
    const QByteArray body = network()->get(QString(), QStringLiteral("/api/v2/clients"), {}, &ok);
    if (!ok || isStopped())
        return;
    const QVariantMap reply = NetworkManager::jsonToMap(body);
    if (reply.isEmpty()) {
        qDebug() << "CATagGetter: the tag list is not readable";
        return;
    }
    const QVariantList tags = reply.value(QStringLiteral("tags")).toList();
    for (const QVariant &tag : tags) {
        const QString name = tag.toMap().value(QStringLiteral("name")).toString();
        if (name.isEmpty())
            continue; // an empty entry would become an empty category
        if (!waitForRoom())
            return;
        emit newCategory_Signal(true, name, QString(), false);
    }
}
