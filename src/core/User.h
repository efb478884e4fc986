#pragma once

#include <QMutex>
#include <QString>
#include <QVariantMap>

// The record of the signed-in account, kept in the settings store. Written on
// the GUI thread, read from worker threads too (the token of every request).
// Readers copy from memory under a small lock that is never held during file
// I/O; save() writes all keys with one sync, so the file never holds a new
// e-mail beside an old token.
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
    // The stored fields as settings keys and values; m_lock held.
    QVariantMap recordLocked() const;

    // Held around a whole save, m_lock only while copying: an older copy
    // never lands after a newer one, and readers never wait for the file.
    QMutex m_saveLock;
    mutable QMutex m_lock; // the fields below
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
