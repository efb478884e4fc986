#pragma once

#include "CAWorkerThread.h"

#include <QAtomicInt>
#include <QString>

// Fetches the service's tag list ("/api/v2/clients") whenever asked and
// reports each tag. Sleeps on its condition between passes.
//
// Threads: requestTags() and stop() on the GUI thread; the fetch and the
// signals on the worker thread (queued to the facade).
class CATagGetterWorkerThread : public CAWorkerThread
{
    Q_OBJECT
public:
    explicit CATagGetterWorkerThread(QObject *parent = nullptr);
    ~CATagGetterWorkerThread() override;

    // GUI thread: fetch the list at the next pass and wake the worker.
    void requestTags();

signals:
    // The tag's name travels as `path`; `category` is empty.
    void newCategory_Signal(bool fromCatalog, QString path, QString category, bool select);
    // Declared like the other workers' signal; never emitted by this one.
    void newFile_Signal(QString category, QString url);

protected:
    void work() override;

private:
    void fetchTags();

    // True at construction: the first start fetches the list.
    QAtomicInt m_needTags { 1 };
};
