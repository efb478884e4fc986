#pragma once

#include <QString>

namespace platform {

// What another local user may do in a folder of ours.
enum class OthersMay {
    Read, // but not write: nothing can be planted there
    Nothing, // closed: nothing can be planted, taken or seen there
};

// A real folder (no link) owned by this user, where others may do no more
// than `others` allows. On systems without file owners: a folder.
bool isOwnFolder(const QString &path, OthersMay others);

// Creates the folder if missing, closed to everybody else from the start,
// and tells whether it is then isOwnFolder(path, OthersMay::Nothing).
bool makeOwnClosedFolder(const QString &path);

} // namespace platform
