#include "HowlDialog.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>

namespace {
QFont noticeFont(int points, bool bold)
{
    QFont font(QStringLiteral("Lucida Sans Unicode"), points);
    font.setBold(bold);
    return font;
}

// The headline is the notice's own text and shows whole: where its font is
// missing, a wider one stands in and would cut it, so it gets smaller instead.
void shrinkToFit(QLabel *label, qreal smallestPoints)
{
    QFont font = label->font();
    while (font.pointSizeF() - 0.5 >= smallestPoints
        && QFontMetrics(font).horizontalAdvance(label->text()) > label->width())
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
}
} // namespace

HowlDialog::HowlDialog(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_headline(new QLabel(this))
    , m_picture(new QLabel(this))
    , m_title(new QLabel(this))
{
    setObjectName(QStringLiteral("HowlDialog"));
    // One notice a day: it goes when it is closed.
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kWidth, kHeight);

    m_headline->setObjectName(QStringLiteral("newPhotosLabel"));
    m_headline->setGeometry(105, 10, 141, 16);
    m_headline->setFont(noticeFont(9, true));

    m_picture->setObjectName(QStringLiteral("pictureLabel"));
    m_picture->setGeometry(5, 5, 90, 54);
    m_picture->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_title->setObjectName(QStringLiteral("titleLabel"));
    m_title->setGeometry(105, 30, 141, 16);
    m_title->setFont(noticeFont(8, false));
    for (QLabel *label : { m_headline, m_title })
        label->setTextFormat(Qt::PlainText);
}

void HowlDialog::showNotice(const QImage &thumbnail, const QString &title)
{
    if (!thumbnail.isNull())
        m_picture->setPixmap(QPixmap::fromImage(
            thumbnail.scaled(m_picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_title->setText(title + QStringLiteral(" ... "));
    m_headline->setText(tr("Today's New Photos!"));
    m_headline->setFont(noticeFont(9, true));
    shrinkToFit(m_headline, 6);

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(noticePosition(screen->geometry()));
    showNormal();
    raise();
    activateWindow();
}

QPoint HowlDialog::noticePosition(const QRect &screen)
{
    return QPoint(screen.x() + screen.width() - (kWidth + 32), screen.y() + screen.height() - (kHeight + 64));
}

QString HowlDialog::titleText() const
{
    return m_title->text();
}

QString HowlDialog::headlineText() const
{
    return m_headline->text();
}

void HowlDialog::mouseReleaseEvent(QMouseEvent *)
{
    emit clicked_Signal();
    close();
}
