#pragma once

#include <QString>

#include <mutex>

namespace fotoria::service {

// Values tests may change at run time through /__config.
struct ConfigValues {
    QString windowsVersion = QStringLiteral("1.4.0.19");
    QString linuxVersion = QStringLiteral("1.4.0.19");
    qint64 installerSize = 65536;
    QString downloadLink; // empty: a link to this service's /downloads/
    // The hash the version document announces: empty for the served
    // installer's own, "none" to leave it out, else this text (a wrong one).
    QString installerSha256;
};

class ServiceConfig
{
public:
    static constexpr qint64 kMaxInstallerSize = 256 * 1024 * 1024;

    ConfigValues values() const;
    // False for an unknown key or a value that does not fit it.
    bool set(const QString &key, const QString &value);
    void reset();

private:
    mutable std::mutex m_mutex;
    ConfigValues m_values;
};

} // namespace fotoria::service
