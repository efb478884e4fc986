#include "PhotoListModel.h"

#include "PlaylistDrop.h"

#include <QFileInfo>

#include <algorithm>

const QString PhotoListModel::kPlaceholder = QStringLiteral("empty-flag");

void PhotoListModel::append(const QStringList &paths)
{
    QStringList fresh;
    for (const QString &path : paths) {
        if (!m_listed.contains(path))
            fresh.append(path);
        m_listed.insert(path);
    }
    if (fresh.isEmpty())
        return;
    if (m_placeholder) {
        beginRemoveRows(QModelIndex(), 0, 0);
        m_placeholder = false;
        endRemoveRows();
    }
    beginInsertRows(QModelIndex(), m_paths.size(), m_paths.size() + fresh.size() - 1);
    m_paths.append(fresh);
    endInsertRows();
}

void PhotoListModel::setPlaceholder()
{
    if (!m_paths.isEmpty() || m_placeholder)
        return;
    beginInsertRows(QModelIndex(), 0, 0);
    m_placeholder = true;
    endInsertRows();
}

void PhotoListModel::clear()
{
    beginResetModel();
    m_paths.clear();
    m_listed.clear();
    m_placeholder = false;
    endResetModel();
}

QString PhotoListModel::pathAt(const QModelIndex &index) const
{
    if (m_placeholder || !index.isValid() || index.row() >= m_paths.size())
        return QString();
    return m_paths.at(index.row());
}

int PhotoListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : (m_placeholder ? 1 : m_paths.size());
}

QVariant PhotoListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const QString path = m_placeholder ? kPlaceholder : m_paths.at(index.row());
    switch (role) {
    case PlaylistDrop::kItemRole:
        return path;
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return m_placeholder ? QStringLiteral("Add photos") : QFileInfo(path).fileName();
    default:
        return QVariant();
    }
}

Qt::ItemFlags PhotoListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (m_placeholder)
        return Qt::ItemIsEnabled; // clicked, never selected
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList PhotoListModel::mimeTypes() const
{
    return { QStringLiteral("text/uri-list") };
}

QMimeData *PhotoListModel::mimeData(const QModelIndexList &indexes) const
{
    QModelIndexList rows = indexes;
    std::sort(rows.begin(), rows.end());
    QStringList paths;
    for (const QModelIndex &index : std::as_const(rows)) {
        const QString path = pathAt(index);
        if (!path.isEmpty())
            paths.append(path);
    }
    return PlaylistDrop::mimeDataFor(paths);
}

Qt::DropActions PhotoListModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}
