#include "DirectoryListing.h"

#include <QDirIterator>

namespace platform {

QStringList listFileNames(const QString &folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        names.append(it.fileName());
    }
    return names;
}

} // namespace platform
