#include "PhotoRenderer.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <cmath>

namespace fotoria::service {

namespace {

QColor mix(const QColor &a, const QColor &b, double t)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                            a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t,
                            a.alphaF() + (b.alphaF() - a.alphaF()) * t);
}

QColor hsv(double h, double s, double v, double a = 1.0)
{
    h = std::fmod(h, 360.0);
    if (h < 0)
        h += 360.0;
    return QColor::fromHsvF(h / 360.0, qBound(0.0, s, 1.0), qBound(0.0, v, 1.0), a);
}

class Painter
{
public:
    Painter(QImage &image, quint32 seed) : m_image(image), m_p(&image), m_rng(seed)
    {
        m_p.setRenderHint(QPainter::Antialiasing);
        m_w = image.width();
        m_h = image.height();
    }

    double r(double lo, double hi) { return lo + (hi - lo) * m_rng.generateDouble(); }

    void sky(const QColor &top, const QColor &horizon, double horizonY)
    {
        QLinearGradient g(0, 0, 0, m_h * horizonY);
        g.setColorAt(0, top);
        g.setColorAt(1, horizon);
        m_p.fillRect(QRectF(0, 0, m_w, m_h), g);
    }

    void glow(double x, double y, double radius, const QColor &core, double alpha)
    {
        QRadialGradient g(QPointF(m_w * x, m_h * y), m_w * radius);
        QColor c = core;
        c.setAlphaF(alpha);
        g.setColorAt(0, c);
        c.setAlphaF(alpha * 0.35);
        g.setColorAt(0.25, c);
        c.setAlphaF(0);
        g.setColorAt(1, c);
        m_p.fillRect(QRectF(0, 0, m_w, m_h), g);
    }

    void disc(double x, double y, double radius, const QColor &color)
    {
        m_p.setPen(Qt::NoPen);
        m_p.setBrush(color);
        m_p.drawEllipse(QPointF(m_w * x, m_h * y), m_w * radius, m_w * radius);
    }

    // A ridge line by midpoint displacement, filled down to the bottom edge.
    void ridge(double baseY, double roughness, const QColor &top, const QColor &bottom)
    {
        const int n = 129;
        QVector<double> ys(n, baseY);
        ys[0] = baseY + r(-roughness, roughness);
        ys[n - 1] = baseY + r(-roughness, roughness);
        double amp = roughness;
        for (int step = (n - 1) / 2; step >= 1; step /= 2) {
            for (int i = step; i < n - 1; i += 2 * step)
                ys[i] = (ys[i - step] + ys[i + step]) / 2 + r(-amp, amp);
            amp *= 0.55;
        }
        QPainterPath path(QPointF(0, m_h));
        for (int i = 0; i < n; ++i)
            path.lineTo(m_w * double(i) / (n - 1), m_h * ys[i]);
        path.lineTo(m_w, m_h);
        path.closeSubpath();
        QLinearGradient g(0, m_h * (baseY - roughness), 0, m_h);
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        m_p.setPen(Qt::NoPen);
        m_p.setBrush(g);
        m_p.drawPath(path);
    }

    void water(double horizonY, const QColor &top, const QColor &bottom, double sunX, const QColor &sun)
    {
        QLinearGradient g(0, m_h * horizonY, 0, m_h);
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        m_p.fillRect(QRectF(0, m_h * horizonY, m_w, m_h * (1 - horizonY)), g);
        m_p.setPen(Qt::NoPen);
        for (int i = 0; i < 140; ++i) {
            const double y = horizonY + (1 - horizonY) * std::pow(r(0, 1), 1.6);
            const double spread = 0.02 + (y - horizonY) * 0.5;
            QColor c = sun;
            c.setAlphaF(r(0.08, 0.35) * (1.2 - (y - horizonY)));
            m_p.setBrush(c);
            m_p.drawRoundedRect(QRectF(m_w * (sunX + r(-spread, spread)), m_h * y,
                                       m_w * r(0.01, 0.08), m_h * r(0.002, 0.006)),
                                2, 2);
        }
    }

    void stars(int count, double maxY)
    {
        m_p.setPen(Qt::NoPen);
        for (int i = 0; i < count; ++i) {
            const double size = std::pow(r(0, 1), 6) * 2.2 + 0.6;
            m_p.setBrush(QColor::fromRgbF(1, 1, r(0.85, 1), r(0.3, 1)));
            m_p.drawEllipse(QPointF(m_w * r(0, 1), m_h * r(0, maxY)), size * m_w / 1920,
                            size * m_w / 1920);
        }
    }

