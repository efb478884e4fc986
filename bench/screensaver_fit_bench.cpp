// fotoria-bench-fit <in> [WxH]
// Fits one picture to the screen exactly as the screensaver does before it
// shows it (header, fit arithmetic, reduced-size decode and final scale).
#include <SSDialog.h>

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: fotoria-bench-fit <in> [WxH]\n");
        return 2;
    }
    QSize screen(3840, 2160);
    if (args.size() > 2) {
        const QStringList wh = args.at(2).split(QLatin1Char('x'));
        if (wh.size() == 2)
            screen = QSize(wh.at(0).toInt(), wh.at(1).toInt());
    }
    QRect placement;
    QString error;
    const QImage image = SSDialog::loadFitted(args.at(1), QRect(QPoint(0, 0), screen), &placement, &error);
    if (image.isNull()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%dx%d at %d,%d\n", image.width(), image.height(), placement.x(), placement.y());
    return 0;
}
