#include "WallpaperHistory.h"

#include <core/FileLocations.h>
#include <platform/FileCommit.h>

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
// Far more than a hundred paths; anything bigger is no history of ours.
constexpr qint64 kMaxFileSize = 1024 * 1024;
} // namespace

QString WallpaperHistory::defaultPath()
{
    const QString folder
        = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Fotoria");
    ensureFolder(folder);
    return folder + QStringLiteral("/WallpaperHistory.json");
}

WallpaperHistory::WallpaperHistory(const QString &file)
    : m_file(file)
{
    load();
}

QString WallpaperHistory::current() const
{
    return m_pictures.value(m_position);
}

bool WallpaperHistory::canGoBack() const
{
    return existing(m_position - 1, -1) >= 0;
}

QString WallpaperHistory::back()
{
    const int index = existing(m_position - 1, -1);
    if (index < 0)
        return QString();
    m_position = index;
    save();
    return m_pictures.at(index);
}

QString WallpaperHistory::forward()
{
    const int index = existing(m_position + 1, 1);
    if (index < 0)
        return QString();
    m_position = index;
    save();
    return m_pictures.at(index);
}

void WallpaperHistory::record(const QString &picture)
{
    if (picture.isEmpty() || picture == current())
        return;
    m_pictures.append(picture);
    while (m_pictures.size() > kLimit)
        m_pictures.removeFirst();
    m_position = m_pictures.size() - 1;
    save();
}

int WallpaperHistory::existing(int from, int step) const
{
    for (int i = from; i >= 0 && i < m_pictures.size(); i += step) {
        if (QFileInfo(m_pictures.at(i)).isFile())
            return i;
    }
    return -1;
}

void WallpaperHistory::load()
{
    QFile file(m_file);
    if (!file.exists())
        return;
    QJsonParseError error {};
    const QJsonDocument document = file.open(QIODevice::ReadOnly) && file.size() <= kMaxFileSize
        ? QJsonDocument::fromJson(file.readAll(), &error)
        : QJsonDocument();
    const QJsonArray pictures = document.object().value(QStringLiteral("pictures")).toArray();
    for (const QJsonValue &picture : pictures) {
        if (!picture.toString().isEmpty())
            m_pictures.append(picture.toString());
    }
    if (!document.isObject() || m_pictures.size() != pictures.size()) {
        qWarning().noquote() << "Wallpaper history unreadable, starting an empty one:" << m_file
                             << (error.error != QJsonParseError::NoError ? error.errorString() : file.errorString());
        m_pictures.clear();
        return;
    }
    const int dropped = qMax(0, m_pictures.size() - kLimit);
    const int position = document.object().value(QStringLiteral("position")).toInt(m_pictures.size() - 1);
    m_pictures = m_pictures.mid(dropped);
    m_position = qBound(m_pictures.isEmpty() ? -1 : 0, position - dropped, m_pictures.size() - 1);
}

void WallpaperHistory::save() const
{
    QJsonObject root;
    root.insert(QStringLiteral("position"), m_position);
    root.insert(QStringLiteral("pictures"), QJsonArray::fromStringList(m_pictures));
    QSaveFile file(m_file);
    QString error;
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson()) < 0
        || !platform::commitFile(file, &error))
        qWarning().noquote() << "Cannot write the wallpaper history" << m_file << ":"
                             << (error.isEmpty() ? file.errorString() : error);
}
