#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

class QLabel;

// The small frameless notice of the day's new photos near the bottom-right
// corner of the screen. It stays on top until clicked; a click closes it
// and asks for the gallery.
class HowlDialog : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 64;

    explicit HowlDialog(QWidget *parent = nullptr);

    // Fills, places and shows the notice; a null thumbnail leaves the
    // picture area blank.
    void showNotice(const QImage &thumbnail, const QString &title);

    // 32 pixels from the right edge and 64 above the bottom of `screen`.
    static QPoint noticePosition(const QRect &screen);

    QString titleText() const;
    QString headlineText() const;
    const QLabel *pictureLabel() const { return m_picture; }

signals:
    // The notice was clicked: show the gallery.
    void clicked_Signal();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QLabel *m_headline;
    QLabel *m_picture;
    QLabel *m_title;
};
