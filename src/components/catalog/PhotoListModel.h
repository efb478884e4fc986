#pragma once

#include <QAbstractListModel>
#include <QSet>
#include <QStringList>

// The photos of the shown playlist as paths, one row each, or the single
// "+" placeholder row of an empty playlist. Drags carry the photos as a
// URL list, so the playlist strip can take them.
class PhotoListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    // The placeholder row's PlaylistDrop::kItemRole text.
    static const QString kPlaceholder; // "empty-flag"

    using QAbstractListModel::QAbstractListModel;

    // Appends the paths not listed yet (listings of one folder may overlap).
    void append(const QStringList &paths);
    // Shows the placeholder when no photo is listed.
    void setPlaceholder();
    void clear();

    bool showsPlaceholder() const { return m_placeholder; }
    const QStringList &paths() const { return m_paths; }
    QString pathAt(const QModelIndex &index) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;

private:
    QStringList m_paths;
    QSet<QString> m_listed;
    bool m_placeholder = false;
};
