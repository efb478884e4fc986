#include "CUClickableLabel.h"

#include <QMouseEvent>

CUClickableLabel::CUClickableLabel(QWidget *parent)
    : QLabel(parent)
{
}

void CUClickableLabel::mousePressEvent(QMouseEvent *event)
{
    // Accepting the press makes this label receive the matching release.
    event->accept();
}

void CUClickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    // A release dragged off the label is no click.
    if (rect().contains(event->pos()))
        emit clicked();
    event->accept();
}