    void city(double baseY, const QColor &body, double litChance, int count)
    {
        m_p.setPen(Qt::NoPen);
        double x = -0.02;
        while (x < 1.02) {
            const double bw = r(0.03, 0.09) * (40.0 / count);
            const double top = baseY - r(0.05, 0.4);
            m_p.setBrush(body);
            const QRectF rect(m_w * x, m_h * top, m_w * bw, m_h * (1 - top));
            m_p.drawRect(rect);
            const double wx = m_w * 0.006, wy = m_h * 0.012;
            for (double yy = rect.top() + wy; yy < m_h - wy; yy += wy * 1.9) {
                for (double xx = rect.left() + wx; xx < rect.right() - wx; xx += wx * 1.8) {
                    if (r(0, 1) < litChance) {
                        m_p.setBrush(hsv(r(38, 52), r(0.4, 0.8), r(0.75, 1), r(0.6, 1)));
                        m_p.drawRect(QRectF(xx, yy, wx, wy));
                    }
                }
            }
            x += bw + r(0.0, 0.01);
        }
    }

    void pines(double baseY, double height, const QColor &color, int count)
    {
        m_p.setPen(Qt::NoPen);
        m_p.setBrush(color);
        for (int i = 0; i < count; ++i) {
            const double x = r(-0.02, 1.02);
            const double h = height * r(0.6, 1.3);
            const double y = baseY + r(-0.02, 0.03);
            const double w = h * r(0.18, 0.26) * m_h / m_w;
            QPainterPath tree;
            for (int tier = 0; tier < 3; ++tier) {
                const double ty = y - h * (0.3 + tier * 0.27);
                const double tw = w * (1.0 - tier * 0.25);
                tree.moveTo(m_w * (x - tw), m_h * (ty + h * 0.36));
                tree.lineTo(m_w * x, m_h * (ty - h * 0.2));
                tree.lineTo(m_w * (x + tw), m_h * (ty + h * 0.36));
                tree.closeSubpath();
            }
            tree.addRect(QRectF(m_w * (x - w * 0.08), m_h * (y - h * 0.1), m_w * w * 0.16, m_h * (1 - y + h * 0.1)));
            m_p.drawPath(tree);
        }
    }

    void dunes(double baseY, const QColor &light, const QColor &shade, int layers)
    {
        for (int l = 0; l < layers; ++l) {
            const double y0 = baseY + l * (1 - baseY) / layers;
            const double amp = r(0.02, 0.06);
            const double freq = r(1.0, 2.5);
            const double phase = r(0, 6.28);
            QPainterPath path(QPointF(0, m_h));
            for (int i = 0; i <= 96; ++i) {
                const double t = i / 96.0;
                const double y = y0 + amp * std::sin(t * freq * 6.28 + phase) + amp * 0.4 * std::sin(t * freq * 17 + phase);
                path.lineTo(m_w * t, m_h * y);
            }
            path.lineTo(m_w, m_h);
            path.closeSubpath();
            QLinearGradient g(m_w * 0.2, m_h * y0, m_w * 0.8, m_h);
            const double depth = double(l) / layers;
            g.setColorAt(0, mix(light, shade, depth * 0.4));
            g.setColorAt(1, mix(shade, Qt::black, depth * 0.3));
            m_p.setPen(Qt::NoPen);
            m_p.setBrush(g);
            m_p.drawPath(path);
        }
    }

    void aurora(double hue)
    {
        m_p.setPen(Qt::NoPen);
        for (int i = 0; i < 260; ++i) {
            const double t = i / 260.0;
            const double x = t + 0.05 * std::sin(t * 9 + hue);
            const double top = 0.12 + 0.12 * std::sin(t * 5 + hue * 0.1) + r(0, 0.04);
            QLinearGradient g(0, m_h * top, 0, m_h * (top + 0.45));
            g.setColorAt(0, hsv(hue + 140, 0.7, 0.9, 0));
            g.setColorAt(0.5, hsv(hue + 120 * t, 0.8, 1, r(0.05, 0.14)));
            g.setColorAt(1, hsv(hue, 0.8, 0.6, 0));
            m_p.setBrush(g);
            m_p.drawRect(QRectF(m_w * x, m_h * top, m_w * 0.012, m_h * 0.45));
        }
    }

