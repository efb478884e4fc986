// fotoria-bench-listing <playlist folder>
// Shows the playlist view's photo list (CAListWidget, 1280x800) and lists a
// playlist without thumbnails into it as the main window does, then scrolls
// to the end in 40 steps, each once the tiles shown have their pictures.
// Prints: the longest gap in ms between the ticks of a 10 ms timer on the
// GUI thread (listing and scrolling), the ms until the first 20 tiles are
// painted with their pictures, the ms until every photo is listed, the
// peak RSS in MB, the number of photos listed, and the longest GUI thread
// CPU time between two ticks in ms (its own work, apart from waiting for a
// core on a busy machine).
#include <CAListWidget.h>
#include <CALocalImages.h>
#include <PhotoListModel.h>
#include <TileThumbnails.h>
#include <core/FileLocations.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

double peakRssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

// Counts the pictures made and notes the first paint after the 20th.
class PaintWatch : public QObject
{
public:
    int made = 0;
    qint64 first20 = -1;
    const QElapsedTimer *clock = nullptr;

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && made >= 20 && first20 < 0)
            first20 = clock->elapsed();
        return false;
    }
};

qint64 threadCpuUs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: fotoria-bench-listing <playlist folder>\n");
        return 2;
    }
    const QString folder = QDir(app.arguments().at(1)).absolutePath();
    // Every run starts without thumbnails.
    QDir(FileLocations::baseFolder() + QStringLiteral("/PlaylistCache/") + QDir(folder).dirName())
        .removeRecursively();

    CAListWidget list;
    list.resize(1280, 800);
    list.show();

    QElapsedTimer clock;
    PaintWatch watch;
    watch.clock = &clock;
    list.viewport()->installEventFilter(&watch);
    QObject::connect(list.thumbnails(), &TileThumbnails::ready, [&watch] { ++watch.made; });

    qint64 lastTick = 0;
    qint64 longestGap = 0;
    qint64 lastCpu = threadCpuUs();
    qint64 longestBusy = 0;
    QTimer ticks;
    ticks.setInterval(10);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = qMax(longestGap, now - lastTick);
        lastTick = now;
        const qint64 cpu = threadCpuUs();
        longestBusy = qMax(longestBusy, cpu - lastCpu);
        lastCpu = cpu;
    });

    qint64 listed = -1;
    CALocalImages lister;
    QObject::connect(&lister, &CALocalImages::newFiles_Signal,
        [&](int, const QString &, const QStringList &paths, bool done) {
            list.photos()->append(paths);
            if (done)
                listed = clock.elapsed();
        });

    // Scrolls one step once the listing is done and the tiles shown have
    // their pictures (or 2 s have passed).
    constexpr int kSteps = 40;
    int step = 0;
    qint64 stepStart = 0;
    QTimer scroller;
    scroller.setInterval(20);
    QObject::connect(&scroller, &QTimer::timeout, [&] {
        if (listed < 0 || watch.first20 < 0)
            return;
        const qint64 now = clock.elapsed();
        if (list.thumbnails()->pendingCount() > 0 && now - stepStart < 2000)
            return;
        if (step == kSteps) {
            app.quit();
            return;
        }
        QScrollBar *bar = list.verticalScrollBar();
        bar->setValue(int(qint64(bar->maximum()) * ++step / kSteps));
        stepStart = now;
    });

    QTimer::singleShot(0, [&] {
        clock.start();
        ticks.start();
        scroller.start();
        lister.listFolder(folder);
    });
    app.exec();
    lister.stop();
    std::printf("%lld %lld %lld %.1f %d %.1f\n", longestGap, watch.first20, listed, peakRssMb(),
        list.photos()->rowCount(), longestBusy / 1000.0);
    return 0;
}
