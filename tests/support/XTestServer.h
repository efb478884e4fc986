#pragma once

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

// A private X server for one test: its own display number (chosen by the
// server through -displayfd), so parallel tests never share a screen.
class XTestServer
{
public:
    XTestServer() = default;
    ~XTestServer();

    bool start(const QSize &size = QSize(1920, 1080));
    // Several monitors, each a RandR output the toolkit and desktops see.
    // Xvfb has only one output, so this runs Xorg with its dummy driver,
    // which needs root here; *error says why when it cannot start.
    bool startMonitors(const QVector<QRect> &monitors, QString *error);
    void stop();
    QString display() const { return m_display; }

    // An environment for programs that should run on this server.
    QProcessEnvironment environment() const;

    // Runs an X client tool (xdotool, xwininfo, ...) to completion on this
    // server; returns its standard output, or a null string on failure.
    QString runTool(const QString &program, const QStringList &args, int *exitCode = nullptr) const;

    // The whole screen, read back with xwd and decoded.
    QImage screenshot() const;

    // Decodes an XWD dump of a 24/32-bit TrueColor screen.
    static QImage decodeXwd(const QByteArray &data);

private:
    bool startServer(const QString &command);

    QTemporaryDir m_folder;
    QProcess m_server;
    QString m_display;
};
