#include "ServiceConfig.h"

namespace fotoria::service {

ConfigValues ServiceConfig::values() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_values;
}

bool ServiceConfig::set(const QString &key, const QString &value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (key == QLatin1String("windows_version")) {
        m_values.windowsVersion = value;
    } else if (key == QLatin1String("linux_version")) {
        m_values.linuxVersion = value;
    } else if (key == QLatin1String("download_link")) {
        m_values.downloadLink = value;
    } else if (key == QLatin1String("installer_sha256")) {
        m_values.installerSha256 = value;
    } else if (key == QLatin1String("installer_size")) {
        bool ok = false;
        const qint64 size = value.toLongLong(&ok);
        if (!ok || size < 0 || size > kMaxInstallerSize)
            return false;
        m_values.installerSize = size;
    } else {
        return false;
    }
    return true;
}

void ServiceConfig::reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_values = ConfigValues();
}

} // namespace fotoria::service
