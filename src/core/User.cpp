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
    // Read outside the record's lock: the settings store may be slow.
    const QString email = Settings::getString(kEmail, QString());
    const QString uuid = Settings::getString(kUuid, QString());
    const QString token = Settings::getString(kToken, QString());
    const QString accountUrl = Settings::getString(kAccountUrl, QString());
    const bool remember = Settings::getBool(kRemember, true);
    const QString deviceUuid = Settings::getString(kDeviceUuid, QString());
    const bool deviceActive = Settings::getBool(kDeviceActive, true);
    const QString deviceName = Settings::getString(kDeviceName, QString());
    const QString deviceCreatedAt = Settings::getString(kDeviceCreated, QString());
    const QString deviceModifiedAt = Settings::getString(kDeviceModified, QString());

    QMutexLocker locker(&m_lock);
    m_email = email;
    m_uuid = uuid;
    m_token = token;
    m_accountUrl = accountUrl;
    m_remember = remember;
    m_deviceUuid = deviceUuid;
    m_deviceActive = deviceActive;
    m_deviceName = deviceName;
    m_deviceCreatedAt = deviceCreatedAt;
    m_deviceModifiedAt = deviceModifiedAt;
    m_loggedIn = false;
}

QVariantMap User::recordLocked() const
{
    return {
        { kEmail, m_email },
        { kUuid, m_uuid },
        { kToken, m_token },
        { kAccountUrl, m_accountUrl },
        { kRemember, m_remember },
        { kDeviceUuid, m_deviceUuid },
        { kDeviceActive, m_deviceActive },
        { kDeviceName, m_deviceName },
        { kDeviceCreated, m_deviceCreatedAt },
        { kDeviceModified, m_deviceModifiedAt },
    };
}

void User::save()
{
    QMutexLocker saving(&m_saveLock);
    QVariantMap record;
    {
        QMutexLocker locker(&m_lock);
        record = recordLocked();
    }
    Settings::setValues(record);
}

void User::storeLogin(
    const QString &email, const QString &accountId, const QString &token, const QString &accountUrl)
{
    QMutexLocker saving(&m_saveLock);
    QVariantMap record;
    {
        QMutexLocker locker(&m_lock);
        m_email = email;
        m_uuid = accountId;
        m_token = token;
        m_accountUrl = accountUrl;
        m_loggedIn = true;
        record = recordLocked();
    }
    Settings::setValues(record);
}

void User::useServiceAccount(bool force)
{
    QMutexLocker saving(&m_saveLock);
    QVariantMap record;
    {
        QMutexLocker locker(&m_lock);
        if (!m_email.isEmpty() && !force)
            return;
        m_email = serviceAccountEmail();
        m_remember = true;
        record = recordLocked();
    }
    Settings::setValues(record);
}

void User::reset()
{
    QMutexLocker saving(&m_saveLock);
    QVariantMap record;
    {
        QMutexLocker locker(&m_lock);
        m_loggedIn = false;
        m_email = serviceAccountEmail();
        m_uuid.clear();
        m_token.clear();
        m_accountUrl.clear();
        m_remember = false;
        record = recordLocked();
    }
    Settings::setValues(record);
}

#define USER_FIELD(Type, getter, setter, member)                                                             \
    Type User::getter() const                                                                                \
    {                                                                                                        \
        QMutexLocker locker(&m_lock);                                                                        \
        return member;                                                                                       \
    }                                                                                                        \
    void User::setter(Type value)                                                                            \
    {                                                                                                        \
        QMutexLocker locker(&m_lock);                                                                        \
        member = value;                                                                                      \
    }

#define USER_TEXT_FIELD(getter, setter, member)                                                              \
    QString User::getter() const                                                                             \
    {                                                                                                        \
        QMutexLocker locker(&m_lock);                                                                        \
        return member;                                                                                       \
    }                                                                                                        \
    void User::setter(const QString &value)                                                                  \
    {                                                                                                        \
        QMutexLocker locker(&m_lock);                                                                        \
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
