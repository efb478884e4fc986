#pragma once

#include <QDialog>
#include <QStringList>
#include <QUrl>

class QCheckBox;
class QPushButton;
class QWebEngineView;

// The welcome dialog: pages through the service's three welcome pictures.
// Its check box "Show this at start" is kShowWelcomeScreen, unticked until
// the person ticks it, stored as soon as it is clicked.
class Onboarding : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kPageWidth = 760;
    static constexpr int kPageHeight = 428;

    explicit Onboarding(QWidget *parent = nullptr);

    // The service address followed by "/onboarding/onboarding-1.png" to "-3.png".
    static QStringList pageUrls();
    // The person ticked "Show this at start".
    static bool isWanted();
    // On the first run, and later when wanted; a stored false (the box
    // unticked again, or a profile made without them) skips them even on
    // the first run.
    static bool isDue();

    int currentIndex() const { return m_index; }
    QStringList pages() const { return m_pages; }
    QWebEngineView *webView() const { return m_view; }
    QPushButton *nextButton() const { return m_next; }
    QPushButton *previousButton() const { return m_previous; }
    QCheckBox *showCheckBox() const { return m_show; }

public slots:
    void showClicked();
    void nextClickedSlot();
    void previousClickedSlot();

private:
    void updateButtons();
    void load();

    QWebEngineView *m_view;
    QPushButton *m_previous;
    QPushButton *m_next;
    QCheckBox *m_show;
    QStringList m_pages;
    int m_index = 0;
};
