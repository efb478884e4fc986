#include "Logger.h"

#include <core/FileLocations.h>

#include <QDir>
#include <QMutexLocker>
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QTextCodec>
#endif
#include <QTimer>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Guards the writing thread against its own recursion (a message produced
// while writing one). Other threads are not dropped: they wait for the lock.
thread_local bool t_writing = false;

} // namespace

Logger *Logger::instance()
{
    static Logger *s_instance = nullptr;
    static QBasicMutex s_lock;
    Logger *logger = s_instance;
    if (!logger) {
        QMutexLocker locker(&s_lock);
        if (!s_instance)
            s_instance = new Logger();
        logger = s_instance;
    }
    return logger;
}

Logger::Logger()
{
    qRegisterMetaType<QtMsgType>("QtMsgType");
    // Qt 6 streams always write UTF-8.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    m_stream.setCodec(QTextCodec::codecForName("UTF-8"));
#endif
}

bool Logger::openLogFile()
{
    return openLogFile(FileLocations::logFile());
}

bool Logger::openLogFile(const QString &path)
{
    QMutexLocker locker(&m_mutex);
    return openLocked(path);
}

bool Logger::openLocked(const QString &path)
{
    closeLocked();
    m_path = path;
    m_file.setFileName(path);
    m_size = 0;
    bool wasLink = false;
    QString error;
    if (!openWithoutFollowing(path, &wasLink, &error)) {
        // Without a log tessel still runs; messages are dropped until reopened.
        fprintf(stderr, "tessel: cannot open the log %s: %s; running without it\n",
            qPrintable(QDir::toNativeSeparators(path)), qPrintable(error));
        return false;
    }
    m_stream.setDevice(&m_file);
    if (wasLink) {
        const QString line
            = QStringLiteral("the log was a link; replaced by a new file, what it pointed at left alone");
        m_stream << line << '\n';
        m_size += line.size() + 1;
    }
    return true;
}

bool Logger::openWithoutFollowing(const QString &path, bool *wasLink, QString *error)
{
#ifdef Q_OS_UNIX
    // Truncating through a link, symbolic or hard, would empty whatever it
    // points at: such a log is replaced by a new file.
    const QByteArray name = QFile::encodeName(path);
    int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    struct stat info = {};
    const bool hardLink = fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink > 1;
    if (hardLink || (fd < 0 && errno == ELOOP)) {
        if (fd >= 0)
            ::close(fd);
        *wasLink = true;
        fd = ::unlink(name.constData()) == 0
            ? ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644)
            : -1;
    }
    if (fd < 0 || (S_ISREG(info.st_mode) && !hardLink && ::ftruncate(fd, 0) != 0)) {
        *error = QString::fromLocal8Bit(strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    const bool opened = m_file.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle);
#else
    *wasLink = false;
    const bool opened = m_file.open(QIODevice::ReadWrite | QIODevice::Truncate);
#endif
    if (!opened)
        *error = m_file.errorString();
    return opened;
}

void Logger::closeLocked()
{
    if (m_stream.device()) {
        m_stream.flush();
        m_stream.setDevice(nullptr);
    }
    if (m_file.isOpen())
        m_file.close();
}

void Logger::closeLogFile()
{
    QMutexLocker locker(&m_mutex);
    closeLocked();
}

QString Logger::logFilePath() const
{
    QMutexLocker locker(&m_mutex);
    return m_path.isEmpty() ? FileLocations::logFile() : m_path;
}

QString Logger::formatLine(QtMsgType type, const QString &msg)
{
    switch (type) {
    case QtDebugMsg:
        return msg;
    case QtWarningMsg:
        return tr("-- WARNING: %1").arg(msg);
    case QtCriticalMsg:
        return tr("-- CRITICAL: %1").arg(msg);
    case QtFatalMsg:
        return tr("-- FATAL: %1").arg(msg);
    default:
        return QString();
    }
}

void Logger::outputMessage(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (t_writing)
        return;
    t_writing = true;
    // The line is built before the lock is taken, so translation lookups and
    // any message they produce cannot deadlock on it.
    const QString line = formatLine(type, msg);
    {
        QMutexLocker locker(&m_mutex);
        if (m_stream.device() && (type == QtDebugMsg || !line.isEmpty())) {
            if (m_size > kMaxLogSize)
                openLocked(m_path);
            if (m_stream.device()) {
                m_stream << line << '\n';
                m_size += line.toUtf8().size() + 1;
            }
        }
    }
    t_writing = false;
}

void Logger::update()
{
    QMutexLocker locker(&m_mutex);
    if (m_stream.device())
        m_stream.flush();
}

QString Logger::readTail(qint64 bytes)
{
    QString path;
    {
        QMutexLocker locker(&m_mutex);
        if (m_stream.device())
            m_stream.flush();
        path = m_path.isEmpty() ? FileLocations::logFile() : m_path;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const qint64 size = file.size();
    file.seek(size > bytes ? size - bytes : 0);
    return QString::fromUtf8(file.readAll());
}

void Logger::startFlushTimer()
{
    if (m_flushTimer)
        return;
    m_flushTimer = new QTimer(this);
    connect(m_flushTimer, &QTimer::timeout, this, &Logger::update);
    m_flushTimer->start(kFlushIntervalMs);
}

void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    Logger::instance()->outputMessage(type, context, msg);
}
