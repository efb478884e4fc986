#pragma once

// What the wallpaper tests need to run real desktop programs: a private X
// server, a D-Bus session, and reading the screen back.

#include <platform/WallpaperCopy_linux.h>

#include "TestEnvironment.h"
#include "XTestServer.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <memory>
#include <optional>
#include <vector>

#include <signal.h>
#include <unistd.h>

namespace desktoptest {

using platform::wallpaper::WallpaperCopy;

// Sets environment variables for one test and puts the old values back.
class EnvGuard
{
public:
    ~EnvGuard()
    {
        for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it) {
            if (it.value())
                qputenv(it.key().constData(), *it.value());
            else
                qunsetenv(it.key().constData());
        }
    }
    void set(const char *name, const QString &value)
    {
        remember(name);
        qputenv(name, QFile::encodeName(value));
    }
    void unset(const char *name)
    {
        remember(name);
        qunsetenv(name);
    }

private:
    void remember(const char *name)
    {
        if (!m_saved.contains(name))
            m_saved.insert(name,
                qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name)) : std::nullopt);
    }
    QHash<QByteArray, std::optional<QByteArray>> m_saved;
};

// An X server of our own: tests run in parallel, so no fixed display number.
class Xvfb
{
public:
    explicit Xvfb(const QString &screen = QStringLiteral("640x480x24"))
        : m_screen(screen)
    {
    }
    ~Xvfb()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }
    bool start(QString *error)
    {
        m_process.start(QStringLiteral("Xvfb"),
            { QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                QStringLiteral("0"), m_screen });
        if (!m_process.waitForStarted(10000)) {
            *error = m_process.errorString();
            return false;
        }
        QByteArray out;
        while (!out.contains('\n')) {
            if (!m_process.waitForReadyRead(20000)) {
                *error = QStringLiteral("Xvfb gave no display number: ")
                    + QString::fromLocal8Bit(m_process.readAllStandardError());
                return false;
            }
            out += m_process.readAllStandardOutput();
        }
        m_display = QLatin1Char(':') + QString::fromLatin1(out.trimmed());
        return true;
    }
    QString display() const { return m_display; }

private:
    QString m_screen;
    QProcess m_process;
    QString m_display;
};

inline QImage readRoot(const QString &display)
{
    QProcess xwd;
    xwd.start(QStringLiteral("xwd"),
        { QStringLiteral("-root"), QStringLiteral("-silent"), QStringLiteral("-display"), display });
    if (!xwd.waitForFinished(20000) || xwd.exitCode() != 0) {
        qWarning() << "xwd failed:" << xwd.readAllStandardError();
        return QImage();
    }
    const QImage image = XTestServer::decodeXwd(xwd.readAllStandardOutput());
    if (image.isNull())
        qWarning() << "cannot read the dump of" << display;
    return image;
}

// Largest difference of any colour channel over the whole picture.
inline int largestDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 256;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            worst = qMax(worst, qAbs(qRed(p[col]) - qRed(q[col])));
            worst = qMax(worst, qAbs(qGreen(p[col]) - qGreen(q[col])));
            worst = qMax(worst, qAbs(qBlue(p[col]) - qBlue(q[col])));
        }
    }
    return worst;
}

inline QString writePicture(const QImage &image, const QString &name)
{
    const QString path = fotoria::test::testHome() + QStringLiteral("/tmp/") + name;
    if (!image.save(path, "BMP"))
        qWarning() << "cannot write" << path;
    return path;
}

inline QStringList copyFiles()
{
    QDir dir(WallpaperCopy::defaultFolder());
    QStringList files;
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names)
        files.append(dir.filePath(name));
    return files;
}

// A process in a process group of its own, so that everything it starts
// (the bus daemon, services it activates) can be ended together.
class GroupProcess : public QProcess
{
protected:
    void setupChildProcess() override { ::setpgid(0, 0); }
};

