#include "XTestServer.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QtEndian>

XTestServer::~XTestServer()
{
    stop();
}

bool XTestServer::start(const QSize &size)
{
    // fd 3 of Xvfb is our stdout pipe: it writes the display number there.
    const QString screen = QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height());
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    m_server.start(QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"),
            QStringLiteral("exec Xvfb -displayfd 3 -screen 0 %1 -nolisten tcp -noreset "
                           "3>&1 1>/dev/null 2>/dev/null")
                .arg(screen) });
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
