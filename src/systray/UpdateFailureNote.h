#pragma once

#include <QString>

// The note the hand-over script leaves beside the installer when an update
// it was given did not install. The next start shows it once.
class UpdateFailureNote
{
public:
    static constexpr const char *kFileName = "update-failed.txt";
    static constexpr int kMaximumBytes = 2048;

    // The note in `folder` (the update folder when empty), removed once
    // read (its first kMaximumBytes); empty when there is none.
    static QString take(const QString &folder = QString());
    // What the person is told.
    static QString message(const QString &note);

private:
    UpdateFailureNote() = delete;
};
