#pragma once

#include <QFrame>
#include <QFutureWatcher>
#include <QImage>

class QLabel;

// A borderless, transparent window below all others that covers the
// primary screen's available area and shows one picture, like a wallpaper
// drawn by the program itself. Clicks and activation pass it by. Pictures
// are decoded off the GUI thread; the newest one asked for is shown.
class LiveWallpaperFrame : public QFrame
{
    Q_OBJECT

public:
    explicit LiveWallpaperFrame(QWidget *parent = nullptr);
    ~LiveWallpaperFrame() override;

    QLabel *label() const { return m_label; }
    // The picture shown last (empty before the first one).
    QString picturePath() const { return m_shownPath; }

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void pictureShown_Signal(const QString &path);

public slots:
    // Follows the wallpaper manager's changes. A picture that cannot be
    // read keeps the one shown.
    void showPicture_Slot(const QString &path);

private:
    void decoded();

    QLabel *m_label;
    QFutureWatcher<QImage> m_decoding;
    QString m_decodingPath;
    QString m_nextPath;
    QString m_shownPath;
};
