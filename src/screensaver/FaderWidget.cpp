#include "FaderWidget.h"

#include <QPainter>
#include <QTimer>

FaderWidget::FaderWidget(QWidget *parent)
    : QWidget(parent)
    , m_timer(new QTimer(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    // Input belongs to the window below, which decides when to close.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    if (parent)
        resize(parent->size());
    connect(m_timer, &QTimer::timeout, this, &FaderWidget::step);
}

void FaderWidget::setFadeDuration(int milliseconds)
{
    m_fadeDuration = qBound(1, milliseconds, kMaxFadeDuration);
}

int FaderWidget::stepSize() const
{
    return kTickMs * 255 / m_fadeDuration;
}

void FaderWidget::fadeIn()
{
    start(-1, 255);
}

void FaderWidget::fadeOut()
{
    start(+1, 0);
}

void FaderWidget::start(int direction, int alpha)
{
    if (parentWidget())
        resize(parentWidget()->size());
    m_direction = direction;
    m_alpha = alpha;
    m_timer->start(kTickMs);
    show();
}

void FaderWidget::step()
{
    if (m_direction == 0)
        return;
    m_alpha += m_direction * stepSize();
    if (m_alpha > 0 && m_alpha < 255) {
        update();
        return;
    }
    const bool fadedOut = m_direction > 0;
    m_timer->stop();
    m_direction = 0;
    hide();
    if (fadedOut)
        emit fadedOut_Signal();
    else
        emit fadedIn_Signal();
}

void FaderWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QColor color = m_fadeColor;
    color.setAlpha(qBound(0, m_alpha, 255));
    painter.fillRect(rect(), color);
}
