// fotoria-bench-wallpaper <in> <out.bmp> [WxH] [fit]
// Makes the wallpaper bitmap from a picture exactly as the client does
// (decode at reduced size, cover-scale, write BMP), without installing it;
// "fit" as with the fill option "Fit, blurred background".
#include <core/WallpaperBitmap.h>

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: fotoria-bench-wallpaper <in> <out.bmp> [WxH] [fit]\n");
        return 2;
    }
    QSize screen(1920, 1080);
    if (args.size() > 3) {
        const QStringList wh = args.at(3).split(QLatin1Char('x'));
        if (wh.size() == 2)
            screen = QSize(wh.at(0).toInt(), wh.at(1).toInt());
    }
    QString error;
    const auto fill = args.value(4) == QLatin1String("fit") ? WallpaperOptions::Fill::FitBlurred
                                                             : WallpaperOptions::Fill::Crop;
    if (WallpaperBitmap::write(args.at(1), screen, args.at(2), &error, fill) != WallpaperBitmap::Result::Written) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
