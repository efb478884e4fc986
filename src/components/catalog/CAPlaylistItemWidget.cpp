#include "CAPlaylistItemWidget.h"

#include "CUClickableLabel.h"
#include "CUElidedLabel.h"

#include <core/PictureDecoder.h>

#include <QBitmap>
#include <QPainter>
#include <QSvgRenderer>
#include <QVBoxLayout>

CAPlaylistItemWidget::CAPlaylistItemWidget(const QString &playlist, QWidget *parent)
    : QWidget(parent)
    , m_playlist(playlist)
    , m_picture(new CUClickableLabel(this))
    , m_name(new CUElidedLabel(this))
{
    setFixedSize(kTileSize, kTileSize);
    setStyleSheet(QStringLiteral("QWidget { border-style: none; }"));

    m_picture->setFixedSize(kPictureSize, kPictureSize);
    m_picture->setAlignment(Qt::AlignCenter);
    m_name->setStyleSheet(QStringLiteral("QLabel { background: rgba(255, 255, 255, .7); color: #000000; }"));
    m_name->setAlignment(Qt::AlignCenter);
    // A long name ends in "…" rather than losing both ends; the tooltip has it whole.
    m_name->setFullText(playlist);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_picture, 0, Qt::AlignHCenter);
    layout->addWidget(m_name);

    connect(m_picture, &CUClickableLabel::clicked, this, &CAPlaylistItemWidget::playlistClicked_Slot);
    setEmpty();
}

void CAPlaylistItemWidget::setPlaylist(const QString &playlist)
{
    m_playlist = playlist;
    m_name->setFullText(playlist);
}

QLabel *CAPlaylistItemWidget::nameLabel() const
{
    return m_name;
}

QLabel *CAPlaylistItemWidget::pictureLabel() const
{
    return m_picture;
}

void CAPlaylistItemWidget::setLeadPicture(const QString &thumbnailPath, const QString &photoPath)
{
    const qreal ratio = devicePixelRatioF();
    const QString source = ratio > 1 && !photoPath.isEmpty() ? photoPath : thumbnailPath;
    // Decoded at the tile's size: a lead picture may be a full-size photo.
    QImage image = PictureDecoder::loadScaled(
        source, QSize(kPictureSize, kPictureSize) * ratio, Qt::KeepAspectRatioByExpanding);
    if (image.isNull()) {
        setEmpty();
        return;
    }
    image.setDevicePixelRatio(ratio);
    m_picture->clearMask();
    m_picture->setPixmap(QPixmap::fromImage(image));
    m_hasLeadPicture = true;
}

void CAPlaylistItemWidget::setEmpty()
{
    // The mask follows the drawing's outline at the label's size.
    const QSize size(kPictureSize, kPictureSize);
    const QBitmap mask = QPixmap(QStringLiteral(":/images/ic_empty_playlist.png"))
                             .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .mask();
    const qreal ratio = devicePixelRatioF();
    // Drawn at the screen's pixels here: Qt 6's QIcon would scale a size
    // already in device pixels once more.
    QPixmap drawing(size * ratio);
    drawing.fill(Qt::transparent);
    {
        QPainter painter(&drawing);
        QSvgRenderer(QStringLiteral(":/svg/ic_empty_playlist.svg")).render(&painter);
    }
    drawing.setDevicePixelRatio(ratio);
    m_picture->setPixmap(drawing);
    if (!mask.isNull())
        m_picture->setMask(mask);
    m_hasLeadPicture = false;
}

void CAPlaylistItemWidget::playlistClicked_Slot()
{
    emit playlistClicked_Signal(m_playlist);
}
