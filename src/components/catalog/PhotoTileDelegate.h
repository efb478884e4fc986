#pragma once

#include <QHash>
#include <QPersistentModelIndex>
#include <QPixmap>
#include <QStyledItemDelegate>

class TileThumbnails;

// Paints a photo tile of the playlist view: the picture, the selection, and
// while the pointer is over it a bar with the wallpaper, add-to-playlist
// and delete buttons; or the "+" placeholder of an empty playlist. It makes
// no widget per row: the buttons are hit-tested here.
class PhotoTileDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 144;

    enum class Button { None, Wallpaper, AddPlaylist, Delete };

    explicit PhotoTileDelegate(TileThumbnails *thumbnails, QObject *parent = nullptr);

    // Where a button lies in a tile at `tile`, and which one is at `pos`.
    static QRect buttonRect(const QRect &tile, Button button);
    static Button buttonAt(const QRect &tile, const QPoint &pos);
    // What a button reports: "wallpaper", "addplaylist" or "delete".
    static QString actionOf(Button button);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

signals:
    // A tile's button was clicked.
    void buttonClicked_Signal(QString path, QString action);

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
        const QModelIndex &index) override;

private:
    // A drawing of resources/svg at `size` device-independent pixels.
    QPixmap drawing(const QString &name, const QSize &size, qreal ratio) const;

    TileThumbnails *m_thumbnails;
    mutable QHash<QString, QPixmap> m_drawings;
    QPersistentModelIndex m_pressed;
    Button m_pressedButton = Button::None;
};
