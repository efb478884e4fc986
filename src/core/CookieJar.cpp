#include "CookieJar.h"

#include "AutoSaver.h"
#include "FileLocations.h"
#include "IniCodec.h"
#include "IniFileCheck.h"
#include "Settings.h"

#include <QDataStream>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QMetaEnum>
#include <QSaveFile>
#include <QSettings>

#include <algorithm>

namespace {

const QString kPolicyGroup = QStringLiteral("cookies");
const QString kCookiesKey = QStringLiteral("cookies");
const QString kExceptionsGroup = QStringLiteral("Exceptions");

// The "cookies" value of the file: a version, a count, then each cookie in
// its raw Set-Cookie form, stored as a plain byte array that Qt 5 and Qt 6
// both read. Earlier files held the same bytes as a variant of
// QList<QNetworkCookie>, which only a stream reader registered with Qt 5 reads.
const quint32 kCookieStreamVersion = 23;

// Where the variant's header ends the cookies begin.
QByteArray variantHeader()
{
    QByteArray header;
    QDataStream stream(&header, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_4_0);
    stream << quint32(127) << "QList<QNetworkCookie>";
    return header;
}

QByteArray cookieBytes(const QList<QNetworkCookie> &cookies)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_4_0);
    stream << kCookieStreamVersion << quint32(cookies.size());
    for (const QNetworkCookie &cookie : cookies)
        stream << cookie.toRawForm();
    return bytes;
}

QList<QNetworkCookie> cookiesFrom(QByteArray bytes)
{
    const QByteArray header = variantHeader();
    if (bytes.startsWith(header))
        bytes.remove(0, header.size());
    QList<QNetworkCookie> cookies;
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_4_0);
    quint32 version = 0;
    stream >> version;
    if (version != kCookieStreamVersion)
        return cookies;
    quint32 count = 0;
    stream >> count;
    for (quint32 i = 0; i < count && stream.status() == QDataStream::Ok && !stream.atEnd(); ++i) {
        QByteArray raw;
        stream >> raw;
        const QList<QNetworkCookie> parsed = QNetworkCookie::parseCookies(raw);
        if (parsed.isEmpty() && !raw.isEmpty())
            qWarning() << "CookieJar: Unable to parse saved cookie:" << raw;
        cookies += parsed;
    }
    return cookies;
}

// A file of the earlier form is turned into the plain one before it is
// read; the bytes of the value stay as they were.
void convertVariantValue(const QString &path)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return;
    QByteArray text = in.readAll();
    in.close();
    if (!text.contains("@Variant("))
        return;
    text.replace("@Variant(", "@ByteArray(");
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit())
        qWarning() << "CookieJar: cannot convert" << path << out.errorString();
    keepPrivate(path);
}

QStringList sorted(QStringList hosts)
{
    hosts.sort();
    return hosts;
}

bool containsHost(const QStringList &sortedHosts, const QString &host)
{
    return std::binary_search(sortedHosts.cbegin(), sortedHosts.cend(), host);
}

// The one value an earlier file read through a stream: the cookie list.
const QString kCookieListHeader = QStringLiteral("@Variant(") + QString(3, QChar(0)) + QChar(0x7f)
    + QString(3, QChar(0)) + QChar(0x16) + QStringLiteral("QList<QNetworkCookie>") + QChar(0);

template<typename Enum> Enum enumFromSetting(const QString &key, Enum fallback)
{
    const QMetaEnum meta = QMetaEnum::fromType<Enum>();
    const QByteArray name = Settings::groupValue(kPolicyGroup, key, QLatin1String(meta.valueToKey(fallback)))
                                .toString()
                                .toLatin1();
    bool ok = false;
    const int value = meta.keyToValue(name.constData(), &ok);
    return ok ? Enum(value) : fallback;
}

template<typename Enum> void enumToSetting(const QString &key, Enum value)
{
    Settings::setGroupValue(kPolicyGroup, key, QLatin1String(QMetaEnum::fromType<Enum>().valueToKey(value)));
}

} // namespace

CookieJar::CookieJar(QObject *parent, int saveDelayMs, int maxSaveDelayMs)
    : QNetworkCookieJar(parent)
    , m_saveTimer(new AutoSaver(this, saveDelayMs, maxSaveDelayMs))
{
}

CookieJar::~CookieJar()
{
    // The saver alone would drop a pending change with a warning; saving
    // here keeps a cookie set just before a normal quit.
    m_saveTimer->saveIfNeccessary();
}

