// fotoria-bench-first-picture <fotoria-screensaver> [args...]
// Starts the screensaver and prints the milliseconds from the start of the
// process until it reports its first picture on screen; then ends it.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: fotoria-bench-first-picture <fotoria-screensaver> [args...]\n");
        return 2;
    }
    const QString program = args.at(1);
    args = args.mid(2);

    QProcess screensaver;
    // The marker is a diagnostic line on stderr; merged, so that waiting for
    // output wakes on it.
    screensaver.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer clock;
    clock.start();
    screensaver.start(program, args);
    QByteArray seen;
    qint64 elapsed = -1;
    while (elapsed < 0 && clock.elapsed() < 30000) {
        if (!screensaver.waitForReadyRead(1000) && screensaver.state() == QProcess::NotRunning)
            break;
        seen += screensaver.readAllStandardOutput();
        if (seen.contains("First picture on screen"))
            elapsed = clock.elapsed();
    }
    screensaver.terminate();
    if (!screensaver.waitForFinished(5000))
        screensaver.kill();
    if (elapsed < 0) {
        std::fprintf(stderr, "no picture shown:\n%s\n", seen.constData());
        return 1;
    }
    std::printf("%lld\n", static_cast<long long>(elapsed));
    return 0;
}
