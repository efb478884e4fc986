// Arbitrary bytes as the saved cookie file, read at start and written back.
#include "FuzzSupport.h"

#include <core/CookieJar.h>
#include <core/FileLocations.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    const QString path = FileLocations::cookieFile();
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!fuzz::writeFile(path, fuzz::bytes(data, size)))
        return 0;
    // The toolkit caches settings files by size and time stamp; each input
    // gets a time of its own so that it is really read.
    static qint64 round = 0;
    {
        QFile file(path);
        if (file.open(QIODevice::ReadWrite))
            file.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000 + ++round), QFileDevice::FileModificationTime);
    }

    const QUrl service(QStringLiteral("http://127.0.0.1/gallery/home"));
    {
        CookieJar jar(nullptr, 3600000, 3600000);
        jar.cookiesForUrl(service);
        jar.setCookiesFromUrl(QNetworkCookie::parseCookies("session=fuzz; Path=/; Expires=Wed, 01 Jan 2070 00:00:00 GMT"),
            service);
        jar.purgeOldCookies();
        jar.save();
    }
    // What was written must read back.
    CookieJar again(nullptr, 3600000, 3600000);
    FUZZ_CHECK(!again.cookiesForUrl(service).isEmpty());
    return 0;
}
