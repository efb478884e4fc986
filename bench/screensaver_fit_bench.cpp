// fotoria-bench-fit <in> [WxH]
// Fits one picture to the screen exactly as the screensaver does before it
// shows it (header, fit arithmetic, reduced-size decode and final scale) and
// turns it into the pixmap the window paints, in the screen's own pixel
// format: the pixels that reach the window. Run it with the platform the
// screensaver uses (xcb) or with "offscreen"; both keep pixmaps in memory.
#include <SSDialog.h>

#include <QGuiApplication>
#include <QPixmap>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
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
    QImage image = SSDialog::loadFitted(args.at(1), QRect(QPoint(0, 0), screen), &placement, &error);
    if (image.isNull()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QPixmap pixmap = QPixmap::fromImage(std::move(image));
    const QImage::Format format = pixmap.toImage().format();
    std::printf("%dx%d at %d,%d format %d\n", pixmap.width(), pixmap.height(), placement.x(), placement.y(),
        int(format));
    return pixmap.isNull() ? 1 : 0;
}
