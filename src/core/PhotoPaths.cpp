#include "PhotoPaths.h"

#include "FileLocations.h"
#include "Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

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
        // Names come from the path alone: a query or fragment is no part of
        // a file name. The query stays on the address, which may need it;
        // the fragment is never sent.
        QUrl url(from, QUrl::TolerantMode);
        if (!url.isValid()) {
            // Nothing here can name a file; the address is refused where
            // it would be fetched.
            m_path = from;
            m_fullUrl = from;
            return;
        }
        url.setFragment(QString());
        QString path = url.path(QUrl::FullyEncoded);
        const QString ending = path.endsWith(kPreviewEnding) ? kPreviewEnding : kThumbnailEnding;
        // An address without a size ending already names the full-size picture.
        if (path.endsWith(ending)) {
            path = path.left(path.size() - ending.size()) + kJpg;
            url.setPath(path, QUrl::TolerantMode);
        }
        m_path = url.toString(QUrl::FullyEncoded);
        m_fullUrl = m_path;
        // Decoded first, then split: an encoded "/" cannot make a folder.
        m_fileName = url.fileName(QUrl::FullyDecoded);
        m_uuid = baseName(m_fileName);
        const QString stem = ending.left(ending.size() - kJpg.size());
        if (m_uuid.contains(stem))
            m_uuid.chop(stem.size());
        return;
    }
    QString local = from;
    if (from.startsWith(QLatin1String("file://"))) {
        m_isFileUrl = true;
        const QUrl url(from, QUrl::TolerantMode);
        // A broken address names no file rather than a guessed one.
        local = url.isValid() ? url.toLocalFile() : QString();
        if (local.isEmpty())
            return;
    }
    if (local.endsWith(kThumbnailEnding)) {
        m_thumbnailPath = local;
        m_playlist = holdingFolderName(local);
        m_uuid = baseName(local);
        const QString stem = kThumbnailEnding.left(kThumbnailEnding.size() - kJpg.size());
        if (m_uuid.endsWith(stem))
            m_uuid.chop(stem.size());
        m_path = FileLocations::playlistFolder() + QLatin1Char('/') + m_playlist + QLatin1Char('/') + m_uuid
            + kJpg;
    } else {
        m_path = local;
        m_playlist = holdingFolderName(local);
        m_uuid = baseName(local);
        m_thumbnailPath = FileLocations::baseFolder() + QStringLiteral("/PlaylistCache/") + m_playlist
            + QLatin1Char('/') + m_uuid + kThumbnailEnding;
    }
    m_fileName = lastPart(m_path);
}

QString PhotoPaths::fullUrl()
{
    if (m_fullUrl.isEmpty())
        m_fullUrl = Settings::getString(QStringLiteral("kUuidToUrlPrefix") + m_uuid, QString());
    return m_fullUrl;
}
