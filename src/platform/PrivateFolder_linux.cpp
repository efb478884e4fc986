#include "PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool isOwnFolder(const QString &path, OthersMay others)
{
    const mode_t forbidden = others == OthersMay::Nothing ? 077 : 022;
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode)
        && info.st_uid == ::geteuid() && (info.st_mode & forbidden) == 0;
}

bool makeOwnClosedFolder(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Made with its final mode: never open to others, not even for a moment.
    ::mkdir(QFile::encodeName(path).constData(), 0700);
    return isOwnFolder(path, OthersMay::Nothing);
}

} // namespace platform
