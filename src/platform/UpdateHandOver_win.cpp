#include "UpdateHandOver.h"

#include "FileCommit.h"

#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

namespace platform {

QString updateVersionKey()
{
    return QStringLiteral("windows_version");
}

QString updateLinkKey()
{
    return QStringLiteral("windows_download_link");
}

QString updateHashKey()
{
    return QStringLiteral("windows_download_sha256");
}

QString updateScriptName()
{
    return QStringLiteral("win_auto_update.bat");
}

QString updateFolder()
{
    // The local application data belong to the user alone.
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/fotoria-update");
}

bool writeInstaller(const QString &name, const QByteArray &body, QString *error)
{
    QDir().mkpath(updateFolder());
    QSaveFile file(updateFolder() + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return commitFile(file, error);
}

} // namespace platform
