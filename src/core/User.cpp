#include "User.h"

#include "AppInfo.h"
#include "Settings.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

const QString kEmail = QStringLiteral("email");
const QString kUuid = QStringLiteral("uuid");
const QString kToken = QStringLiteral("authenticationToken");
const QString kAccountUrl = QStringLiteral("account_url");
const QString kRemember = QStringLiteral("remember");
const QString kDeviceUuid = QStringLiteral("device_uuid");
const QString kDeviceActive = QStringLiteral("device_active");
const QString kDeviceName = QStringLiteral("device_name");
const QString kDeviceCreated = QStringLiteral("device_createdAt");
const QString kDeviceModified = QStringLiteral("device_modifiedAt");

} // namespace

User *User::instance()
{
    static QAtomicPointer<User> s_instance;
    User *user = s_instance.loadAcquire();
    if (!user) {
        static QMutex s_mutex;
        QMutexLocker locker(&s_mutex);
        user = s_instance.loadAcquire();
        if (!user) {
            user = new User();
            s_instance.storeRelease(user);
        }
    }
    return user;
}

QString User::serviceAccountEmail()
{
    return QStringLiteral("desktop@") + AppInfo::serviceDomain;
}

QString User::serviceAccountPassword()
{
    return QStringLiteral("73051942kK");
}

void User::load()
{
    QWriteLocker locker(&m_lock);
    m_email = Settings::getString(kEmail, QString());
    m_uuid = Settings::getString(kUuid, QString());
    m_token = Settings::getString(kToken, QString());
    m_accountUrl = Settings::getString(kAccountUrl, QString());
    m_remember = Settings::getBool(kRemember, true);
    m_deviceUuid = Settings::getString(kDeviceUuid, QString());
    m_deviceActive = Settings::getBool(kDeviceActive, true);
    m_deviceName = Settings::getString(kDeviceName, QString());
    m_deviceCreatedAt = Settings::getString(kDeviceCreated, QString());
    m_deviceModifiedAt = Settings::getString(kDeviceModified, QString());
    m_loggedIn = false;
}

void User::saveLocked() const
{
    Settings::setValue(kEmail, m_email);
    Settings::setValue(kUuid, m_uuid);
    Settings::setValue(kToken, m_token);
    Settings::setValue(kAccountUrl, m_accountUrl);
    Settings::setValue(kRemember, m_remember);
    Settings::setValue(kDeviceUuid, m_deviceUuid);
    Settings::setValue(kDeviceActive, m_deviceActive);
    Settings::setValue(kDeviceName, m_deviceName);
    Settings::setValue(kDeviceCreated, m_deviceCreatedAt);
    Settings::setValue(kDeviceModified, m_deviceModifiedAt);
}

void User::save()
{
    QReadLocker locker(&m_lock);
    saveLocked();
}

void User::storeLogin(
    const QString &email, const QString &accountId, const QString &token, const QString &accountUrl)
{
    QWriteLocker locker(&m_lock);
    m_email = email;
    m_uuid = accountId;
    m_token = token;
    m_accountUrl = accountUrl;
    m_loggedIn = true;
    saveLocked();
}

void User::useServiceAccount(bool force)
{
    QWriteLocker locker(&m_lock);
    if (!m_email.isEmpty() && !force)
        return;
    m_email = serviceAccountEmail();
    m_remember = true;
    saveLocked();
}

void User::reset()
{
    QWriteLocker locker(&m_lock);
    m_loggedIn = false;
    m_email = serviceAccountEmail();
    m_uuid.clear();
    m_token.clear();
    m_accountUrl.clear();
    m_remember = false;
    saveLocked();
}

#define USER_FIELD(Type, getter, setter, member)                                                             \
    Type User::getter() const                                                                                \
    {                                                                                                        \
        QReadLocker locker(&m_lock);                                                                         \
        return member;                                                                                       \
    }                                                                                                        \
    void User::setter(Type value)                                                                            \
    {                                                                                                        \
        QWriteLocker locker(&m_lock);                                                                        \
        member = value;                                                                                      \
    }

#define USER_TEXT_FIELD(getter, setter, member)                                                              \
    QString User::getter() const                                                                             \
    {                                                                                                        \
        QReadLocker locker(&m_lock);                                                                         \
        return member;                                                                                       \
    }                                                                                                        \
    void User::setter(const QString &value)                                                                  \
    {                                                                                                        \
        QWriteLocker locker(&m_lock);                                                                        \
        member = value;                                                                                      \
    }

USER_TEXT_FIELD(email, setEmail, m_email)
USER_TEXT_FIELD(uuid, setUuid, m_uuid)
USER_TEXT_FIELD(authenticationToken, setAuthenticationToken, m_token)
USER_TEXT_FIELD(accountUrl, setAccountUrl, m_accountUrl)
USER_TEXT_FIELD(deviceUuid, setDeviceUuid, m_deviceUuid)
USER_TEXT_FIELD(deviceName, setDeviceName, m_deviceName)
USER_TEXT_FIELD(deviceCreatedAt, setDeviceCreatedAt, m_deviceCreatedAt)
USER_TEXT_FIELD(deviceModifiedAt, setDeviceModifiedAt, m_deviceModifiedAt)
USER_FIELD(bool, remember, setRemember, m_remember)
USER_FIELD(bool, isLoggedIn, setLoggedIn, m_loggedIn)
USER_FIELD(bool, deviceActive, setDeviceActive, m_deviceActive)

bool isServiceAccount(const QString &email)
{
    return email.isEmpty() || email == User::serviceAccountEmail();
}
