#include "CAListWidget.h"

#include "PlaylistDrop.h"

#include <QDragMoveEvent>

CAListWidget::CAListWidget(QWidget *parent)
    : QListWidget(parent)
{
}

void CAListWidget::dragMoveEvent(QDragMoveEvent *event)
{
    event->acceptProposedAction();
}

QStringList CAListWidget::mimeTypes() const
{
    return { QStringLiteral("text/uri-list") };
}

QMimeData *CAListWidget::mimeData(const QList<QListWidgetItem *> items) const
{
    QStringList texts;
    for (const QListWidgetItem *item : items)
        texts.append(item->data(PlaylistDrop::kItemRole).toString());
    return PlaylistDrop::mimeDataFor(texts);
}
