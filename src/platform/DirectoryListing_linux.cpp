#include "DirectoryListing.h"

#include <QFile>

#include <dirent.h>
#include <sys/stat.h>

namespace platform {

QStringList listFileNames(const QString &folder)
{
    QStringList names;
    const QByteArray encoded = QFile::encodeName(folder);
    DIR *dir = opendir(encoded.constData());
    if (!dir)
        return names;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue; // hidden, "." and ".."
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            // Follow links, and ask when the file system did not say.
            struct stat info;
            const QByteArray path = encoded + '/' + entry->d_name;
            regular = stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode);
        }
        if (regular)
            names.append(QFile::decodeName(entry->d_name));
    }
    closedir(dir);
    return names;
}

} // namespace platform
