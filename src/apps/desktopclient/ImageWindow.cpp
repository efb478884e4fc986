#include "ImageWindow.h"

#include <core/PictureDecoder.h>

#include <QDebug>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

namespace {

const QString kStartIcon = QStringLiteral(":/svg/btn_playlist_start_slideshow.svg");
const QString kStopIcon = QStringLiteral(":/svg/btn_playlist_stop_slideshow.svg");
// Flat buttons show no focus of their own; Tab would move unseen.
const QString kButtonStyle
    = QStringLiteral("QPushButton { border: none; } QPushButton:focus { background: rgba(59, 110, 168, 160); "
                     "border-radius: 6px; }");
const QSize kButtonSize(48, 48);

QPushButton *imageButton(const QString &icon, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    // Drawn from the drawing at the screen's pixel ratio, sharp at any scale.
    button->setIcon(QIcon(icon));
    button->setIconSize(kButtonSize);
    button->setFixedSize(kButtonSize);
    button->setFlat(true);
    button->setStyleSheet(kButtonStyle);
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
    m_closeButton = imageButton(QStringLiteral(":/svg/ic_playlist_close.svg"), this);
    m_previousButton = imageButton(QStringLiteral(":/svg/ic_playlist_arrow_left.svg"), this);
    m_nextButton = imageButton(QStringLiteral(":/svg/ic_playlist_arrow_right.svg"), this);
    m_slideShowButton = imageButton(kStartIcon, this);

    // Window-wide, so that the arrows change the photo whichever button has
    // the focus (buttons would move the focus), and Space never presses Close.
    const auto key = [this](const QKeySequence &keys, void (ImageWindow::*slot)()) {
        auto *shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    key(Qt::Key_Left, &ImageWindow::previous_Slot);
    key(Qt::Key_PageUp, &ImageWindow::previous_Slot);
    key(Qt::Key_Right, &ImageWindow::next_Slot);
    key(Qt::Key_PageDown, &ImageWindow::next_Slot);
    key(Qt::Key_Space, &ImageWindow::toggleSlideShow);

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
    // At device pixels, so that a scaled screen shows it sharp.
    const qreal ratio = devicePixelRatioF();
    const QImage image = PictureDecoder::loadScaled(m_paths.at(m_index), size() * ratio, Qt::KeepAspectRatio);
    if (image.isNull())
        qDebug() << "ImageWindow::showPhoto(), cannot read" << m_paths.at(m_index);
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    m_picture->setPixmap(pixmap);
}

void ImageWindow::updateButtons()
{
    m_slideShowButton->setIcon(QIcon(isSlideShowRunning() ? kStopIcon : kStartIcon));
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

void ImageWindow::toggleSlideShow()
{
    if (m_paths.size() > 1)
        startSlideShow_Slot();
}

void ImageWindow::reject()
{
    // A closed window keeps no slideshow running behind the user's back.
    if (m_slideShowTimer)
        startSlideShow_Slot();
    QDialog::reject();
}
