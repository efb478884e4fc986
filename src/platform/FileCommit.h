#pragma once

#include <QString>

class QSaveFile;

namespace platform {

// Commits a QSaveFile only when all of its content reached the disk. Qt 5.15
// renames the new file into place even when writing out its buffer failed
// (a full disk), which replaces good content with a short or empty file.
// On failure the old file stays as it was and *error (if given) says why.
bool commitFile(QSaveFile &file, QString *error = nullptr);

} // namespace platform
