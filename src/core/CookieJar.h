#pragma once

#include <QList>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QStringList>

class AutoSaver;

// The cookies of the service's web pages, kept across restarts in
// FileLocations::cookieFile(): an accept policy with per-host exceptions, a
// keep policy, and a save shortly after each change. The policies live in the
// settings store, group "cookies". GUI thread only.
class CookieJar : public QNetworkCookieJar
{
    Q_OBJECT
    Q_PROPERTY(AcceptPolicy acceptPolicy READ acceptPolicy WRITE setAcceptPolicy)
    Q_PROPERTY(KeepPolicy keepPolicy READ keepPolicy WRITE setKeepPolicy)
    Q_PROPERTY(QStringList blockedCookies READ blockedCookies WRITE setBlockedCookies)
    Q_PROPERTY(QStringList allowedCookies READ allowedCookies WRITE setAllowedCookies)
    Q_PROPERTY(QStringList allowForSessionCookies READ allowForSessionCookies WRITE setAllowForSessionCookies)

public:
    enum AcceptPolicy { AcceptAlways, AcceptNever, AcceptOnlyFromSitesNavigatedTo };
    Q_ENUM(AcceptPolicy)
    enum KeepPolicy { KeepUntilExpire, KeepUntilExit, KeepUntilTimeLimit };
    Q_ENUM(KeepPolicy)

    // The delays are those of the AutoSaver.
    explicit CookieJar(QObject *parent = nullptr, int saveDelayMs = 3000, int maxSaveDelayMs = 15000);
    // Saves a pending change, so that nothing set before a normal quit is lost.
    ~CookieJar() override;

    QList<QNetworkCookie> cookiesForUrl(const QUrl &url) const override;
    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url) override;

    // Every cookie held, the file read first.
    QList<QNetworkCookie> cookies() const;
    // Whether a cookie of that name, domain and path with that value is held.
    bool holds(const QNetworkCookie &cookie) const;
    // Forgets the cookie of that name, domain and path.
    void removeCookie(const QNetworkCookie &cookie);

    // Set by the web view's owner: while on, no cookie is handed out or taken.
    void setPrivateBrowsing(bool on);
    bool privateBrowsing() const { return m_privateBrowsing; }

    AcceptPolicy acceptPolicy() const;
    void setAcceptPolicy(AcceptPolicy policy);
    KeepPolicy keepPolicy() const;
    void setKeepPolicy(KeepPolicy policy);
    QStringList blockedCookies() const;
    void setBlockedCookies(const QStringList &hosts);
    QStringList allowedCookies() const;
    void setAllowedCookies(const QStringList &hosts);
    QStringList allowForSessionCookies() const;
    void setAllowForSessionCookies(const QStringList &hosts);

    // Reads the file once; every entry point calls it.
    void load();
    // Removes the persistent cookies that have expired.
    void purgeOldCookies();

signals:
    void cookiesChanged();

public slots:
    void clear();
    // Re-reads the two policies from the settings store.
    void loadSettings();
    void save();

private:
    void readPolicies();
    void changed();

    AutoSaver *m_saveTimer;
    bool m_loaded = false;
    bool m_privateBrowsing = false;
    AcceptPolicy m_acceptPolicy = AcceptOnlyFromSitesNavigatedTo;
    KeepPolicy m_keepPolicy = KeepUntilExpire;
    // Sorted, for binary search.
    QStringList m_blocked;
    QStringList m_allowed;
    QStringList m_allowedForSession;
};
