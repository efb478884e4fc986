#include "UpdateHandOver.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// The folder, made 0700 when missing, opened without following a link. Only
// a folder of this user that nobody else may enter is used: whatever sits
// in it then stays as this user left it.
int openPrivateFolder(const QString &path, QString *error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        *error = systemError("cannot create the update folder");
        return -1;
    }
    const int folder = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) {
        *error = systemError("cannot open the update folder (is it a link?)");
        return -1;
    }
    struct stat status = {};
    if (::fstat(folder, &status) != 0 || status.st_uid != ::getuid() || (status.st_mode & 077) != 0) {
        *error
            = QStringLiteral("the update folder %1 belongs to someone else or is open to others").arg(path);
        ::close(folder);
        return -1;
    }
    return folder;
}

bool writeAll(int file, const QByteArray &body)
{
    qint64 done = 0;
    while (done < body.size()) {
        const ssize_t written = ::write(file, body.constData() + done, size_t(body.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return ::fsync(file) == 0;
}

} // namespace

QString updateVersionKey()
{
    return QStringLiteral("linux_version");
}

QString updateLinkKey()
{
    return QStringLiteral("linux_download_link");
}

QString updateHashKey()
{
    return QStringLiteral("linux_download_sha256");
}

QString updateScriptName()
{
    return QStringLiteral("linux_auto_update.sh");
}

QString updateFolder()
{
    // In the home folder: the runtime folder is often a small tmpfs, too
    // small for an installer.
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/fotoria-update");
}

bool writeInstaller(const QString &name, const QByteArray &body, QString *error)
{
    const int folder = openPrivateFolder(updateFolder(), error);
    if (folder < 0)
        return false;
    // Written under a part name and renamed over the final one: a link
    // planted at either name is replaced, never followed.
    const QByteArray target = QFile::encodeName(name);
    const QByteArray part = target + ".part";
    ::unlinkat(folder, part.constData(), 0);
    const int file
        = ::openat(folder, part.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool ok = file >= 0;
    if (!ok) {
        *error = systemError("cannot create the installer");
    } else {
        ok = writeAll(file, body);
        if (!ok)
            *error = systemError("cannot write the installer");
        ok = ::close(file) == 0 && ok;
        if (ok && ::renameat(folder, part.constData(), folder, target.constData()) != 0) {
            *error = systemError("cannot put the installer in place");
            ok = false;
        }
        if (!ok)
            ::unlinkat(folder, part.constData(), 0);
    }
    ::close(folder);
    return ok;
}

} // namespace platform
