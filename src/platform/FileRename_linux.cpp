#include "FileRename.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

RenameResult renameWithoutCopy(const QString &from, const QString &to, QString *error)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    int result = ::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
    if (result != 0 && errno == EINVAL) {
        // A file system without the no-replace flag: check, then rename.
        struct stat existing;
        if (::lstat(target.constData(), &existing) == 0) {
            errno = EEXIST;
        } else {
            result = ::rename(source.constData(), target.constData());
        }
    }
    if (result == 0)
        return RenameResult::Renamed;
    const int code = errno;
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(code));
    return code == EXDEV ? RenameResult::OtherFileSystem : RenameResult::Failed;
}

} // namespace platform
