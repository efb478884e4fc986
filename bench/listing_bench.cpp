// fotoria-bench-listing <playlist folder> [items]
// Lists a playlist without thumbnails through CALocalImages while the GUI
// thread adds an icon item (the 256x144 thumbnail) to a QListWidget for
// every picture reported, as the main window does. Prints, in ms: the
// longest gap between the ticks of a 10 ms timer on the GUI thread, the
// time until 20 items are in the list, until all are, and the longest time
// the GUI thread spent on one item. With `items`, it stops after that many.
#include <CALocalImages.h>
#include <core/FileLocations.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: fotoria-bench-listing <playlist folder> [items]\n");
        return 2;
    }
    const QString folder = QDir(app.arguments().at(1)).absolutePath();
    int pictures = QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot).size();
    if (argc > 2)
        pictures = qMin(pictures, app.arguments().at(2).toInt());
    // Every run starts without thumbnails.
    QDir(FileLocations::baseFolder() + QStringLiteral("/PlaylistCache/") + QDir(folder).dirName())
        .removeRecursively();

    QListWidget list;
    list.setViewMode(QListView::IconMode);
    list.setIconSize(QSize(256, 144));
    list.resize(1200, 800);
    list.show();

    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    qint64 first20 = -1;
    QTimer ticks;
    ticks.setInterval(10);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = qMax(longestGap, now - lastTick);
        lastTick = now;
    });

    qint64 longestItem = 0;
    CALocalImages lister;
    QObject::connect(&lister, &CALocalImages::newFile_Signal, [&](const QString &, const QString &url) {
        const qint64 start = clock.nsecsElapsed();
        list.addItem(new QListWidgetItem(QIcon(QPixmap(url)), QFileInfo(url).fileName()));
        longestItem = qMax(longestItem, clock.nsecsElapsed() - start);
        if (list.count() == 20)
            first20 = clock.elapsed();
        if (list.count() == pictures)
            app.quit();
    });

    QTimer::singleShot(0, [&] {
        clock.start();
        ticks.start();
        lister.listFolder(folder);
    });
    app.exec();
    const qint64 all = clock.elapsed();
    lister.stop();
    std::printf("%lld %lld %lld %.1f\n", longestGap, first20, all, longestItem / 1e6);
    return 0;
}
