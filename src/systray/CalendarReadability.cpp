#include "CalendarReadability.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

int luma(QRgb p)
{
    return (qRed(p) * 54 + qGreen(p) * 183 + qBlue(p) * 19) >> 8;
}

qreal linear(int channel)
{
    const qreal c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

qreal relativeLuminance(const QColor &c)
{
    return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
}

QColor meanColor(const QImage &picture, const QRect &area)
{
    qint64 r = 0, g = 0, b = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            r += qRed(line[x]);
            g += qGreen(line[x]);
            b += qBlue(line[x]);
        }
    }
    const qint64 n = qMax<qint64>(1, qint64(area.width()) * area.height());
    return QColor(int(r / n), int(g / n), int(b / n));
}

QColor mix(const QColor &under, const QColor &over, qreal alpha)
{
    return QColor(qRound(under.red() * (1 - alpha) + over.red() * alpha),
        qRound(under.green() * (1 - alpha) + over.green() * alpha),
        qRound(under.blue() * (1 - alpha) + over.blue() * alpha));
}

} // namespace

namespace CalendarReadability {

qreal detail(const QImage &picture, const QRect &area)
{
    const QRect inside = area & picture.rect();
    if (inside.width() < 2 || inside.height() < 2)
        return 0;
    qint64 sum = 0;
    for (int y = inside.top(); y < inside.bottom(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        const QRgb *below = reinterpret_cast<const QRgb *>(picture.constScanLine(y + 1));
        for (int x = inside.left(); x < inside.right(); ++x) {
            const int here = luma(line[x]);
            sum += qAbs(here - luma(line[x + 1])) + qAbs(here - luma(below[x]));
        }
    }
    return qreal(sum) / (2.0 * (inside.width() - 1) * (inside.height() - 1));
}

qreal contrast(const QColor &a, const QColor &b)
{
    const qreal la = relativeLuminance(a);
    const qreal lb = relativeLuminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QColor textColor(const QImage &calendar)
{
    const QImage pixels = calendar.convertToFormat(QImage::Format_ARGB32);
    std::vector<QRgb> inked;
    for (int y = 0; y < pixels.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            if (qAlpha(line[x]) >= 230)
                inked.push_back(line[x]);
        }
    }
    if (inked.empty())
        return Qt::white;
    const auto darker = [](QRgb a, QRgb b) { return luma(a) < luma(b); };
    // Most inked pixels are text; its own colour is at the far end, the
    // rest being its smoothed edges and the odd coloured mark.
    std::nth_element(inked.begin(), inked.begin() + inked.size() / 2, inked.end(), darker);
    const bool light = luma(inked[inked.size() / 2]) >= 128;
    const QRgb end = light ? *std::max_element(inked.begin(), inked.end(), darker)
                           : *std::min_element(inked.begin(), inked.end(), darker);
    return QColor(qRed(end), qGreen(end), qBlue(end));
}

bool paintPlate(QImage *picture, const QRect &area, const QColor &text, qreal radius)
{
    const QRect inside = area & picture->rect();
    if (inside.isEmpty())
        return false;
    const QColor under = meanColor(*picture, inside);
    if (contrast(text, under) >= kMinimumContrast)
        return false;
    const QColor plate = contrast(text, Qt::black) >= contrast(text, Qt::white) ? Qt::black : Qt::white;
    qreal alpha = 0.3;
    while (alpha < 0.85 && contrast(text, mix(under, plate, alpha)) < kMinimumContrast)
        alpha += 0.05;
    QColor fill = plate;
    fill.setAlphaF(alpha);
    QPainter painter(picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(area, radius, radius);
    return true;
}

} // namespace CalendarReadability