    void shapes(double baseHue, int count)
    {
        m_p.setPen(Qt::NoPen);
        for (int i = 0; i < count; ++i) {
            const QPointF c(m_w * r(0, 1), m_h * r(0, 1));
            const double radius = m_w * r(0.05, 0.35);
            QRadialGradient g(c, radius);
            g.setColorAt(0, hsv(baseHue + r(-60, 60), r(0.5, 0.9), r(0.7, 1), r(0.3, 0.7)));
            g.setColorAt(1, hsv(baseHue + r(-60, 60), r(0.5, 0.9), r(0.4, 0.9), 0));
            m_p.setBrush(g);
            if (i % 3 == 0) {
                m_p.save();
                m_p.translate(c);
                m_p.rotate(r(0, 90));
                m_p.drawRoundedRect(QRectF(-radius, -radius * 0.6, radius * 2, radius * 1.2), radius * 0.2, radius * 0.2);
                m_p.restore();
            } else {
                m_p.drawEllipse(c, radius, radius);
            }
        }
    }

    void bokeh(double hue, int count)
    {
        m_p.setPen(Qt::NoPen);
        for (int i = 0; i < count; ++i) {
            const QPointF c(m_w * r(0, 1), m_h * r(0, 1));
            const double radius = m_w * r(0.01, 0.06);
            QRadialGradient g(c, radius);
            const QColor col = hsv(hue + r(-40, 40), r(0.3, 0.8), 1, r(0.15, 0.45));
            g.setColorAt(0, col);
            g.setColorAt(0.85, col);
            QColor edge = col;
            edge.setAlphaF(0);
            g.setColorAt(1, edge);
            m_p.setBrush(g);
            m_p.drawEllipse(c, radius, radius);
        }
    }

    void vignette()
    {
        QRadialGradient g(QPointF(m_w / 2.0, m_h / 2.0), m_w * 0.75);
        g.setColorAt(0.45, QColor(0, 0, 0, 0));
        g.setColorAt(1, QColor(0, 0, 0, 110));
        m_p.fillRect(QRectF(0, 0, m_w, m_h), g);
    }

    // Film grain: what makes the JPEG behave like a photo, not a flat drawing.
    void grain(int amount)
    {
        m_p.end();
        quint32 state = m_rng.generate() | 1u;
        for (int y = 0; y < m_h; ++y) {
            QRgb *line = reinterpret_cast<QRgb *>(m_image.scanLine(y));
            for (int x = 0; x < m_w; ++x) {
                state ^= state << 13;
                state ^= state >> 17;
                state ^= state << 5;
                const int n = int(state % unsigned(2 * amount + 1)) - amount;
                const QRgb p = line[x];
                line[x] = qRgb(qBound(0, qRed(p) + n, 255), qBound(0, qGreen(p) + n, 255),
                               qBound(0, qBlue(p) + n, 255));
            }
        }
    }

    QPainter &painter() { return m_p; }

private:
    QImage &m_image;
    QPainter m_p;
    QRandomGenerator m_rng;
    int m_w = 0;
    int m_h = 0;
};

} // namespace

