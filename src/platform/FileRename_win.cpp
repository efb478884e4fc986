#include "FileRename.h"

#include <QDir>

#include <windows.h>

namespace platform {

RenameResult renameWithoutCopy(const QString &from, const QString &to, QString *error)
{
    const std::wstring source = QDir::toNativeSeparators(from).toStdWString();
    const std::wstring target = QDir::toNativeSeparators(to).toStdWString();
    // No MOVEFILE_COPY_ALLOWED and no MOVEFILE_REPLACE_EXISTING.
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
        return RenameResult::Renamed;
    const DWORD code = GetLastError();
    if (error)
        *error = QStringLiteral("error %1").arg(code);
    return code == ERROR_NOT_SAME_DEVICE ? RenameResult::OtherFileSystem : RenameResult::Failed;
}

} // namespace platform
