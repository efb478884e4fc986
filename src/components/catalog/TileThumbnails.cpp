#include "TileThumbnails.h"

#include "Thumbnail.h"

#include <core/PictureDecoder.h>
#include <platform/CrashHook.h>

#include <QDebug>
#include <QFileInfo>
#include <QThread>

namespace {

const QSize kThumbnailSize(256, 144);

QString keyOf(const QString &path, const QSize &pixels)
{
    return path + QLatin1Char('|') + QString::number(pixels.width()) + QLatin1Char('x')
        + QString::number(pixels.height());
}

} // namespace

TileThumbnails::TileThumbnails(QObject *parent)
    : QObject(parent)
    , m_images(kMaxBytes / 1024)
{
    m_pool.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
}

TileThumbnails::~TileThumbnails()
{
    m_pending.clear();
    m_pool.waitForDone();
}

QImage TileThumbnails::find(const QString &path, const QSize &pixels)
{
    const QString key = keyOf(path, pixels);
    if (const QImage *image = m_images.object(key))
        return *image;
    if (m_waiting.contains(key) || m_unreadable.contains(key))
        return QImage();
    m_waiting.insert(key);
    m_pending.append({ key, path, pixels });
    while (m_pending.size() > kMaxPending)
        m_waiting.remove(m_pending.takeFirst().key);
    startNext();
    return QImage();
}

void TileThumbnails::forgetPending()
{
    for (const Request &request : std::as_const(m_pending))
        m_waiting.remove(request.key);
    m_pending.clear();
}

void TileThumbnails::startNext()
{
    while (m_running < m_pool.maxThreadCount() && !m_pending.isEmpty()) {
        const Request request = m_pending.takeFirst();
        ++m_running;
        m_pool.start([this, request] {
            platform::installThreadSignalStack();
            const QImage image = load(request.path, request.pixels);
            QMetaObject::invokeMethod(
                this, [this, request, image] { finished(request.key, request.path, image); },
                Qt::QueuedConnection);
        });
    }
}

void TileThumbnails::finished(const QString &key, const QString &path, const QImage &image)
{
    --m_running;
    m_waiting.remove(key);
    if (image.isNull())
        m_unreadable.insert(key);
    else
        m_images.insert(key, new QImage(image), qMax(1, int(image.sizeInBytes() / 1024)));
    startNext();
    emit ready(path);
}

QImage TileThumbnails::load(const QString &path, const QSize &pixels)
{
    if (pixels.width() <= kThumbnailSize.width() && pixels.height() <= kThumbnailSize.height()) {
        // makeThumbnail() says why when it cannot make one.
        const QString thumbnail = makeThumbnail(path);
        if (!thumbnail.isEmpty())
            return QFileInfo::exists(thumbnail)
                ? PictureDecoder::loadScaled(thumbnail, pixels, Qt::KeepAspectRatio)
                : QImage();
    }
    QString error;
    const QImage image = PictureDecoder::loadScaled(path, pixels, Qt::KeepAspectRatio, &error);
    if (image.isNull())
        qDebug().noquote() << "No tile picture:" << error;
    return image;
}
