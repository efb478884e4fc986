#pragma once

#include <QObject>
#include <QString>

class CATagGetterWorkerThread;

// The service's tags (catalog categories), fetched on a worker thread and
// reported on the GUI thread. The main window owns one and calls
// startSoon() whenever it shows the catalog page.
//
// Threads: everything here is called and emitted on the GUI thread; the
// worker's signals arrive queued at the slots of the same name.
class CATagGetter : public QObject
{
    Q_OBJECT
public:
    explicit CATagGetter(QObject *parent);
    ~CATagGetter() override; // stops the worker

    // start_Slot() in one second.
    void startSoon();
    // Ends the worker for good and joins it; harmless twice.
    void stop();

signals:
    // One per tag: the tag's name as `path`, `category` empty.
    void newCategory_Signal(bool fromCatalog, QString path, QString category, bool select);
    void newFile_Signal(QString category, QString url);

public slots:
    // Fetches the tag list at the worker's next pass; starts the worker on
    // first use.
    void start_Slot();
    void newFile_Slot(QString category, QString url);
    void newCategory_Slot(bool fromCatalog, QString path, QString category, bool select);

private:
    CATagGetterWorkerThread *m_worker;
};
