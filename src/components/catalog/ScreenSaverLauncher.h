#pragma once

#include <QString>

// Starts the screensaver program full screen, when the active playlists hold
// a picture to show. It is looked for beside the tray client, then where the
// package installs it.
class ScreenSaverLauncher
{
public:
    enum class Result { Started, NoPictures, NotStarted };

    // The program found from `folder`, by default the one this program is in.
    static QString program(const QString &folder = QString());
    // *pid receives the started process's id.
    static Result start(const QString &folder = QString(), qint64 *pid = nullptr);
};