void CookieJar::load()
{
    if (m_loaded)
        return;
    const QString path = FileLocations::cookieFile();
    // Cookies are sessions: nobody else may read them.
    if (QFileInfo::exists(path))
        keepPrivate(path);
    if (!IniFileCheck::vet(path, "CookieJar", kCookieListHeader)) {
        m_loaded = true;
        readPolicies();
        return;
    }
    convertVariantValue(path);
    bool damaged = false;
    {
        QSettings file(path, QSettings::IniFormat);
        useUtf8(file);
        const QList<QNetworkCookie> stored = cookiesFrom(file.value(kCookiesKey).toByteArray());
        // The count only: the values are the user's sessions.
        qDebug() << "cookies:" << stored.size() << "read from" << file.fileName();
        setAllCookies(stored);
        file.beginGroup(kExceptionsGroup);
        m_blocked = sorted(file.value(QStringLiteral("block")).toStringList());
        m_allowed = sorted(file.value(QStringLiteral("allow")).toStringList());
        m_allowedForSession = sorted(file.value(QStringLiteral("allowForSession")).toStringList());
        file.endGroup();
        damaged = file.status() == QSettings::FormatError;
    }
    // The settings writer never replaces a file it could not parse, so no
    // cookie would ever be saved again: what was read stays, the file goes aside.
    if (damaged)
        IniFileCheck::setAside(path, "CookieJar", "cannot be parsed");
    m_loaded = true;
    readPolicies();
    emit cookiesChanged();
}

void CookieJar::loadSettings()
{
    // Reading the policies alone would mark an unread file as loaded, and
    // the next save would then write an empty jar over it.
    if (!m_loaded) {
        load();
        return;
    }
    readPolicies();
    emit cookiesChanged();
}

void CookieJar::readPolicies()
{
    m_acceptPolicy = enumFromSetting(QStringLiteral("acceptCookies"), AcceptOnlyFromSitesNavigatedTo);
    m_keepPolicy = enumFromSetting(QStringLiteral("keepCookiesUntil"), KeepUntilExpire);
    if (m_keepPolicy == KeepUntilExit)
        setAllCookies(QList<QNetworkCookie>());
}

void CookieJar::save()
{
    // After a reset the quit is under way: writing now would bring back the
    // file and the policies that the reset has just removed.
    if (!m_loaded || Settings::wasReset())
        return;
    purgeOldCookies();

    QList<QNetworkCookie> kept;
    if (m_keepPolicy != KeepUntilExit) {
        const QList<QNetworkCookie> all = allCookies();
        for (const QNetworkCookie &cookie : all) {
            if (!cookie.isSessionCookie())
                kept.append(cookie);
        }
    }

    const QString path = FileLocations::cookieFile();
    ensureFolder(QFileInfo(path).absolutePath());
    // The writer replaces the file but keeps its mode.
    keepPrivate(path);
    {
        QSettings file(path, QSettings::IniFormat);
        useUtf8(file);
        // QSettings writes into a temporary file that replaces the old one
        // only when complete (a rename), so a crash while saving leaves the
        // previous cookies intact. Required explicitly, not left to a default.
        file.setAtomicSyncRequired(true);
        file.setValue(kCookiesKey, cookieBytes(kept));
        file.beginGroup(kExceptionsGroup);
        file.setValue(QStringLiteral("block"), m_blocked);
        file.setValue(QStringLiteral("allow"), m_allowed);
        file.setValue(QStringLiteral("allowForSession"), m_allowedForSession);
        file.endGroup();
        file.sync();
        if (file.status() != QSettings::NoError)
            qWarning() << "CookieJar: cannot write" << path << "- the previous file is kept";
    }
    enumToSetting(QStringLiteral("acceptCookies"), m_acceptPolicy);
    enumToSetting(QStringLiteral("keepCookiesUntil"), m_keepPolicy);
}

void CookieJar::clear()
{
    load();
    setAllCookies(QList<QNetworkCookie>());
    changed();
}

void CookieJar::changed()
{
    m_saveTimer->changeOccurred();
    emit cookiesChanged();
}

void CookieJar::purgeOldCookies()
{
    load();
    const QList<QNetworkCookie> cookies = allCookies();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<QNetworkCookie> kept;
    for (const QNetworkCookie &cookie : cookies) {
        if (cookie.isSessionCookie() || cookie.expirationDate() >= now)
            kept.append(cookie);
    }
    if (kept.size() == cookies.size())
        return;
    setAllCookies(kept);
    emit cookiesChanged();
}

