#include <TestMain.h>

#include <core/CookieJar.h>
#include <core/FileLocations.h>
#include <core/ImageStore.h>
#include <core/Settings.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkCookie>
#include <QSettings>
#include <QTest>

// A profile one build wrote is read by another, the Qt 5 build's by the Qt 6
// build's and back: FOTORIA_PROFILE_OUT names a folder this build writes
// its profile into, FOTORIA_PROFILE_IN one another build wrote, read here.
// Without either, this build reads back what it wrote.
class ProfileRoundTripTest : public QObject
{
    Q_OBJECT

    const QString m_playlist = QStringLiteral("Ferien in Málaga ☀");
    const QString m_device = QStringLiteral("Büro – Jürgens Rechner");
    const QUrl m_site { QStringLiteral("http://fotoria.example/gallery") };

    // The profile's files, with the name each has in the shared folder.
    QList<QPair<QString, QString>> files() const
    {
        // Not Settings::fileName(): that opens the store, which would then
        // not see a file copied in afterwards.
        return { { QSettings().fileName(), QStringLiteral("settings.conf") },
            { FileLocations::baseFolder() + QStringLiteral("/active.xml"), QStringLiteral("active.xml") },
            { FileLocations::cookieFile(), QStringLiteral("cookies.ini") } };
    }

    static bool copy(const QString &from, const QString &to)
    {
        QDir().mkpath(QFileInfo(to).absolutePath());
        QFile::remove(to);
        return QFile::copy(from, to);
    }

private slots:
    void profileReadsBack()
    {
        const QString in = qEnvironmentVariable("FOTORIA_PROFILE_IN");
        const QString out = qEnvironmentVariable("FOTORIA_PROFILE_OUT");
        const QString index = FileLocations::baseFolder() + QStringLiteral("/active.xml");
        FileLocations().createDirectories();
        if (!in.isEmpty()) {
            for (const auto &file : files())
                QVERIFY2(copy(in + QLatin1Char('/') + file.second, file.first), qPrintable(file.second));
        } else {
            Settings::setValue(QStringLiteral("kDeviceName"), m_device);
            Settings::setValue(QStringLiteral("kRemember"), false);
            ImageStore(index, FileLocations::playlistFolder()).setActive(m_playlist, true);
            CookieJar jar;
            QNetworkCookie cookie("session", "s3cr3t");
            cookie.setExpirationDate(QDateTime::currentDateTimeUtc().addDays(30));
            jar.setBlockedCookies({ QStringLiteral("bücher.example") });
            QVERIFY(jar.setCookiesFromUrl({ cookie }, m_site));
            jar.save();
        }

        QCOMPARE(Settings::getString(QStringLiteral("kDeviceName")), m_device);
        QCOMPARE(Settings::getBool(QStringLiteral("kRemember"), true), false);
        QCOMPARE(ImageStore(index, FileLocations::playlistFolder()).playlists(), (QMap<QString, bool> { { m_playlist, true } }));
        CookieJar jar;
        QCOMPARE(jar.cookiesForUrl(m_site).value(0).value(), QByteArray("s3cr3t"));
        QCOMPARE(jar.blockedCookies(), QStringList { QStringLiteral("bücher.example") });

        if (!out.isEmpty()) {
            for (const auto &file : files())
                QVERIFY2(copy(file.first, out + QLatin1Char('/') + file.second), qPrintable(file.second));
        }
    }
};

FOTORIA_TEST_GUILESS_MAIN(ProfileRoundTripTest)
#include "ProfileRoundTripTest.moc"
