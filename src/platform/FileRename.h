#pragma once

#include <QString>

namespace platform {

enum class RenameResult {
    Renamed,
    // The two paths are on different file systems; nothing was changed.
    OtherFileSystem,
    // Anything else, including an existing target; nothing was changed.
    Failed,
};

// Renames `from` to `to` within one file system, never replacing an existing
// `to` and never falling back to a copy: the caller decides how a move
// between file systems is made safe.
RenameResult renameWithoutCopy(const QString &from, const QString &to, QString *error);

} // namespace platform
