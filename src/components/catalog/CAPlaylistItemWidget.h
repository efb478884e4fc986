#pragma once

#include <QString>
#include <QWidget>

class CUClickableLabel;
class CUElidedLabel;
class QLabel;

// One playlist tile of the playlist strip: the lead picture with the name
// below it, or the empty-playlist picture while the playlist has none.
class CAPlaylistItemWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kTileSize = 128;
    static constexpr int kPictureSize = 98;

    explicit CAPlaylistItemWidget(const QString &playlist, QWidget *parent = nullptr);

    QString playlist() const { return m_playlist; }
    // After a rename: the tile stays, its name changes.
    void setPlaylist(const QString &playlist);
    bool hasLeadPicture() const { return m_hasLeadPicture; }
    QLabel *pictureLabel() const;
    QLabel *nameLabel() const;

    // Shows the picture covering the tile's picture square, at the screen's
    // pixels: on a scaled screen from the photo itself, as the thumbnail is
    // too small there. A file that cannot be read leaves the tile empty.
    void setLeadPicture(const QString &thumbnailPath, const QString &photoPath = QString());
    void setEmpty();

signals:
    void playlistClicked_Signal(QString playlist);

public slots:
    void playlistClicked_Slot();

private:
    QString m_playlist;
    bool m_hasLeadPicture = false;
    CUClickableLabel *m_picture;
    CUElidedLabel *m_name;
};
