#pragma once

#include <QFile>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QTextStream>

class QTimer;

// The process-wide log writer behind the Qt message handler: one line a
// message in "log.txt" of the base folder, restarted empty past 2 MiB and
// flushed every 10 seconds. Safe from any thread.
class Logger : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kMaxLogSize = 2097152;
    static constexpr int kFlushIntervalMs = 10000;
    static constexpr qint64 kReportTailBytes = 131072;

    static Logger *instance();

    // Opens (truncating) the base folder's log.txt, or the given file. A link
    // there, symbolic or hard, is replaced by a new file; a log that cannot
    // be opened is said on stderr, and messages are dropped.
    bool openLogFile();
    bool openLogFile(const QString &path);
    // Flushes and closes the file; later messages are dropped until reopened.
    void closeLogFile();

    QString logFilePath() const;
    // The last `bytes` bytes of the log (the whole log when smaller).
    QString readTail(qint64 bytes);
    void startFlushTimer();

    // Writes one message; called by the message handler on any thread.
    void outputMessage(QtMsgType type, const QMessageLogContext &context, const QString &msg);

    // The line that a message of this type becomes, without its line end;
    // empty for types that write nothing.
    static QString formatLine(QtMsgType type, const QString &msg);

public slots:
    void update();

private:
    Logger();
    bool openLocked(const QString &path);
    bool openWithoutFollowing(const QString &path, bool *wasLink, QString *error);
    void closeLocked();

    mutable QMutex m_mutex;
    QString m_path;
    QFile m_file;
    QTextStream m_stream;
    qint64 m_size = 0;
    QTimer *m_flushTimer = nullptr;
};

// The Qt message handler that sends every message to the logger.
void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &msg);
