#include "DailyPhotoCheck.h"

#include "BackgroundFetch.h"

#include <core/Settings.h>
#include <io/NetworkManager.h>

#include <QBuffer>
#include <QDebug>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTime>
#include <QUrl>

namespace {
const QString kShowKey = QStringLiteral("kShowNewAssets");
const QString kLastKey = QStringLiteral("kLastDailys");
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
// A notice thumbnail is small; anything far larger is not decoded.
constexpr int kMaxThumbnailSide = 2048;

QImage decodeThumbnail(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxThumbnailSide || size.height() > kMaxThumbnailSide)
        return QImage();
    return reader.read();
}
} // namespace

DailyPhotoCheck::DailyPhotoCheck(QObject *parent)
    : QObject(parent)
    , m_clock([] { return QDateTime::currentDateTime(); })
    , m_fetch(new BackgroundFetch(this))
{
    connect(m_fetch, &BackgroundFetch::finished_Signal, this, &DailyPhotoCheck::fetchFinished);
}

DailyPhotoCheck::~DailyPhotoCheck()
{
    m_fetch->cancel();
}

void DailyPhotoCheck::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

bool DailyPhotoCheck::isDue() const
{
    return isDueAt(m_clock());
}

bool DailyPhotoCheck::isDueAt(const QDateTime &now)
{
    if (!Settings::getBool(kShowKey, true))
        return false;
    if (now.time() < QTime(kEarliestHour, 0))
        return false;
    return Settings::getString(kLastKey) != now.date().toString(kDateFormat);
}

bool DailyPhotoCheck::isRunning() const
{
    return m_fetch->isRunning();
}

void DailyPhotoCheck::cancel()
{
    m_fetch->cancel();
}

void DailyPhotoCheck::checkDailys_Slot()
{
    const QDateTime now = m_clock();
    if (!isDueAt(now) || isRunning())
        return;
    m_fetch->start([now](NetworkManager &network) -> QVariant {
        const QVariantList dailys = fetchDailys(network, now);
        if (dailys.isEmpty())
            return QVariant();
        const QVariantMap first = dailys.first().toMap();
        const QString thumbnail = thumbnailAddress(first.value(QStringLiteral("url")).toString());
        bool ok = false;
        const QByteArray bytes = thumbnail.isEmpty() ? QByteArray() : network.get(thumbnail, QString(), &ok);
        // A picture that does not load leaves the notice without one.
        return QVariantMap { { QStringLiteral("date"), now.date().toString(kDateFormat) },
            { QStringLiteral("thumbnailUrl"), thumbnail },
            { QStringLiteral("title"), shortTitle(first.value(QStringLiteral("title")).toString()) },
            { QStringLiteral("thumbnail"), ok ? decodeThumbnail(bytes) : QImage() } };
    });
}

void DailyPhotoCheck::fetchFinished(const QVariant &result)
{
    if (!result.isValid()) {
        emit checked_Signal(false);
        return;
    }
    const QVariantMap notice = result.toMap();
    Settings::setValue(kLastKey, notice.value(QStringLiteral("date")).toString());
    emit notice_Signal(notice.value(QStringLiteral("thumbnailUrl")).toString(),
        notice.value(QStringLiteral("title")).toString(),
        notice.value(QStringLiteral("thumbnail")).value<QImage>());
    emit checked_Signal(true);
}

QVariantList DailyPhotoCheck::fetchDailys(NetworkManager &network, const QDateTime &localNow)
{
    bool ok = false;
    const QByteArray body = network.get(QString(), QStringLiteral("/api/v3/dailys"),
        { { QStringLiteral("date"), timeStamp(localNow) } }, &ok);
    if (!ok)
        return QVariantList();
    if (!QJsonDocument::fromJson(body).isObject())
        qDebug() << "daily photos: the reply is not readable";
    return parseDailys(body);
}

QVariantList DailyPhotoCheck::parseDailys(const QByteArray &json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return {};
    return document.object().toVariantMap().value(QStringLiteral("dailys")).toList();
}

QString DailyPhotoCheck::timeStamp(const QDateTime &localNow)
{
    const int offset = localNow.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return localNow.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"))
        + (offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        + QStringLiteral("%1%2")
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString DailyPhotoCheck::thumbnailAddress(const QString &url)
{
    QUrl address(url, QUrl::StrictMode);
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QString();
    // Pictures are served over plain http beside their full-size file.
    address.setScheme(QStringLiteral("http"));
    QString path = address.path();
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot > path.lastIndexOf(QLatin1Char('/')))
        path.truncate(dot);
    address.setPath(path + QStringLiteral("-256x144.jpg"));
    return address.toString();
}

QString DailyPhotoCheck::shortTitle(const QString &title)
{
    if (title.size() <= kTitleLength)
        return title;
    // Never half a surrogate pair.
    const int length = title.at(kTitleLength - 1).isHighSurrogate() ? kTitleLength - 1 : kTitleLength;
    return title.left(length);
}
