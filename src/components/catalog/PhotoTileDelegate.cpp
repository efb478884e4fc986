#include "PhotoTileDelegate.h"

#include "PhotoListModel.h"
#include "PlaylistDrop.h"
#include "TileThumbnails.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QWidget>

static void initTileDrawings()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

constexpr int kBarHeight = 34;
constexpr int kButton = 30;
constexpr int kFrame = 3;

} // namespace

PhotoTileDelegate::PhotoTileDelegate(TileThumbnails *thumbnails, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_thumbnails(thumbnails)
{
    initTileDrawings();
}

QRect PhotoTileDelegate::buttonRect(const QRect &tile, Button button)
{
    const int y = tile.top() + kHeight - kBarHeight;
    switch (button) {
    case Button::Wallpaper:
        return QRect(tile.left(), y, kButton, kButton);
    case Button::AddPlaylist:
        return QRect(tile.left() + 32, y, kButton, kButton);
    case Button::Delete:
        return QRect(tile.left() + kWidth - 32, y, kButton, kButton);
    case Button::None:
        break;
    }
    return QRect();
}

PhotoTileDelegate::Button PhotoTileDelegate::buttonAt(const QRect &tile, const QPoint &pos)
{
    for (Button button : { Button::Wallpaper, Button::AddPlaylist, Button::Delete }) {
        if (buttonRect(tile, button).contains(pos))
            return button;
    }
    return Button::None;
}

QString PhotoTileDelegate::actionOf(Button button)
{
    switch (button) {
    case Button::Wallpaper:
        return QStringLiteral("wallpaper");
    case Button::AddPlaylist:
        return QStringLiteral("addplaylist");
    case Button::Delete:
        return QStringLiteral("delete");
    case Button::None:
        break;
    }
    return QString();
}

QSize PhotoTileDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(kWidth, kHeight);
}

QPixmap PhotoTileDelegate::drawing(const QString &name, const QSize &size, qreal ratio) const
{
    const QString key = name + QLatin1Char('@') + QString::number(ratio);
    auto found = m_drawings.constFind(key);
    if (found != m_drawings.constEnd())
        return *found;
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QSvgRenderer(QStringLiteral(":/svg/") + name + QStringLiteral(".svg")).render(&painter);
    painter.end();
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    return m_drawings[key] = pixmap;
}

void PhotoTileDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QRect tile(option.rect.topLeft(), QSize(kWidth, kHeight));
    const qreal ratio = option.widget ? option.widget->devicePixelRatioF() : painter->device()->devicePixelRatioF();
    const QString path = index.data(PlaylistDrop::kItemRole).toString();
    painter->save();
    if (path == PhotoListModel::kPlaceholder) {
        painter->drawPixmap(tile.topLeft(), drawing(QStringLiteral("empty-playlist"), tile.size(), ratio));
        painter->restore();
        return;
    }

    painter->fillRect(tile, option.palette.color(QPalette::Window));
    QImage picture = m_thumbnails->find(path, tile.size() * ratio);
    if (!picture.isNull()) {
        picture.setDevicePixelRatio(ratio);
        const QSize shown = picture.size() / ratio;
        painter->drawImage(QRect(tile.topLeft() + QPoint((kWidth - shown.width()) / 2, (kHeight - shown.height()) / 2), shown), picture);
    }

    if (option.state & QStyle::State_Selected) {
        // A frame in the highlight colour and a tint over the picture.
        QColor highlight = option.palette.color(QPalette::Highlight);
        painter->setPen(QPen(highlight, kFrame));
        painter->drawRect(tile.adjusted(1, 1, -2, -2));
        highlight.setAlpha(60);
        painter->fillRect(tile.adjusted(kFrame, kFrame, -kFrame, -kFrame), highlight);
    }

    if (option.state & QStyle::State_MouseOver) {
        painter->fillRect(QRect(tile.left(), tile.top() + kHeight - kBarHeight, kWidth, kBarHeight), QColor(0, 0, 0, 153));
        const QSize icon(kButton, kButton);
        painter->drawPixmap(buttonRect(tile, Button::Wallpaper).topLeft(), drawing(QStringLiteral("ic_thumb_make_wallpaper"), icon, ratio));
        painter->drawPixmap(buttonRect(tile, Button::AddPlaylist).topLeft(), drawing(QStringLiteral("ic_thumb_add_playlist"), icon, ratio));
        painter->drawPixmap(buttonRect(tile, Button::Delete).topLeft(), drawing(QStringLiteral("ic_thumb_delete"), icon, ratio));
    }
    painter->restore();
}

bool PhotoTileDelegate::editorEvent(
    QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option, const QModelIndex &index)
{
    // A double-click's second press counts as a press: it opens no image
    // window from a button.
    const bool press = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    if (!press && !release)
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const auto *mouse = static_cast<QMouseEvent *>(event);
    const QString path = index.data(PlaylistDrop::kItemRole).toString();
    const Button button = (mouse->button() == Qt::LeftButton && path != PhotoListModel::kPlaceholder)
        ? buttonAt(QRect(option.rect.topLeft(), QSize(kWidth, kHeight)), mouse->pos())
        : Button::None;
    if (press) {
        // A press on a button neither selects the tile nor starts a drag.
        m_pressed = button == Button::None ? QPersistentModelIndex() : QPersistentModelIndex(index);
        m_pressedButton = button;
        return button != Button::None;
    }
    const bool clicked = button != Button::None && button == m_pressedButton && m_pressed == index;
    const bool wasOnButton = m_pressedButton != Button::None;
    m_pressed = QPersistentModelIndex();
    m_pressedButton = Button::None;
    if (clicked)
        emit buttonClicked_Signal(path, actionOf(button));
    return wasOnButton;
}
