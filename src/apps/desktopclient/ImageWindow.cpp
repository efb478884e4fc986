#include "ImageWindow.h"

#include <core/PictureDecoder.h>

#include <QDebug>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

const QString kStartStyle = QStringLiteral("background-image: url(:/images/btn_playlist_start_slideshow.png);"
                                           "background-repeat: no-repeat;border: none;");
const QString kStopStyle = QStringLiteral("background-image: url(:/images/btn_playlist_stop_slideshow.png);"
                                          "background-repeat: no-repeat;border: none;");

QPushButton *imageButton(const QString &image, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    const QPixmap pixmap(image);
    button->setIcon(QIcon(pixmap));
    button->setIconSize(pixmap.size());
    button->setFixedSize(pixmap.size());
    button->setFlat(true);
    button->setStyleSheet(QStringLiteral("border: none;"));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

ImageWindow::ImageWindow(QWidget *parent)
    : QDialog(parent)
    , m_picture(new QLabel(this))
{
    setWindowTitle(tr("Playlist Browser"));
    setSizeGripEnabled(true);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setStyleSheet(QStringLiteral("ImageWindow { background: #1c1f27; }"));

    m_picture->setAlignment(Qt::AlignCenter);
    m_closeButton = imageButton(QStringLiteral(":/images/ic_playlist_close.png"), this);
    m_previousButton = imageButton(QStringLiteral(":/images/ic_playlist_arrow_left.png"), this);
    m_nextButton = imageButton(QStringLiteral(":/images/ic_playlist_arrow_right.png"), this);
    m_slideShowButton = new QPushButton(this);
    m_slideShowButton->setFixedSize(
        QPixmap(QStringLiteral(":/images/btn_playlist_start_slideshow.png")).size());
    m_slideShowButton->setCursor(Qt::PointingHandCursor);

    connect(m_slideShowButton, &QPushButton::clicked, this, &ImageWindow::startSlideShow_Slot);
    connect(m_previousButton, &QPushButton::clicked, this, &ImageWindow::previous_Slot);
    connect(m_nextButton, &QPushButton::clicked, this, &ImageWindow::next_Slot);
    connect(m_closeButton, &QPushButton::clicked, this, &ImageWindow::close);
    updateButtons();
}

QSize ImageWindow::windowSizeFor(int parentWidth)
{
    if (parentWidth <= 0 || parentWidth >= 1024)
        return QSize(1024, 576);
    const int width = static_cast<int>(parentWidth * 0.9);
    return QSize(width, static_cast<int>(width * 0.5625));
}

void ImageWindow::open(const QStringList &paths, int index)
{
    setPhotos(paths, index);
    show();
    raise();
    activateWindow();
}

void ImageWindow::setPhotos(const QStringList &paths, int index)
{
    const QSize size = windowSizeFor(parentWidget() ? parentWidget()->width() : 0);
    setFixedSize(size);
    m_picture->setGeometry(QRect(QPoint(0, 0), size));
    placeButtons();

    m_index = index;
    if (paths != m_paths)
        m_paths = paths;
    if (m_index >= 0 && m_index < m_paths.size())
        showPhoto();
    updateButtons();
}

void ImageWindow::placeButtons()
{
    const int w = width();
    const int h = height();
    const int margin = 12;
    m_closeButton->move(w - m_closeButton->width() - margin, margin);
    m_previousButton->move(margin, (h - m_previousButton->height()) / 2);
    m_nextButton->move(w - m_nextButton->width() - margin, (h - m_nextButton->height()) / 2);
    m_slideShowButton->move((w - m_slideShowButton->width()) / 2, h - m_slideShowButton->height() - margin);
}

void ImageWindow::showPhoto()
{
    if (m_index < 0 || m_index >= m_paths.size())
        return;
    // Decoded at the window's size: a 24 MP photo is never held whole.
    const QImage image = PictureDecoder::loadScaled(m_paths.at(m_index), size(), Qt::KeepAspectRatio);
    if (image.isNull())
        qDebug() << "ImageWindow::showPhoto(), cannot read" << m_paths.at(m_index);
    m_picture->setPixmap(QPixmap::fromImage(image));
}

void ImageWindow::updateButtons()
{
    m_slideShowButton->setStyleSheet(isSlideShowRunning() ? kStopStyle : kStartStyle);
    const bool browsable = m_paths.size() > 1;
    m_previousButton->setVisible(browsable);
    m_nextButton->setVisible(browsable);
    m_slideShowButton->setVisible(browsable);
}

void ImageWindow::next_Slot()
{
    if (m_paths.isEmpty())
        return;
    ++m_index;
    if (m_index >= m_paths.size() || m_index < 0)
        m_index = 0;
    showPhoto();
}

void ImageWindow::play_Slot()
{
    next_Slot();
}

void ImageWindow::previous_Slot()
{
    if (m_paths.isEmpty())
        return;
    --m_index;
    if (m_index < 0 || m_index >= m_paths.size())
        m_index = m_paths.size() - 1;
    showPhoto();
}

void ImageWindow::startSlideShow_Slot()
{
    if (m_slideShowTimer) {
        m_slideShowTimer->stop();
        delete m_slideShowTimer;
        m_slideShowTimer = nullptr;
    } else {
        m_slideShowTimer = new QTimer(this);
        connect(m_slideShowTimer, &QTimer::timeout, this, &ImageWindow::play_Slot);
        m_slideShowTimer->start(kSlideShowMs);
    }
    updateButtons();
}

void ImageWindow::reject()
{
    // A closed window keeps no slideshow running behind the user's back.
    if (m_slideShowTimer)
        startSlideShow_Slot();
    QDialog::reject();
}
