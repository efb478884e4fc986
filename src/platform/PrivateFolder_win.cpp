#include "PrivateFolder.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

// A user's profile folders are closed to other users by their ACLs.
bool isOwnFolder(const QString &path, OthersMay others)
{
    Q_UNUSED(others)
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink();
}

bool makeOwnClosedFolder(const QString &path)
{
    QDir().mkpath(path);
    return isOwnFolder(path, OthersMay::Nothing);
}

} // namespace platform