QList<QNetworkCookie> CookieJar::cookiesForUrl(const QUrl &url) const
{
    const_cast<CookieJar *>(this)->load();
    if (m_privateBrowsing)
        return QList<QNetworkCookie>();
    return QNetworkCookieJar::cookiesForUrl(url);
}

bool CookieJar::setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url)
{
    load();
    if (m_privateBrowsing)
        return false;

    const QString host = url.host();
    const bool allowed = containsHost(m_allowed, host) || containsHost(m_allowedForSession, host);
    const bool accepted = m_acceptPolicy == AcceptNever ? allowed : !containsHost(m_blocked, host);
    if (!accepted)
        return false;

    const QList<QNetworkCookie> before = allCookies();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime limit = now.addDays(90);
    for (QNetworkCookie cookie : cookieList) {
        if (m_keepPolicy == KeepUntilTimeLimit && !cookie.isSessionCookie()
            && cookie.expirationDate() > limit)
            cookie.setExpirationDate(limit);
        if (QNetworkCookieJar::setCookiesFromUrl({ cookie }, url) || m_acceptPolicy != AcceptAlways)
            continue;
        // Refused by the base (another site's domain): taken anyway, in place
        // of one with the same name, domain and path. An expired cookie is a
        // deletion, which the base has already carried out.
        cookie.normalize(url);
        if (!cookie.isSessionCookie() && cookie.expirationDate() < now)
            continue;
        QList<QNetworkCookie> all = allCookies();
        all.erase(std::remove_if(all.begin(), all.end(),
                      [&cookie](const QNetworkCookie &other) { return other.hasSameIdentifier(cookie); }),
            all.end());
        all.append(cookie);
        setAllCookies(all);
    }

    // Only a real change is saved and announced: a refused or repeated cookie
    // is none.
    if (allCookies() == before)
        return false;
    changed();
    return true;
}

QList<QNetworkCookie> CookieJar::cookies() const
{
    const_cast<CookieJar *>(this)->load();
    return allCookies();
}

bool CookieJar::holds(const QNetworkCookie &cookie) const
{
    const QList<QNetworkCookie> all = cookies();
    return std::any_of(all.cbegin(), all.cend(), [&cookie](const QNetworkCookie &held) {
        return held.hasSameIdentifier(cookie) && held.value() == cookie.value();
    });
}

void CookieJar::removeCookie(const QNetworkCookie &cookie)
{
    load();
    QList<QNetworkCookie> all = allCookies();
    const auto end = std::remove_if(
        all.begin(), all.end(), [&cookie](const QNetworkCookie &held) { return held.hasSameIdentifier(cookie); });
    if (end == all.end())
        return;
    all.erase(end, all.end());
    setAllCookies(all);
    changed();
}

void CookieJar::setPrivateBrowsing(bool on)
{
    m_privateBrowsing = on;
}

CookieJar::AcceptPolicy CookieJar::acceptPolicy() const
{
    const_cast<CookieJar *>(this)->load();
    return m_acceptPolicy;
}

void CookieJar::setAcceptPolicy(AcceptPolicy policy)
{
    load();
    m_acceptPolicy = policy;
    m_saveTimer->changeOccurred();
}

CookieJar::KeepPolicy CookieJar::keepPolicy() const
{
    const_cast<CookieJar *>(this)->load();
    return m_keepPolicy;
}

void CookieJar::setKeepPolicy(KeepPolicy policy)
{
    load();
    m_keepPolicy = policy;
    m_saveTimer->changeOccurred();
}

QStringList CookieJar::blockedCookies() const
{
    const_cast<CookieJar *>(this)->load();
    return m_blocked;
}

void CookieJar::setBlockedCookies(const QStringList &hosts)
{
    load();
    m_blocked = sorted(hosts);
    m_saveTimer->changeOccurred();
}

QStringList CookieJar::allowedCookies() const
{
    const_cast<CookieJar *>(this)->load();
    return m_allowed;
}

void CookieJar::setAllowedCookies(const QStringList &hosts)
{
    load();
    m_allowed = sorted(hosts);
    m_saveTimer->changeOccurred();
}

QStringList CookieJar::allowForSessionCookies() const
{
    const_cast<CookieJar *>(this)->load();
    return m_allowedForSession;
}

void CookieJar::setAllowForSessionCookies(const QStringList &hosts)
{
    load();
    m_allowedForSession = sorted(hosts);
    m_saveTimer->changeOccurred();
}
