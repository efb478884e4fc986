#pragma once

#include "PhotoCatalog.h"

#include <QByteArray>
#include <QHash>
#include <QSize>
#include <QString>

#include <memory>
#include <mutex>

namespace fotoria::service {

enum class PhotoSize { Full, Screen, Thumbnail };

// JPEG files of the catalog photos at the three sizes the service offers.
// A photo is painted on first request (or by warmUp), then kept in memory
// and, when a data folder is given, on disk for the next start.
class PhotoStore
{
public:
    static const QSize kFullSize;
    static const QSize kScreenSize;
    static const QSize kThumbnailSize;

    PhotoStore(const PhotoCatalog &catalog, const QString &dataDir);

    QByteArray jpeg(const Photo &photo, PhotoSize size);
    // Paints every photo now, two at a time.
    void warmUp();

    // "<uuid>.jpg", "<uuid>-1024x576x.jpg", "<uuid>-256x144.jpg" to photo and size.
    bool parseFileName(const QString &fileName, const Photo **photo, PhotoSize *size) const;

private:
    struct Entry {
        std::mutex mutex;
        QByteArray files[3];
        bool ready = false;
    };

    Entry &entry(const Photo &photo);
    void build(const Photo &photo, Entry &e);
    QString cachePath(const Photo &photo, PhotoSize size) const;

    const PhotoCatalog &m_catalog;
    QString m_cacheDir;
    std::mutex m_mutex;
    QHash<QString, std::shared_ptr<Entry>> m_entries;
};

} // namespace fotoria::service
