#include "CAPlayListListWidget.h"

#include "PlaylistDrop.h"

#include <QDebug>
#include <QDragEnterEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QScrollBar>

CAPlayListListWidget::CAPlayListListWidget(QWidget *parent)
    : QListWidget(parent)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

void CAPlayListListWidget::dragEnterEvent(QDragEnterEvent *event)
{
    event->acceptProposedAction();
    m_hoverRow = -1;
}

void CAPlayListListWidget::dragMoveEvent(QDragMoveEvent *event)
{
    event->acceptProposedAction();
    // The answer box starts as the pixel under the pointer: the position in
    // a form Qt 5 and Qt 6 both keep.
    const int row = PlaylistDrop::hoverRow(horizontalScrollBar()->value(), event->answerRect().x(),
        horizontalScrollMode() == QAbstractItemView::ScrollPerPixel);
    if (row == m_hoverRow)
        return;
    m_hoverRow = row;
    const QModelIndex index = model()->index(row, 0);
    if (!index.isValid())
        return;
    // Selecting the tile under the pointer lets the main window show that
    // playlist while the user still drags.
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    emit selectCategory_Signal(index);
}

void CAPlayListListWidget::dragLeaveEvent(QDragLeaveEvent *event)
{
    event->accept();
}

void CAPlayListListWidget::dropEvent(QDropEvent *event)
{
    const QMimeData *data = event->mimeData();
    qDebug() << "CAPlayListListWidget::dropEvent(), text:" << data->text();
    qDebug() << "CAPlayListListWidget::dropEvent(), urls:" << data->urls();
    qDebug() << "CAPlayListListWidget::dropEvent(), formats:" << data->formats();
    qDebug() << "CAPlayListListWidget::dropEvent(), image data:" << data->hasImage();

    const PlaylistDrop::Plan plan = PlaylistDrop::plan(*data, m_pendingPath);
    if (plan.kind == PlaylistDrop::Kind::Refused) {
        event->ignore();
        return;
    }
    m_hoverRow = -1;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (plan.pendingUsed)
        m_pendingPath.clear();

    if (plan.kind == PlaylistDrop::Kind::Folder) {
        if (askFolder(plan.folder))
            emit addFolderToUser_Signal(plan.folder);
        return;
    }
    if (plan.kind != PlaylistDrop::Kind::Pictures || count() == 0)
        return;
    const QList<QListWidgetItem *> selected = selectedItems();
    const int row = selected.isEmpty() ? 0 : this->row(selected.first());
    setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    const QString name = item(row)->data(PlaylistDrop::kItemRole).toString();
    emit addImagesToUser_Signal(name, plan.urls);
}

bool CAPlayListListWidget::askFolder(const QString &folder)
{
    if (m_folderQuestion)
        return m_folderQuestion(folder);
    return QMessageBox::question(this, tr("Copy to Playlist."), tr("Copy these photos to a new Playlist?"),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

QStringList CAPlayListListWidget::mimeTypes() const
{
    return { QStringLiteral("text/uri-list") };
}

QMimeData *CAPlayListListWidget::mimeData(Items items) const
{
    QStringList texts;
    for (const QListWidgetItem *item : items)
        texts.append(item->data(PlaylistDrop::kItemRole).toString());
    return PlaylistDrop::mimeDataFor(texts);
}
