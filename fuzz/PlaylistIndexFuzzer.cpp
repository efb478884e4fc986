// Arbitrary bytes as the playlist index (active.xml): what loads must stay
// inside the playlist folder, and saving it must give back the same index.
#include "FuzzSupport.h"

#include <core/ImageStore.h>

#include <QDir>
#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    static const QString folder = [] {
        const QString playlists = fuzz::scratch(QStringLiteral("playlists"));
        for (const char *name : { "a", "b" }) {
            QDir().mkpath(playlists + QLatin1Char('/') + QLatin1String(name));
            for (const char *file : { "1.jpg", "2.jpg" })
                fuzz::writeFile(playlists + QLatin1Char('/') + QLatin1String(name) + QLatin1Char('/')
                        + QLatin1String(file),
                    QByteArray("x"));
        }
        return playlists;
    }();
    // A new name each time: the toolkit caches settings files by name and
    // time stamp, and two inputs may be written within the same tick.
    static int round = 0;
    const QString index = fuzz::scratch(QStringLiteral("index")) + QStringLiteral("/active-%1.xml").arg(++round);
    if (!fuzz::writeFile(index, fuzz::bytes(data, size)))
        return 0;

    QMap<QString, bool> loaded;
    {
        ImageStore store(index, folder);
        loaded = store.playlists();
        const QStringList pictures = store.pictures();
        for (const QString &picture : pictures) {
            FUZZ_CHECK(picture.startsWith(folder + QLatin1Char('/')));
            FUZZ_CHECK(QDir::cleanPath(picture) == picture);
        }
        store.randomPicture();
        // Any change rewrites the whole index.
        store.setActive(QStringLiteral("b"), loaded.value(QStringLiteral("b"), false));
    }
    loaded.insert(QStringLiteral("b"), loaded.value(QStringLiteral("b"), false));
    // Read back under another name: the toolkit's cache would take a file
    // of the same size written within the same millisecond for unchanged.
    const QString written = index + QStringLiteral(".saved");
    FUZZ_CHECK(QFile::copy(index, written));
    {
        ImageStore again(written, folder);
        FUZZ_CHECK(again.playlists() == loaded);
    }
    QFile::remove(index);
    QFile::remove(written);
    return 0;
}
