#include "XTestServer.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QFile>
#include <QStandardPaths>
#include <QtEndian>

#include <unistd.h>

XTestServer::~XTestServer()
{
    stop();
}

bool XTestServer::start(const QSize &size)
{
    const QString screen = QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height());
    return startServer(QStringLiteral("Xvfb -displayfd 3 -screen 0 %1 -nolisten tcp -noreset").arg(screen));
}

bool XTestServer::startMonitors(const QVector<QRect> &monitors, QString *error)
{
    if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("Xorg")).isEmpty()
        || !QFile::exists(QStringLiteral("/usr/lib/xorg/modules/drivers/dummy_drv.so"))) {
        *error = QStringLiteral("several monitors need Xorg with the dummy driver, run as root");
        return false;
    }
    QRect all;
    for (const QRect &monitor : monitors)
        all |= monitor;
    QFile config(m_folder.filePath(QStringLiteral("xorg.conf")));
    if (!config.open(QIODevice::WriteOnly)
        || config.write(QStringLiteral("Section \"Device\"\n  Identifier \"d\"\n  Driver \"dummy\"\n"
                                       "  VideoRam 256000\nEndSection\n"
                                       "Section \"Monitor\"\n  Identifier \"m\"\n  HorizSync 5-1000\n"
                                       "  VertRefresh 5-200\nEndSection\n"
                                       "Section \"Screen\"\n  Identifier \"s\"\n  Device \"d\"\n"
                                       "  Monitor \"m\"\n  DefaultDepth 24\n  SubSection \"Display\"\n"
                                       "    Depth 24\n    Virtual %1 %2\n  EndSubSection\nEndSection\n")
                            .arg(qMax(2048, all.right() + 1))
                            .arg(qMax(1536, all.bottom() + 1))
                            .toUtf8())
            < 0) {
        *error = QStringLiteral("cannot write the X server's configuration");
        return false;
    }
    config.close();
    if (!startServer(QStringLiteral("Xorg -displayfd 3 -config %1 -configdir %2 -logfile %3 -noreset "
                                    "-nolisten tcp -novtswitch -sharevts")
                         .arg(config.fileName(), m_folder.filePath(QStringLiteral("none")),
                             m_folder.filePath(QStringLiteral("log"))))) {
        *error = QStringLiteral("Xorg with the dummy driver did not start (see %1)")
                     .arg(m_folder.filePath(QStringLiteral("log")));
        return false;
    }
    // One mode per monitor (a simple modeline at 60 Hz), then all outputs at once.
    QStringList layout;
    for (int i = 0; i < monitors.size(); ++i) {
        const int w = monitors[i].width();
        const int h = monitors[i].height();
        const QString mode = QStringLiteral("fotoria%1").arg(i);
        const QString output = QStringLiteral("DUMMY%1").arg(i);
        const QString clock = QString::number(double(w + 160) * (h + 30) * 60 / 1e6, 'f', 2);
        QStringList line { QStringLiteral("--newmode"), mode, clock };
        for (int v : { w, w + 48, w + 80, w + 160, h, h + 3, h + 6, h + 30 })
            line << QString::number(v);
        int status = -1;
        runTool(QStringLiteral("xrandr"), line, &status);
        runTool(QStringLiteral("xrandr"), { QStringLiteral("--addmode"), output, mode }, &status);
        if (status != 0) {
            *error = QStringLiteral("xrandr cannot give %1 the mode %2x%3").arg(output).arg(w).arg(h);
            return false;
        }
        layout << QStringLiteral("--output") << output << QStringLiteral("--mode") << mode
               << QStringLiteral("--pos")
               << QStringLiteral("%1x%2").arg(monitors[i].x()).arg(monitors[i].y());
    }
    int status = -1;
    runTool(QStringLiteral("xrandr"), layout, &status);
    if (status != 0) {
        *error = QStringLiteral("xrandr cannot lay out the monitors");
        return false;
    }
    // The dummy driver reports a newly lit output as connected only after a
    // full poll of the outputs; clients that merely ask for the current
    // state would otherwise see one monitor.
    runTool(QStringLiteral("xrandr"), {}, &status);
    return status == 0;
}