QImage renderPhoto(const Photo &photo, const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    Painter p(image, photo.seed);
    const double hueShift = p.r(-20, 20);

    switch (photo.scene) {
    case Scene::Mountains: {
        const bool dusk = photo.index % 3 == 2;
        p.sky(dusk ? hsv(250 + hueShift, 0.5, 0.35) : hsv(205 + hueShift, 0.55, 0.85),
              dusk ? hsv(25, 0.6, 0.95) : hsv(40 + hueShift, 0.25, 0.98), 0.62);
        const double sunX = p.r(0.2, 0.8);
        p.glow(sunX, 0.42, 0.5, dusk ? hsv(30, 0.7, 1) : hsv(50, 0.3, 1), 0.8);
        const QColor haze = dusk ? hsv(270, 0.3, 0.6) : hsv(210, 0.25, 0.8);
        const QColor deep = dusk ? hsv(250, 0.5, 0.12) : hsv(150 + hueShift, 0.5, 0.18);
        for (int l = 0; l < 5; ++l) {
            const double t = l / 4.0;
            p.ridge(0.42 + l * 0.11, 0.12 - l * 0.015, mix(haze, deep, t), mix(haze, deep, std::min(1.0, t + 0.3)));
        }
        break;
    }
    case Scene::Ocean: {
        const double sunX = p.r(0.3, 0.7);
        p.sky(hsv(215 + hueShift, 0.6, 0.55), hsv(28 + hueShift, 0.55, 1), 0.58);
        p.glow(sunX, 0.55, 0.45, hsv(35, 0.6, 1), 0.9);
        p.disc(sunX, 0.53, 0.035, hsv(45, 0.35, 1));
        p.ridge(0.56, 0.02, hsv(240, 0.3, 0.35), hsv(240, 0.3, 0.3));
        p.water(0.58, hsv(25 + hueShift, 0.4, 0.75), hsv(220, 0.6, 0.2), sunX, hsv(40, 0.4, 1));
        break;
    }
    case Scene::City: {
        p.sky(hsv(235 + hueShift, 0.7, 0.18), hsv(285 + hueShift, 0.45, 0.55), 0.75);
        p.glow(p.r(0.2, 0.8), 0.7, 0.6, hsv(320, 0.5, 0.9), 0.5);
        p.stars(120, 0.4);
        p.city(0.7, hsv(250, 0.35, 0.25), 0.12, 30);
        p.city(0.82, hsv(250, 0.4, 0.12), 0.3, 22);
        p.water(0.92, hsv(250, 0.4, 0.12), hsv(250, 0.5, 0.05), 0.5, hsv(45, 0.6, 1));
        break;
    }
    case Scene::Forest: {
        const bool autumn = photo.index % 3 == 2;
        p.sky(hsv(200 + hueShift, 0.35, 0.85), hsv(60, 0.15, 0.98), 0.6);
        p.glow(p.r(0.3, 0.7), 0.35, 0.5, hsv(55, 0.25, 1), 0.7);
        const double hue = autumn ? 28 : 135;
        p.ridge(0.5, 0.05, hsv(hue, 0.25, 0.6), hsv(hue, 0.3, 0.45));
        for (int l = 0; l < 4; ++l)
            p.pines(0.6 + l * 0.12, 0.25 + l * 0.12, hsv(hue + l * 4, 0.45 + l * 0.1, 0.5 - l * 0.11), 28 - l * 4);
        break;
    }
    case Scene::Desert: {
        p.sky(hsv(205 + hueShift, 0.5, 0.8), hsv(35, 0.45, 1), 0.55);
        const double sunX = p.r(0.2, 0.8);
        p.glow(sunX, 0.45, 0.4, hsv(40, 0.6, 1), 0.9);
        if (photo.index % 3 == 1)
            p.ridge(0.5, 0.06, hsv(15, 0.6, 0.55), hsv(10, 0.6, 0.4));
        p.dunes(0.58, hsv(35 + hueShift, 0.55, 0.95), hsv(20 + hueShift, 0.7, 0.45), 4);
        break;
    }
    case Scene::NightSky: {
        p.sky(hsv(230 + hueShift, 0.8, 0.08), hsv(225, 0.6, 0.3), 0.85);
        p.glow(p.r(0.3, 0.7), 0.4, 0.35, hsv(260, 0.3, 0.6), 0.35);
        p.stars(2200, 0.9);
        p.ridge(0.8, 0.06, hsv(230, 0.5, 0.08), hsv(230, 0.5, 0.04));
        break;
    }
    case Scene::Aurora: {
        p.sky(hsv(220, 0.8, 0.06), hsv(200, 0.6, 0.2), 0.85);
        p.stars(900, 0.8);
        p.aurora(110 + hueShift);
        p.ridge(0.78, 0.07, hsv(220, 0.5, 0.07), hsv(220, 0.5, 0.03));
        break;
    }
    case Scene::Abstract: {
        const double hue = p.r(0, 360);
        p.sky(hsv(hue, 0.6, 0.3), hsv(hue + 60, 0.6, 0.5), 1.0);
        p.shapes(hue, 26);
        break;
    }
    case Scene::Bokeh: {
        const double hue = 90 + p.r(-40, 80);
        p.sky(hsv(hue, 0.5, 0.35), hsv(hue + 30, 0.5, 0.6), 1.0);
        p.bokeh(hue + 200, 60);
        p.bokeh(hue, 90);
        break;
    }
    }
    p.vignette();
    p.grain(5);
    return image;
}

} // namespace fotoria::service
