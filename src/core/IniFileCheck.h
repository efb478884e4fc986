#pragma once

#include <QByteArray>
#include <QString>

// Looks at an INI file before the toolkit's settings reader sees it. That
// reader turns a value starting with "@Variant(" (or "@DateTime(") into an
// object of whatever type it names, through that type's stream reader, and a
// damaged file can name one whose reader crashes on bad data (a pen with a
// dash pattern of four billion entries). A file that holds such a value, or
// cannot be parsed, is set aside as "<name>.unreadable" and never read.
class IniFileCheck
{
public:
    // Whether every value of `text` is read as text, or through a stream only
    // when it starts with `allowedStreamed` (the whole "@Variant(" header of
    // the one type the file may hold). Stricter than the reader: a line
    // continuation or a zero byte refuses the file too.
    static bool holdsOnlyTextValues(const QByteArray &text, const QString &allowedStreamed = QString());

    // Moves the file to "<path>.unreadable" with one log line (`who` and
    // `reason` in it). False when it cannot be moved; true, silently, when
    // nothing is there.
    static bool setAside(const QString &path, const char *who, const char *reason);

    // Reads the file, when there is one, and sets it aside when it holds
    // values of another kind. False when the file is still there and must
    // not be read.
    static bool vet(const QString &path, const char *who, const QString &allowedStreamed = QString());

private:
    IniFileCheck() = delete;
};
