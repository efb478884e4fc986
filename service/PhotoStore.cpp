#include "PhotoStore.h"

#include "PhotoRenderer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <atomic>
#include <thread>

namespace fotoria::service {

const QSize PhotoStore::kFullSize(1920, 1080);
const QSize PhotoStore::kScreenSize(1024, 576);
const QSize PhotoStore::kThumbnailSize(256, 144);

namespace {

const char *const kSuffix[3] = {".jpg", "-1024x576x.jpg", "-256x144.jpg"};

QByteArray encodeJpeg(const QImage &image, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", quality);
    return bytes;
}

} // namespace

PhotoStore::PhotoStore(const PhotoCatalog &catalog, const QString &dataDir) : m_catalog(catalog)
{
    // The folder name carries a version so a changed painter never serves stale files.
    if (!dataDir.isEmpty())
        m_cacheDir = dataDir + QStringLiteral("/photos-v1");
}

PhotoStore::Entry &PhotoStore::entry(const Photo &photo)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto &slot = m_entries[photo.uuid];
    if (!slot)
        slot = std::make_shared<Entry>();
    return *slot;
}

QString PhotoStore::cachePath(const Photo &photo, PhotoSize size) const
{
    return m_cacheDir + QLatin1Char('/') + photo.uuid + QLatin1String(kSuffix[int(size)]);
}

void PhotoStore::build(const Photo &photo, Entry &e)
{
    if (!m_cacheDir.isEmpty()) {
        bool all = true;
        for (int i = 0; i < 3 && all; ++i) {
            QFile f(cachePath(photo, PhotoSize(i)));
            all = f.open(QIODevice::ReadOnly);
            if (all)
                e.files[i] = f.readAll();
            all = all && !e.files[i].isEmpty();
        }
        if (all) {
            e.ready = true;
            return;
        }
    }

    const QImage full = renderPhoto(photo, kFullSize);
    e.files[0] = encodeJpeg(full, 90);
    e.files[1] = encodeJpeg(full.scaled(kScreenSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), 88);
    e.files[2] = encodeJpeg(full.scaled(kThumbnailSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), 85);
    e.ready = true;

    if (!m_cacheDir.isEmpty() && QDir().mkpath(m_cacheDir)) {
        for (int i = 0; i < 3; ++i) {
            QSaveFile f(cachePath(photo, PhotoSize(i)));
            if (f.open(QIODevice::WriteOnly)) {
                f.write(e.files[i]);
                f.commit();
            }
        }
    }
}

QByteArray PhotoStore::jpeg(const Photo &photo, PhotoSize size)
{
    Entry &e = entry(photo);
    std::lock_guard<std::mutex> lock(e.mutex);
    if (!e.ready)
        build(photo, e);
    return e.files[int(size)];
}

void PhotoStore::warmUp()
{
    const QList<Photo> photos = m_catalog.photos();
    std::atomic<int> next{0};
    auto work = [&] {
        for (int i = next++; i < photos.size(); i = next++)
            jpeg(photos.at(i), PhotoSize::Thumbnail);
    };
    std::thread helper(work);
    work();
    helper.join();
}

bool PhotoStore::parseFileName(const QString &fileName, const Photo **photo, PhotoSize *size) const
{
    for (int i = 2; i >= 0; --i) {
        const QLatin1String suffix(kSuffix[i]);
        if (!fileName.endsWith(suffix))
            continue;
        const Photo *p = m_catalog.find(fileName.left(fileName.size() - suffix.size()));
        if (!p)
            return false;
        *photo = p;
        *size = PhotoSize(i);
        return true;
    }
    return false;
}

} // namespace fotoria::service
