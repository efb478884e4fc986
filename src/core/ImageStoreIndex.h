#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// The playlist index as bytes: the "imagestore" INI array of {active, path}
// exactly as the toolkit's own INI writer lays it out (keys in its order,
// its escapes and quoting), rendered in memory so that a save needs nothing
// but the index's own folder.
class ImageStoreIndex
{
public:
    static QByteArray render(const QMap<QString, bool> &playlists);

private:
    static void appendValue(QByteArray &out, const QString &value);
};
