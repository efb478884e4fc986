#pragma once

#include <QAbstractTableModel>
#include <QStringList>

class ImageStore;

// The check list of playlists: one row per name, checked when the playlist
// is active. Checking a row stores the flag at once.
class PlaylistsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit PlaylistsModel(const QStringList &names, QObject *parent = nullptr);
    PlaylistsModel(const QStringList &names, ImageStore *store, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Only the check state is stored; every call answers true.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    ImageStore *store() const { return m_store; }

signals:
    void editCompleted(bool active);
    void playlistsChanged_Signal();

private:
    QStringList m_names;
    ImageStore *m_store;
};
