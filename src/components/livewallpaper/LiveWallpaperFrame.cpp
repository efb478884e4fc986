#include "LiveWallpaperFrame.h"

#include <core/PictureDecoder.h>
#include <platform/CrashHook.h>

#include <QDebug>
#include <QEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QtConcurrent>

#include <utility>

LiveWallpaperFrame::LiveWallpaperFrame(QWidget *parent)
    : QFrame(parent)
    , m_label(new QLabel(this))
{
    setWindowTitle(tr("Live Wallpaper"));
    resize(640, 480);
    auto *layout = new QGridLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_label, 0, 0);
    m_label->setAlignment(Qt::AlignCenter);

    setStyleSheet(QStringLiteral("background:transparent;"));
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        // From the screen's corner, under a panel at the top, to the end of
        // the available area.
        QRect area = screen->availableGeometry();
        area.setTopLeft(screen->geometry().topLeft());
        setGeometry(area);
    }
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    installEventFilter(this);
    m_label->installEventFilter(this);

    connect(&m_decoding, &QFutureWatcher<QImage>::finished, this, &LiveWallpaperFrame::decoded);
}

LiveWallpaperFrame::~LiveWallpaperFrame()
{
    m_decoding.waitForFinished();
}

bool LiveWallpaperFrame::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::WindowActivate:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        return true;
    default:
        return QFrame::eventFilter(watched, event);
    }
}

void LiveWallpaperFrame::showPicture_Slot(const QString &path)
{
    if (m_decoding.isRunning()) {
        m_nextPath = path;
        return;
    }
    m_decodingPath = path;
    const QSize target = size();
    m_decoding.setFuture(QtConcurrent::run([path, target] {
        platform::installThreadSignalStack();
        QString error;
        const QImage image = PictureDecoder::loadCropped(path, target, &error);
        if (image.isNull())
            qDebug().noquote() << "Live wallpaper keeps its picture:" << error;
        return image;
    }));
}

void LiveWallpaperFrame::decoded()
{
    const QImage image = m_decoding.result();
    if (!image.isNull()) {
        m_label->setPixmap(QPixmap::fromImage(image));
        m_shownPath = m_decodingPath;
        emit pictureShown_Signal(m_shownPath);
    }
    if (!m_nextPath.isEmpty())
        showPicture_Slot(std::exchange(m_nextPath, QString()));
}
