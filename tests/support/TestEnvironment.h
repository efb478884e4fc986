#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace fotoria::test {

// Gives the process a home of its own before any Qt object reads a path:
// HOME, the XDG folders, TMPDIR and the documents folder all point into a
// fresh folder under the system temporary folder, removed again at exit.
// Returns the new home. Safe to call once per process.
QString isolateEnvironment();

// `base` with HOME, the XDG config, data and cache folders and TMPDIR
// inside `home`, for a program the test starts (TMPDIR is `tmp` when given).
QProcessEnvironment homeEnvironment(QProcessEnvironment base, const QString &home, const QString &tmp = QString());

// The isolated home made by isolateEnvironment() (empty before).
QString testHome();

// Removes a folder made by the tests; refuses anything that is not under a
// test home, so a wrong path can never delete the user's files.
bool removeTestFolder(const QString &path);

} // namespace fotoria::test
