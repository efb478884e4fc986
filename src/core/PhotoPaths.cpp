#include "PhotoPaths.h"

#include "FileLocations.h"
#include "Settings.h"

#include <QDir>
#include <QFileInfo>

const QString PhotoPaths::kThumbnailEnding = QStringLiteral("-256x144.jpg");
const QString PhotoPaths::kPreviewEnding = QStringLiteral("-1024x576x.jpg");

namespace {

const QString kJpg = QStringLiteral(".jpg");

QString lastPart(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The file name up to its first dot.
QString baseName(const QString &path)
{
    const QString name = lastPart(path);
    const int dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString holdingFolderName(const QString &path)
{
    return QFileInfo(path).dir().dirName();
}

} // namespace

void PhotoPaths::set(const QString &from)
{
    *this = PhotoPaths();
    if (from.startsWith(QLatin1String("http://")) || from.startsWith(QLatin1String("https://"))) {
        m_isUrl = true;
        const QString ending = from.endsWith(kPreviewEnding) ? kPreviewEnding : kThumbnailEnding;
        // An address without a size ending already names the full-size picture.
        m_path = from.endsWith(ending) ? from.left(from.size() - ending.size()) + kJpg : from;
        m_fullUrl = m_path;
        m_uuid = baseName(m_path);
        const QString stem = ending.left(ending.size() - kJpg.size());
        if (m_uuid.contains(stem))
            m_uuid.chop(stem.size());
        return;
    }
    if (from.endsWith(kThumbnailEnding)) {
        m_thumbnailPath = from;
        m_playlist = holdingFolderName(from);
        m_uuid = baseName(from);
        const QString stem = kThumbnailEnding.left(kThumbnailEnding.size() - kJpg.size());
        if (m_uuid.endsWith(stem))
            m_uuid.chop(stem.size());
        m_path = FileLocations::playlistFolder() + QLatin1Char('/') + m_playlist + QLatin1Char('/') + m_uuid
            + kJpg;
        return;
    }
    m_path = from;
    m_playlist = holdingFolderName(from);
    m_uuid = baseName(from);
    m_thumbnailPath = FileLocations::baseFolder() + QStringLiteral("/PlaylistCache/") + m_playlist
        + QLatin1Char('/') + m_uuid + kThumbnailEnding;
}

QString PhotoPaths::fullUrl()
{
    if (m_fullUrl.isEmpty())
        m_fullUrl = Settings::getString(QStringLiteral("kUuidToUrlPrefix") + m_uuid, QString());
    return m_fullUrl;
}

QString PhotoPaths::fileName() const
{
    return lastPart(m_path);
}
