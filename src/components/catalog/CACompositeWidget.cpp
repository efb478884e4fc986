#include "CACompositeWidget.h"

#include "CUClickableLabel.h"

#include <core/PhotoPaths.h>
#include <core/PictureDecoder.h>

#include <QFileInfo>
#include <QToolButton>

std::optional<PhotoClick> PhotoClick::from(const QString &path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    if (suffix != QLatin1String("jpg") && suffix != QLatin1String("JPG"))
        return std::nullopt;
    const PhotoPaths paths(path);
    return PhotoClick { paths.playlist(), info.fileName().chopped(4), path };
}

QImage CACompositeWidget::loadPicture(const QString &path)
{
    const QSize box(kWidth, kHeight);
    const QString thumbnail = PhotoPaths(path).thumbnailPath();
    if (!thumbnail.isEmpty() && QFileInfo::exists(thumbnail)) {
        const QImage image = PictureDecoder::loadScaled(thumbnail, box, Qt::KeepAspectRatio);
        if (!image.isNull())
            return image;
    }
    return PictureDecoder::loadScaled(path, box, Qt::KeepAspectRatio);
}

CACompositeWidget::CACompositeWidget(const QString &path, QWidget *parent)
    : QWidget(parent)
    , m_path(path)
    , m_picture(new CUClickableLabel(this))
    , m_actionBar(new QLabel(this))
{
    setFixedSize(kWidth, kHeight);

    m_picture->setGeometry(0, 0, kWidth, kHeight);
    m_picture->setMaximumHeight(kHeight);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setPixmap(QPixmap::fromImage(loadPicture(path)));
    connect(m_picture, &CUClickableLabel::clicked, this, &CACompositeWidget::photoClicked_Slot);

    m_actionBar->setGeometry(0, 110, kWidth, 34);
    m_actionBar->setStyleSheet(QStringLiteral("QWidget { background: rgba(0, 0, 0, .6); }"));
    m_wallpaperButton = addButton(QStringLiteral(":/images/ic_thumb_make_wallpaper.png"), 0);
    m_addPlaylistButton = addButton(QStringLiteral(":/images/ic_thumb_add_playlist.png"), 32);
    m_deleteButton = addButton(QStringLiteral(":/images/ic_thumb_delete.png"), 224);
    connect(m_wallpaperButton, &QToolButton::clicked, this, &CACompositeWidget::wallpaperClicked_Slot);
    connect(m_addPlaylistButton, &QToolButton::clicked, this, &CACompositeWidget::addPlaylistClicked_Slot);
    connect(m_deleteButton, &QToolButton::clicked, this, &CACompositeWidget::deleteClicked_Slot);
    m_actionBar->hide();
}

QToolButton *CACompositeWidget::addButton(const QString &icon, int x)
{
    auto *button = new QToolButton(m_actionBar);
    button->setGeometry(x, 0, 30, 30);
    button->setIcon(QIcon(icon));
    button->setIconSize(QSize(30, 30));
    button->setAutoRaise(true);
    // The bar's translucent background would otherwise be painted twice.
    button->setStyleSheet(QStringLiteral("QToolButton { background: transparent; border: none; }"));
    return button;
}

void CACompositeWidget::photoClicked_Slot()
{
    report(QStringLiteral("show"));
}

void CACompositeWidget::wallpaperClicked_Slot()
{
    report(QStringLiteral("wallpaper"));
}

void CACompositeWidget::addPlaylistClicked_Slot()
{
    report(QStringLiteral("addplaylist"));
}

void CACompositeWidget::deleteClicked_Slot()
{
    report(QStringLiteral("delete"));
}

void CACompositeWidget::report(const QString &action)
{
    if (const auto click = PhotoClick::from(m_path))
        emit photoClicked_Signal(click->channel, click->uuid, click->url, action);
}

void CACompositeWidget::enterEvent(QEvent *event)
{
    m_actionBar->show();
    QWidget::enterEvent(event);
}

void CACompositeWidget::leaveEvent(QEvent *event)
{
    m_actionBar->hide();
    QWidget::leaveEvent(event);
}
