#include "CUElidedLabel.h"

#include <apps/desktopclient/PlainText.h>

#include <QEvent>
#include <QFontMetrics>

CUElidedLabel::CUElidedLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void CUElidedLabel::setFullText(const QString &text)
{
    m_fullText = text;
    setToolTip(PlainText::toolTip(text));
    elide();
}

QSize CUElidedLabel::minimumSizeHint() const
{
    return QSize(0, QLabel::minimumSizeHint().height());
}

QSize CUElidedLabel::sizeHint() const
{
    // The whole text where there is room for it.
    const int margins = QLabel::sizeHint().width() - fontMetrics().horizontalAdvance(text());
    return QSize(fontMetrics().horizontalAdvance(m_fullText) + margins, QLabel::sizeHint().height());
}

void CUElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    elide();
}

void CUElidedLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    // A style sheet may set the font after the text.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        elide();
}

void CUElidedLabel::elide()
{
    // What the label's frame, margins and style sheet padding take.
    const int margins = QLabel::sizeHint().width() - fontMetrics().horizontalAdvance(text());
    const QString shown = fontMetrics().elidedText(m_fullText, Qt::ElideRight, qMax(0, width() - margins));
    if (shown != text())
        setText(shown);
}