bool XTestServer::startServer(const QString &command)
{
    // fd 3 of the server is our stdout pipe: it writes the display number there.
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    m_server.start(QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"), QStringLiteral("exec %1 3>&1 1>/dev/null 2>/dev/null").arg(command) });
    if (!m_server.waitForStarted(10000))
        return false;
    QByteArray out;
    QDeadlineTimer deadline(20000);
    while (!out.contains('\n') && !deadline.hasExpired()) {
        if (!m_server.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
        out += m_server.readAllStandardOutput();
    }
    const QByteArray number = out.trimmed();
    if (number.isEmpty())
        return false;
    m_display = QLatin1Char(':') + QString::fromLatin1(number);
    return true;
}

void XTestServer::stop()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(5000)) {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
}

QProcessEnvironment XTestServer::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.remove(QStringLiteral("XAUTHORITY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

QString XTestServer::runTool(const QString &program, const QStringList &args, int *exitCode) const
{
    QProcess tool;
    tool.setProcessEnvironment(environment());
    tool.start(program, args);
    if (!tool.waitForStarted(10000) || !tool.waitForFinished(30000))
        return QString();
    if (exitCode)
        *exitCode = tool.exitCode();
    return QString::fromLocal8Bit(tool.readAllStandardOutput());
}

QImage XTestServer::screenshot() const
{
    QProcess xwd;
    xwd.setProcessEnvironment(environment());
    xwd.start(QStringLiteral("xwd"), { QStringLiteral("-root"), QStringLiteral("-silent") });
    if (!xwd.waitForStarted(10000) || !xwd.waitForFinished(30000) || xwd.exitCode() != 0) {
        qWarning().noquote() << "xwd failed:" << xwd.exitCode() << xwd.readAllStandardError();
        return QImage();
    }
    const QByteArray dump = xwd.readAllStandardOutput();
    const QImage image = decodeXwd(dump);
    if (image.isNull())
        qWarning() << "xwd dump not understood, bytes:" << dump.size();
    return image;
}

QImage XTestServer::decodeXwd(const QByteArray &data)
{
    // The header is 25 big-endian 32-bit fields, then the window name, then
    // the colour map (12 bytes per entry), then the pixels.
    if (data.size() < 100)
        return QImage();
    auto field = [&](int index) {
        return qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(data.constData()) + 4 * index);
    };
    const quint32 headerSize = field(0);
    const quint32 width = field(4);
    const quint32 height = field(5);
    const quint32 byteOrder = field(7);
    const quint32 bitsPerPixel = field(11);
    const quint32 bytesPerLine = field(12);
    const quint32 redMask = field(14);
    const quint32 greenMask = field(15);
    const quint32 blueMask = field(16);
    const quint32 colours = field(19);
    if ((bitsPerPixel != 32 && bitsPerPixel != 24) || width == 0 || height == 0 || width > 16384
        || height > 16384)
        return QImage();
    const qint64 offset = qint64(headerSize) + qint64(colours) * 12;
    if (offset + qint64(bytesPerLine) * height > data.size())
        return QImage();

    auto shiftOf = [](quint32 mask) {
        int shift = 0;
        while (mask && !(mask & 1)) {
            mask >>= 1;
            ++shift;
        }
        return shift;
    };
    const int rs = shiftOf(redMask), gs = shiftOf(greenMask), bs = shiftOf(blueMask);
    QImage image(int(width), int(height), QImage::Format_RGB32);
    const uchar *pixels = reinterpret_cast<const uchar *>(data.constData()) + offset;
    for (quint32 y = 0; y < height; ++y) {
        const uchar *row = pixels + qint64(y) * bytesPerLine;
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(int(y)));
        for (quint32 x = 0; x < width; ++x) {
            // xwd writes packed 24-bit pixels when windows of other depths are shown.
            quint32 p = 0;
            if (bitsPerPixel == 32) {
                p = byteOrder == 0 ? qFromLittleEndian<quint32>(row + 4 * x)
                                   : qFromBigEndian<quint32>(row + 4 * x);
            } else {
                const uchar *b = row + 3 * x;
                p = byteOrder == 0 ? (b[0] | b[1] << 8 | b[2] << 16) : (b[2] | b[1] << 8 | b[0] << 16);
            }
            out[x] = qRgb(int((p & redMask) >> rs), int((p & greenMask) >> gs), int((p & blueMask) >> bs));
        }
    }
    return image;
}
