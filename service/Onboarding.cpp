#include "Onboarding.h"

#include "PhotoCatalog.h"
#include "PhotoRenderer.h"

#include <QBuffer>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace fotoria::service {

namespace {

struct Slide {
    const char *title;
    const char *text;
    int photo;
};

const Slide kSlides[3] = {
    {"Welcome to Fotoria", "Beautiful photos for your desktop, fresh every day.", 0},
    {"Build your playlists", "Add the photos you love to playlists and switch them on or off.", 3},
    {"Wallpaper and screensaver", "Fotoria changes your wallpaper on a timer and plays\nyour playlists as a screensaver.", 16},
};

} // namespace

namespace {
const QSize kSize(760, 428);
} // namespace

void Onboarding::prepareText()
{
    for (int i = 0; i < 2 * 3; ++i) {
        const int n = i % 3;
        const int scale = i / 3 + 1;
        const Slide &slide = kSlides[n];
        QImage layer(kSize * scale, QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        QPainter p(&layer);
        p.scale(scale, scale);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);

        // A dark band at the bottom keeps the text readable on any photo.
        QLinearGradient shade(0, kSize.height() * 0.45, 0, kSize.height());
        shade.setColorAt(0, QColor(0, 0, 0, 0));
        shade.setColorAt(1, QColor(0, 0, 0, 190));
        p.fillRect(QRect(QPoint(), kSize), shade);

        QFont title(QStringLiteral("DejaVu Sans"));
        title.setPixelSize(34);
        title.setBold(true);
        p.setFont(title);
        p.setPen(Qt::white);
        p.drawText(QRect(40, kSize.height() - 150, kSize.width() - 80, 50), Qt::AlignLeft | Qt::AlignBottom,
                   QString::fromUtf8(slide.title));

        QFont body(QStringLiteral("DejaVu Sans"));
        body.setPixelSize(18);
        p.setFont(body);
        p.setPen(QColor(235, 235, 235));
        p.drawText(QRect(40, kSize.height() - 94, kSize.width() - 80, 60), Qt::AlignLeft | Qt::AlignTop,
                   QString::fromUtf8(slide.text));

        // Page dots.
        for (int i = 0; i < 3; ++i) {
            p.setPen(Qt::NoPen);
            p.setBrush(i == n ? QColor(255, 255, 255) : QColor(255, 255, 255, 90));
            p.drawEllipse(QPointF(kSize.width() - 90 + i * 22, kSize.height() - 36), 5, 5);
        }
        p.end();
        m_text[i] = layer;
    }
}

QByteArray Onboarding::picture(int number, int scale)
{
    if (number < 1 || number > 3 || scale < 1 || scale > 2)
        return QByteArray();
    const int i = (scale - 1) * 3 + number - 1;
    std::lock_guard<std::mutex> lock(m_mutex);
    QByteArray &png = m_png[i];
    if (png.isEmpty()) {
        static const PhotoCatalog catalog;
        QImage image = renderPhoto(catalog.photos().at(kSlides[number - 1].photo), kSize * scale);
        QPainter p(&image);
        p.drawImage(0, 0, m_text[i]);
        p.end();
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    return png;
}

} // namespace fotoria::service
