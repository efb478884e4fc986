#pragma once

#include <QColor>
#include <QWidget>

class QTimer;

// A plain-colour overlay that fades a picture from or to black. Each timer
// tick advances the opacity one step and asks for a paint, so a fade is a
// fixed number of steps whatever the paint rate, and it ends also when
// nothing is painted at all (a hidden window, an empty overlay).
class FaderWidget : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor fadeColor READ fadeColor WRITE setFadeColor)
    Q_PROPERTY(int fadeDuration READ fadeDuration WRITE setFadeDuration)

public:
    explicit FaderWidget(QWidget *parent);

    QColor fadeColor() const { return m_fadeColor; }
    void setFadeColor(const QColor &color) { m_fadeColor = color; }

    // Milliseconds of one fade. Kept within 1 .. kMaxFadeDuration: a longer
    // one would make the per-step change 0 and the fade never end.
    int fadeDuration() const { return m_fadeDuration; }
    void setFadeDuration(int milliseconds);

    // Overlay vanishing (picture appears) / growing (picture goes to black).
    void fadeIn();
    void fadeOut();

    int alpha() const { return m_alpha; }
    // -1 fading in, +1 fading out, 0 idle.
    int direction() const { return m_direction; }
    // Opacity change per step.
    int stepSize() const;
    // One step of the running fade (what each timer tick does).
    void step();

    static constexpr int kTickMs = 33;
    static constexpr int kMaxFadeDuration = kTickMs * 255;

signals:
    void fadedOut_Signal();
    void fadedIn_Signal();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void start(int direction, int alpha);

    QColor m_fadeColor = Qt::black;
    int m_fadeDuration = 2000;
    QTimer *m_timer = nullptr;
    int m_alpha = 0;
    int m_direction = 0;
};
