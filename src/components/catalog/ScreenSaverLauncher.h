#pragma once

#include <QString>

// Starts the screensaver program from the tray client's own folder, full
// screen, when the active playlists hold a picture to show.
class ScreenSaverLauncher
{
public:
    enum class Result { Started, NoPictures, NotStarted };

    // The program in `folder`, by default the one this program is in.
    static QString program(const QString &folder = QString());
    // *pid receives the started process's id.
    static Result start(const QString &folder = QString(), qint64 *pid = nullptr);
};
