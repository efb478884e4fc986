#include "SSDialog.h"

#include "FaderWidget.h"

#include <core/PictureDecoder.h>
#include <platform/ScreenSaverHost.h>

#include <QDebug>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cmath>

SSDialog::SSDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SSDialog"));
    setWindowTitle(QStringLiteral("Dialog"));
    resize(400, 300);
    m_background = new QLabel(this);
    m_background->setObjectName(QStringLiteral("background"));
    m_imageContainer = new QLabel(this);
    m_imageContainer->setObjectName(QStringLiteral("imageContainer"));
    m_imageContainer->resize(0, 0);

    m_emptyNote = new QLabel(
        QStringLiteral("No photos to show.\nTick a playlist with photos in Fotoria's Use for wallpaper... dialog."),
        this);
    m_emptyNote->setObjectName(QStringLiteral("emptyNote"));
    m_emptyNote->setTextFormat(Qt::PlainText);
    m_emptyNote->setAlignment(Qt::AlignCenter);
    m_emptyNote->setWordWrap(true);
    m_emptyNote->setStyleSheet(QStringLiteral("color: #c8c8c8; background: transparent;"));
    m_emptyNote->hide();

    m_fader = new FaderWidget(m_imageContainer);
    connect(m_fader, &FaderWidget::fadedOut_Signal, this, &SSDialog::fadedOut_Slot);
    connect(m_fader, &FaderWidget::fadedIn_Signal, this, &SSDialog::fadedIn_Slot);

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QList<QScreen *> screens = QGuiApplication::screens();
        m_screenRect = (screens.isEmpty() ? screen : screens.first())->geometry();
        setGeometry(m_screenRect);
    }

    QPalette black = palette();
    black.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::black));
    setPalette(black);
    setAutoFillBackground(true);

    m_imageContainer->setVisible(true);
    m_firstMoveMarker = QPoint(-1, -1);
    setMouseTracking(true);
    // Input may land on any child; the window decides for all of them.
    watchInput(this);
    watchInput(m_background);
    watchInput(m_imageContainer);
    watchInput(m_emptyNote);
    m_fader->installEventFilter(this);
}

void SSDialog::placeOnScreen(QScreen *screen)
{
    m_screenRect = screen->geometry();
    winId(); // the native window must exist to be given a screen
    windowHandle()->setScreen(screen);
    setGeometry(m_screenRect);
}

void SSDialog::watchInput(QObject *object)
{
    object->installEventFilter(this);
    if (auto *widget = qobject_cast<QWidget *>(object))
        widget->setMouseTracking(true);
}

