#pragma once

#include <QSettings>
#include <QtGlobal>

// Qt 6 reads and writes INI files as UTF-8; Qt 5 is told to do the same, so
// either build reads what the other wrote (Qt 5 would otherwise take the
// bytes of a non-ASCII value written by Qt 6 for Latin-1 characters).
inline void useUtf8(QSettings &settings)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    settings.setIniCodec("UTF-8");
#else
    Q_UNUSED(settings)
#endif
}
