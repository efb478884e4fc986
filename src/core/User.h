#pragma once

#include <QReadWriteLock>
#include <QString>

// The record of the signed-in account, kept in the settings store. Written on
// the GUI thread, read from worker threads too (the token of every request):
// every accessor takes the record's lock and returns a copy.
class User
{
public:
    static User *instance();

    // The account the client signs in with while no person has.
    static QString serviceAccountEmail();
    static QString serviceAccountPassword();

    void load();
    void save();
    void storeLogin(
        const QString &email, const QString &accountId, const QString &token, const QString &accountUrl);
    void useServiceAccount(bool force);
    void reset();

    QString email() const;
    void setEmail(const QString &email);
    QString uuid() const;
    void setUuid(const QString &uuid);
    QString authenticationToken() const;
    void setAuthenticationToken(const QString &token);
    QString accountUrl() const;
    void setAccountUrl(const QString &url);
    bool remember() const;
    void setRemember(bool remember);
    bool isLoggedIn() const;
    void setLoggedIn(bool loggedIn);

    QString deviceUuid() const;
    void setDeviceUuid(const QString &value);
    bool deviceActive() const;
    void setDeviceActive(bool value);
    QString deviceName() const;
    void setDeviceName(const QString &value);
    QString deviceCreatedAt() const;
    void setDeviceCreatedAt(const QString &value);
    QString deviceModifiedAt() const;
    void setDeviceModifiedAt(const QString &value);

private:
    User() = default;
    void saveLocked() const;

    mutable QReadWriteLock m_lock;
    QString m_email;
    QString m_uuid;
    QString m_token;
    QString m_accountUrl;
    bool m_remember = true;
    bool m_loggedIn = false;
    QString m_deviceUuid;
    bool m_deviceActive = true;
    QString m_deviceName;
    QString m_deviceCreatedAt;
    QString m_deviceModifiedAt;
};

// True for an empty address or the shared service account's.
bool isServiceAccount(const QString &email);