QRect SSDialog::fitPlacement(const QRect &screen, const QSize &picture)
{
    const int W = screen.width();
    const int H = screen.height();
    const qint64 w = picture.width();
    const qint64 h = picture.height();
    const QSize screenSize(W, H);

    const float screenRatio = float(H) / float(W);
    const float pictureRatio = (w > 0 && h > 0) ? float(h) / float(w) : std::nanf("");

    if (screenRatio < pictureRatio) {
        // Relatively taller: full height, centred across.
        const QSize target(qMax(1, int(double(qint64(H) * w) / double(h))), H);
        const QSize scaled = picture.scaled(target, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        const int x = int((W - scaled.width()) * 0.5);
        return QRect(QPoint(x, 0), scaled);
    }
    if (screenRatio > pictureRatio) {
        // Relatively wider: full width, centred down.
        const QSize target(W, qMax(1, int(double(qint64(W) * h) / double(w))));
        const QSize scaled = picture.scaled(target, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        const int y = int((H - scaled.height()) * 0.5);
        return QRect(QPoint(0, y), scaled);
    }
    // Equal ratios, or a picture that did not load.
    const QSize scaled = (w > 0 && h > 0) ? picture.scaled(screenSize, Qt::KeepAspectRatio) : screenSize;
    return QRect(QPoint(0, 0), scaled);
}

void SSDialog::setImage(const QString &path)
{
    const bool hadPicture = !m_currentPath.isEmpty();
    m_currentPath = path;
    // Restarting a running fade would let pictures that come faster than a
    // fade keep the screen from ever changing.
    if (m_fader->direction() > 0)
        return; // fading out: the newest path is shown once black
    if (m_fader->direction() < 0) {
        m_changePending = true; // fading in: fade out once it is done
        return;
    }
    if (hadPicture) {
        // fadedOut_Slot shows the new picture once the screen is black.
        m_fader->fadeOut();
    } else {
        showImage();
        m_fader->fadeIn();
    }
}

void SSDialog::fadedOut_Slot()
{
    m_changePending = false;
    showImage();
    m_fader->fadeIn();
}

void SSDialog::fadedIn_Slot()
{
    if (!m_changePending)
        return;
    m_changePending = false;
    m_fader->fadeOut();
}

QImage SSDialog::loadFitted(const QString &path, const QRect &screen, QRect *placement, QString *error)
{
    *placement = fitPlacement(screen, QSize());
    const QSize size = PictureDecoder::pictureSize(path, error);
    if (!size.isValid())
        return QImage();
    *placement = fitPlacement(screen, size);
    // The placement already keeps the ratio; a hairline picture keeps its one
    // pixel, which another fit to the ratio would round away.
    return PictureDecoder::loadScaled(path, placement->size(), Qt::IgnoreAspectRatio, error);
}

void SSDialog::showImage()
{
    // Fitted in device pixels: on a scaled screen the picture keeps its detail.
    const qreal ratio = devicePixelRatioF();
    const QRect device(QPoint(0, 0), m_screenRect.size() * ratio);
    QImage image;
    QRect placement = fitPlacement(device, QSize());
    if (!m_currentPath.isEmpty()) {
        QString error;
        image = loadFitted(m_currentPath, device, &placement, &error);
        // Broken, unreadable or oversized: black for this turn.
        if (image.isNull())
            qDebug().noquote() << "ERROR! Cannot show picture:" << error;
    }
    m_pictureShown = !image.isNull();
    image.setDevicePixelRatio(ratio);
    m_imageContainer->setPixmap(QPixmap::fromImage(std::move(image)));
    m_imageContainer->setGeometry(QRect(placement.topLeft() / ratio, placement.size() / ratio));

    // No path at all: no active playlist holds a picture.
    const bool nothing = m_currentPath.isEmpty();
    if (nothing) {
        const QRect area(QPoint(0, 0), m_screenRect.size());
        QFont font = m_emptyNote->font();
        font.setPixelSize(qMax(9, area.height() / 30));
        m_emptyNote->setFont(font);
        m_emptyNote->setGeometry(area.adjusted(area.width() / 20, 0, -area.width() / 20, 0));
        m_emptyNote->raise();
    }
    m_emptyNote->setVisible(nothing);
}

bool SSDialog::initFromNativeParent(quintptr parentWindow)
{
    const QSize client = platform::nativeClientSize(parentWindow);
    if (!client.isValid())
        return false;
    m_screenRect = QRect(0, 0, client.width(), client.height());
    if (!platform::embedIntoNativeWindow(this, parentWindow))
        return false;
    // The host may have changed size meanwhile; the embedding used the latest,
    // in the toolkit's pixels.
    m_screenRect = QRect(QPoint(0, 0), size());
    return true;
}

void SSDialog::noteFaderPaint()
{
    // The fade-in's first step is still fully black; the next one is not.
    if (m_firstPictureReported || !m_pictureShown || m_fader->direction() >= 0 || m_fader->alpha() >= 255)
        return;
    m_firstPictureReported = true;
    // Reported after this paint has been flushed to the screen.
    QTimer::singleShot(0, this, &SSDialog::firstPictureVisible);
}

bool SSDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_fader) {
        if (event->type() == QEvent::Paint)
            noteFaderPaint();
        return false;
    }
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonRelease:
        if (m_endsOnInput)
            close();
        return true;
    case QEvent::MouseButtonPress:
        // Only the release counts: a press alone leaves the window open.
        qDebug() << "Mouse button press ignored";
        return QDialog::eventFilter(watched, event);
    case QEvent::MouseMove:
        if (!m_endsOnInput)
            return true;
        if (m_firstMoveMarker == QPoint(-1, -1)) {
            // The first report often comes from the window appearing under
            // the pointer, not from the user.
            m_firstMoveMarker = QPoint(0, 0);
            qDebug() << "First mouse move ignored";
            return true;
        }
        close();
        return true;
    default:
        return QDialog::eventFilter(watched, event);
    }
}