// A real desktop program on the test's own X server, inside its own D-Bus
// session; everything is killed when the session goes, even on failure.
class DesktopSession
{
public:
    ~DesktopSession()
    {
        for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it) {
            GroupProcess *process = it->get();
            if (process->state() == QProcess::NotRunning)
                continue;
            ::kill(-pid_t(process->processId()), SIGTERM);
            if (!process->waitForFinished(3000))
                ::kill(-pid_t(process->processId()), SIGKILL);
            process->waitForFinished(3000);
        }
    }
    bool start(const QString &display, QString *error)
    {
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("DISPLAY"), display);
        GroupProcess *bus = add();
        // The session lives as long as the shell waits on its input.
        bus->start(QStringLiteral("dbus-run-session"),
            { QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                QStringLiteral("echo \"$DBUS_SESSION_BUS_ADDRESS\"; read x") });
        QByteArray out;
        while (!out.contains('\n')) {
            if (!bus->waitForReadyRead(20000)) {
                *error = QStringLiteral("dbus-run-session gave no address: ") + bus->errorString();
                return false;
            }
            out += bus->readAllStandardOutput();
        }
        m_env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(out.trimmed()));
        return true;
    }
    QProcessEnvironment environment() const { return m_env; }
    QString busAddress() const { return m_env.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")); }
    // Points this process, as the programs of the session, at its display and bus.
    void enter(EnvGuard &env) const
    {
        env.set("DISPLAY", m_env.value(QStringLiteral("DISPLAY")));
        env.set("DBUS_SESSION_BUS_ADDRESS", busAddress());
    }
    void launch(const QString &program, const QStringList &arguments)
    {
        GroupProcess *process = add();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(program, arguments);
        process->waitForStarted(20000);
    }
    bool running(int index) const { return m_processes.at(size_t(index))->state() == QProcess::Running; }
    // Runs a tool in the session and returns its output (null on failure).
    QString run(const QString &program, const QStringList &arguments) const
    {
        QProcess tool;
        tool.setProcessEnvironment(m_env);
        tool.start(program, arguments);
        if (!tool.waitForFinished(20000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
            return QString();
        const QString out = QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
        return out.isNull() ? QStringLiteral("") : out;
    }

private:
    GroupProcess *add()
    {
        m_processes.emplace_back(new GroupProcess);
        m_processes.back()->setProcessEnvironment(m_env);
        return m_processes.back().get();
    }
    QProcessEnvironment m_env;
    std::vector<std::unique_ptr<GroupProcess>> m_processes;
};

// Polls until `ready` holds; false after a generous limit.
template<typename Ready> bool waitUntil(Ready ready, int limitMs = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (!ready()) {
        if (timer.elapsed() > limitMs)
            return false;
        QThread::msleep(100);
    }
    return true;
}

// Red and blue halves with green strips at both ends, which covering a
// screen of another shape (4:3, 5:4) must crop away.
inline QImage halvesPicture()
{
    QImage image(1280, 720, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, 640, 720, Qt::red);
    painter.fillRect(640, 0, 640, 720, Qt::blue);
    painter.fillRect(0, 0, 100, 720, Qt::green);
    painter.fillRect(1180, 0, 100, 720, Qt::green);
    return image;
}

inline QImage solidPicture(QRgb colour)
{
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The desktop shows the colour in the middle and near a corner (desktop
// icons sit at the top left); `pixelAt` reads a point of the picture.
template<typename PixelAt> bool showsColourAt(PixelAt pixelAt, QRgb colour)
{
    for (const QPoint point : { QPoint(320, 240), QPoint(600, 440) }) {
        const QRgb pixel = pixelAt(point);
        if (qAbs(qRed(pixel) - qRed(colour)) > 8 || qAbs(qGreen(pixel) - qGreen(colour)) > 8
            || qAbs(qBlue(pixel) - qBlue(colour)) > 8)
            return false;
    }
    return true;
}

inline bool showsColour(const QImage &shown, QRgb colour)
{
    return !shown.isNull() && showsColourAt([&](QPoint point) { return shown.pixel(point); }, colour);
}

inline bool showsColour(const QString &display, QRgb colour)
{
    return showsColour(readRoot(display), colour);
}

// `gsettings get` prints a GVariant string: quoted, with backslash escapes.
inline QString gvariantText(const QString &printed)
{
    const QString text = printed.trimmed();
    if (text.size() < 2)
        return QString();
    QString value;
    for (int i = 1; i < text.size() - 1; ++i) {
        if (text.at(i) == QLatin1Char('\\') && i + 1 < text.size() - 1)
            ++i;
        value += text.at(i);
    }
    return value;
}

inline bool haveTools(const QStringList &tools, QString *missing)
{
    for (const QString &tool : tools) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            *missing = tool + QStringLiteral(" is not installed");
            return false;
        }
    }
    return true;
}

} // namespace desktoptest
