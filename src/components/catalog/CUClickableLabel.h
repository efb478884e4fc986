#pragma once

#include <QLabel>

// A label that reports a click: a mouse button released over it.
class CUClickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit CUClickableLabel(QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
