#include "FileCommit.h"

#include <QSaveFile>

namespace platform {

bool commitFile(QSaveFile &file, QString *error)
{
    if (!file.flush()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        file.commit(); // removes the new file
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace platform
