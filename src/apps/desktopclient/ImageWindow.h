#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;
class QTimer;

// Shows the photos of a playlist one at a time, with previous, next and a
// timed slideshow.
class ImageWindow : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kSlideShowMs = 3000;

    explicit ImageWindow(QWidget *parent = nullptr);

    // Sets the photos and the index shown, sizes the window, then shows it.
    void open(const QStringList &paths, int index);
    // open() without showing the window.
    void setPhotos(const QStringList &paths, int index);

    // The window's size for a parent of this width (none: 0).
    static QSize windowSizeFor(int parentWidth);

    QStringList paths() const { return m_paths; }
    int currentIndex() const { return m_index; }
    bool isSlideShowRunning() const { return m_slideShowTimer != nullptr; }
    QLabel *pictureLabel() const { return m_picture; }
    QPushButton *closeButton() const { return m_closeButton; }
    QPushButton *previousButton() const { return m_previousButton; }
    QPushButton *nextButton() const { return m_nextButton; }
    QPushButton *slideShowButton() const { return m_slideShowButton; }

public slots:
    void startSlideShow_Slot();
    void reject() override;
    void play_Slot();
    void previous_Slot();
    void next_Slot();

private:
    // Space: the slideshow, where there is one.
    void toggleSlideShow();
    void showPhoto();
    void updateButtons();
    void placeButtons();

    QStringList m_paths;
    int m_index = 0;
    QTimer *m_slideShowTimer = nullptr;
    QLabel *m_picture;
    QPushButton *m_closeButton;
    QPushButton *m_previousButton;
    QPushButton *m_nextButton;
    QPushButton *m_slideShowButton;
};
