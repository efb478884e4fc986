// fotoria-bench-store <folder> [playlists] [files] [picks]
// Fills <folder> with playlists of empty files (once), then times the
// creation of the picture store over them and a run of random picks.
// Prints: "<create ms> <ns per pick> <pictures>".
#include <core/ImageStore.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: fotoria-bench-store <folder> [playlists] [files] [picks]\n");
        return 2;
    }
    const QString root = args.at(1);
    const int playlists = args.size() > 2 ? args.at(2).toInt() : 100;
    const int files = args.size() > 3 ? args.at(3).toInt() : 1002;
    const int picks = args.size() > 4 ? args.at(4).toInt() : 10000;
    const QString folder = root + QStringLiteral("/playlists");
    const QString index = root + QStringLiteral("/active.xml");

    if (!QFile::exists(index)) {
        QSettings ini(index + QStringLiteral(".new"), QSettings::IniFormat);
        ini.beginWriteArray(QStringLiteral("imagestore"));
        for (int p = 0; p < playlists; ++p) {
            const QString name = QStringLiteral("playlist %1").arg(p, 3, 10, QLatin1Char('0'));
            QDir().mkpath(folder + QLatin1Char('/') + name);
            for (int f = 0; f < files; ++f) {
                QFile file(folder + QLatin1Char('/') + name
                    + QStringLiteral("/%1.jpg").arg(QString::number(f * 7919 % 100003, 16)));
                file.open(QIODevice::WriteOnly);
            }
            ini.setArrayIndex(p);
            ini.setValue(QStringLiteral("path"), name);
            ini.setValue(QStringLiteral("active"), true);
        }
        ini.endArray();
        ini.sync();
        QFile::rename(index + QStringLiteral(".new"), index);
    }

    QElapsedTimer timer;
    timer.start();
    ImageStore store(index, folder);
    const double createMs = timer.nsecsElapsed() / 1e6;

    qsizetype checksum = 0;
    timer.restart();
    for (int i = 0; i < picks; ++i)
        checksum += store.randomPicture().size();
    const double nsPerPick = picks > 0 ? double(timer.nsecsElapsed()) / picks : 0;

    std::printf("%.2f %.1f %d\n", createMs, nsPerPick, store.pictureCount());
    return checksum > 0 || picks == 0 ? 0 : 1;
}
