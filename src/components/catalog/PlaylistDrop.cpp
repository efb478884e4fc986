#include "PlaylistDrop.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>

namespace PlaylistDrop {

Plan plan(const QMimeData &data, const QString &pendingPath)
{
    Plan result;
    if (!data.hasFormat(QStringLiteral("text/uri-list")))
        return result;
    result.kind = Kind::Nothing;
    QList<QUrl> urls = data.urls();
    if (urls.isEmpty())
        return result;
    QString first = urls.first().toLocalFile();
    if (first.isEmpty() && !pendingPath.isEmpty()) {
        const QUrl pending = urlFor(pendingPath);
        urls = { pending };
        first = pending.toLocalFile();
        result.pendingUsed = true;
    }
    const QFileInfo info(first);
    if (!first.isEmpty() && info.isDir()) {
        result.kind = Kind::Folder;
        // File managers send folders with a trailing slash; without it the
        // folder's name is the last path part.
        result.folder = QDir::cleanPath(info.absoluteFilePath());
        return result;
    }
    result.kind = Kind::Pictures;
    result.urls = urls;
    return result;
}

int hoverRow(int scrollValue, int x, bool scrollPerPixel)
{
    return scrollPerPixel ? (scrollValue + x) / kTilePitch : scrollValue + x / kTilePitch;
}

QUrl urlFor(const QString &itemText)
{
    if (QDir::isAbsolutePath(itemText))
        return QUrl::fromLocalFile(itemText);
    return QUrl(itemText);
}

QMimeData *mimeDataFor(const QStringList &itemTexts)
{
    QList<QUrl> urls;
    urls.reserve(itemTexts.size());
    for (const QString &text : itemTexts)
        urls.append(urlFor(text));
    auto *data = new QMimeData;
    data->setUrls(urls);
    return data;
}

} // namespace PlaylistDrop
