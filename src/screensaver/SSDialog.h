#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QString>

class FaderWidget;
class QLabel;
class QScreen;

// The window that shows the pictures: full screen, or inside a host window
// (preview). Each picture is fitted to the window with its aspect ratio kept,
// centred on black, and changes through a fade to black and back. Any key,
// a mouse-button release or the second mouse move closes it, unless input
// is set not to end it (a preview, which lives as long as its host).
class SSDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SSDialog(QWidget *parent = nullptr);

    // Where a picture of `picture` size lands when fitted to `screen`: the
    // scaled size and its position inside the screen rectangle. An invalid
    // picture size gives the screen's own size at (0, 0); a picture is never
    // less than one pixel high or wide.
    static QRect fitPlacement(const QRect &screen, const QSize &picture);

    // Decodes the picture at the size it takes when fitted to `screen` (only
    // as much detail as is shown) and tells where it goes. A null image when
    // the picture cannot be shown; *error then says why.
    static QImage loadFitted(const QString &path, const QRect &screen, QRect *placement, QString *error);

    // The next picture; fades the current one out first, if there is one.
    // During a fade the newest path waits for it to end, so pictures that
    // come faster than a fade still change the screen.
    void setImage(const QString &path);
    // Fits the current picture to the screen rectangle and shows it.
    void showImage();

    // Embeds the window into a host window of another program, at the host's
    // client size. False when the host does not exist.
    bool initFromNativeParent(quintptr parentWindow);

    // False: keys and the pointer leave the window open.
    void setEndsOnInput(bool ends) { m_endsOnInput = ends; }
    bool endsOnInput() const { return m_endsOnInput; }

    // Covers `screen` (another monitor than the first) instead.
    void placeOnScreen(QScreen *screen);

    QRect screenRect() const { return m_screenRect; }
    void setScreenRect(const QRect &rect) { m_screenRect = rect; }
    QString currentPath() const { return m_currentPath; }
    QLabel *imageContainer() const { return m_imageContainer; }
    // Shown instead of a picture when there is none at all.
    QLabel *emptyNote() const { return m_emptyNote; }
    FaderWidget *fader() const { return m_fader; }

    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    void fadedOut_Slot();
    void fadedIn_Slot();

signals:
    // Once, after the first frame that shows some of a picture was painted.
    void firstPictureVisible();

private:
    void watchInput(QObject *object);
    void noteFaderPaint();

    QLabel *m_background = nullptr;
    QLabel *m_imageContainer = nullptr;
    QLabel *m_emptyNote = nullptr;
    FaderWidget *m_fader = nullptr;
    QRect m_screenRect = QRect(QPoint(0, 0), QPoint(-1, -1));
    QString m_currentPath;
    QPoint m_firstMoveMarker = QPoint(-1, -1);
    bool m_endsOnInput = true;
    bool m_pictureShown = false;
    bool m_changePending = false;
    bool m_firstPictureReported = false;
};
