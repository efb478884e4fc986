#pragma once

#include <QListView>

class PhotoListModel;
class PhotoTileDelegate;
class TileThumbnails;

// The photos of the shown playlist as tiles, painted by PhotoTileDelegate
// over a PhotoListModel: nothing is made per photo but the pictures of the
// tiles shown, so a playlist of 20,000 photos lists as fast as a short one.
// Drags carry the photos' addresses as a URL list, so the playlist strip
// can take them.
class CAListWidget : public QListView
{
    Q_OBJECT

public:
    explicit CAListWidget(QWidget *parent = nullptr);

    PhotoListModel *photos() const { return m_photos; }
    TileThumbnails *thumbnails() const { return m_thumbnails; }
    PhotoTileDelegate *tiles() const { return m_tiles; }

    // The paths of the selected photos, in list order.
    QStringList selectedPaths() const;

signals:
    // A tile's button or a double-click ("show"), as the gallery reports it.
    void photoClicked_Signal(QString channel, QString uuid, QString url, QString action);
    // The "+" tile of an empty playlist was clicked.
    void addPhotos_Signal();
    // The Delete key, on the selected photos.
    void deleteSelected_Signal();

protected:
    void dragMoveEvent(QDragMoveEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void report(const QString &path, const QString &action);

    PhotoListModel *m_photos;
    TileThumbnails *m_thumbnails;
    PhotoTileDelegate *m_tiles;
};
