#include "CAListWidget.h"

#include "PhotoClick.h"
#include "PhotoListModel.h"
#include "PhotoTileDelegate.h"
#include "PlaylistDrop.h"
#include "TileThumbnails.h"

#include <QDragMoveEvent>
#include <QKeyEvent>

#include <algorithm>

CAListWidget::CAListWidget(QWidget *parent)
    : QListView(parent)
    , m_photos(new PhotoListModel(this))
    , m_thumbnails(new TileThumbnails(this))
    , m_tiles(new PhotoTileDelegate(m_thumbnails, this))
{
    // List mode with uniform sizes lays 20,000 rows out in a few
    // milliseconds; icon mode keeps a position per item.
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setUniformItemSizes(true);
    setSpacing(4);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    setModel(m_photos);
    setItemDelegate(m_tiles);

    connect(m_thumbnails, &TileThumbnails::ready, viewport(), qOverload<>(&QWidget::update));
    connect(m_tiles, &PhotoTileDelegate::buttonClicked_Signal, this, &CAListWidget::report);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        report(m_photos->pathAt(index), QStringLiteral("show"));
    });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        if (index.data(PlaylistDrop::kItemRole).toString() == PhotoListModel::kPlaceholder)
            emit addPhotos_Signal();
    });
    // Another playlist: the pictures asked for are no longer wanted.
    connect(m_photos, &QAbstractItemModel::modelReset, m_thumbnails, &TileThumbnails::forgetPending);
}

QStringList CAListWidget::selectedPaths() const
{
    QModelIndexList rows = selectionModel()->selectedIndexes();
    std::sort(rows.begin(), rows.end());
    QStringList paths;
    for (const QModelIndex &index : std::as_const(rows)) {
        const QString path = m_photos->pathAt(index);
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

void CAListWidget::report(const QString &path, const QString &action)
{
    if (const auto click = PhotoClick::from(path))
        emit photoClicked_Signal(click->channel, click->uuid, click->url, action);
}

void CAListWidget::dragMoveEvent(QDragMoveEvent *event)
{
    event->acceptProposedAction();
}

void CAListWidget::keyPressEvent(QKeyEvent *event)
{
    // Enter opens the photo with the focus, as a double-click does.
    const QModelIndex current = currentIndex();
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && current.isValid()) {
        if (current.data(PlaylistDrop::kItemRole).toString() == PhotoListModel::kPlaceholder)
            emit addPhotos_Signal();
        else
            report(m_photos->pathAt(current), QStringLiteral("show"));
        return;
    }
    if (event->key() == Qt::Key_Delete && !selectedPaths().isEmpty()) {
        emit deleteSelected_Signal();
        return;
    }
    QListView::keyPressEvent(event);
}

void CAListWidget::scrollContentsBy(int dx, int dy)
{
    // Only the tiles now shown ask again; the whole view repaints so that
    // none of them is left out.
    m_thumbnails->forgetPending();
    QListView::scrollContentsBy(dx, dy);
    viewport()->update();
}
