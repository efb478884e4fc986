#pragma once

#include <QListWidget>

// A picture list whose drags carry the pictures' addresses as a URL list,
// so that the playlist strip can take them.
class CAListWidget : public QListWidget
{
    Q_OBJECT

public:
    explicit CAListWidget(QWidget *parent = nullptr);

protected:
    void dragMoveEvent(QDragMoveEvent *event) override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QList<QListWidgetItem *> items) const override;
};
