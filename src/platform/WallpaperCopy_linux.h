#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace platform::wallpaper {

// The copy of the picture that the desktop is pointed at. It lives in the
// user's data folder, because the temporary folder may be emptied at boot,
// and it alternates between two names, because GNOME and KDE ignore a change
// that keeps the file name. Only one copy is kept once a change succeeded.
class WallpaperCopy
{
public:
    explicit WallpaperCopy(const QString &folder = defaultFolder());

    // $XDG_DATA_HOME/Fotoria/wallpaper
    static QString defaultFolder();

    // Writes the picture atomically under the name that is not in use now.
    // `bytes` in `format` are copied as they are when every desktop reads that
    // format (and PNG is not demanded); otherwise `image` is written as PNG.
    bool write(
        const QByteArray &bytes, const QByteArray &format, const QImage &image, bool pngOnly, QString *error);

    // The new copy written by write().
    QString path() const { return m_path; }

    // Writes `image` beside the new copy, for desktops that take a picture
    // per monitor; `tag` tells the files apart. Kept and removed with it.
    // Returns the file's path, or an empty string with the reason in *error.
    QString writeVariant(const QString &tag, const QImage &image, QString *error);

    // The desktop took the new copy: the previous one goes.
    void commit();
    // The desktop refused it: the new copy goes, the previous one stays.
    void discard();

private:
    QStringList filesOfSlot(int slot) const;
    bool saveAtomically(const QString &path, const QByteArray &data, QString *error);

    QString m_folder;
    QString m_path;
    int m_slot = 0;
    bool m_pngOnly = false;
};

} // namespace platform::wallpaper
