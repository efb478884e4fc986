#include "PlaylistsModel.h"

#include "ImageStore.h"

PlaylistsModel::PlaylistsModel(const QStringList &names, QObject *parent)
    : PlaylistsModel(names, ImageStore::instance(), parent)
{
}

PlaylistsModel::PlaylistsModel(const QStringList &names, ImageStore *store, QObject *parent)
    : QAbstractTableModel(parent)
    , m_names(names)
    , m_store(store)
{
}

int PlaylistsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_names.size();
}

int PlaylistsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant PlaylistsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_names.size())
        return QVariant();
    const QString &name = m_names.at(index.row());
    if (role == Qt::DisplayRole)
        return name;
    if (role == Qt::CheckStateRole)
        return m_store->isActive(name) ? Qt::Checked : Qt::Unchecked;
    return QVariant();
}

bool PlaylistsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= m_names.size())
        return true;
    const bool active = value.toBool();
    m_store->setActive(m_names.at(index.row()), active);
    emit dataChanged(index, index, { Qt::CheckStateRole });
    emit editCompleted(active);
    emit playlistsChanged_Signal();
    return true;
}

Qt::ItemFlags PlaylistsModel::flags(const QModelIndex &index) const
{
    return QAbstractTableModel::flags(index) | Qt::ItemIsUserCheckable | Qt::ItemIsEditable;
}
