#pragma once

#include <QFrame>
#include <QImage>
#include <QTimer>
#include <QUrl>

class QNetworkReply;
class QWebView;

// Renders the service's calendar page for the calendar options, off screen,
// and hands out its pixels. The page is loaded again every hour (so the
// current day moves on) and whenever an option the page depends on changes.
// GUI thread only.
class CalendarWidget : public QFrame
{
    Q_OBJECT

public:
    enum class State { NotLoaded, Loading, Ready, Failed };

    explicit CalendarWidget(QWidget *parent = nullptr);
    ~CalendarWidget() override;

    State state() const { return m_state; }
    // Why the last load failed (empty unless Failed).
    QString failure() const { return m_failure; }
    QUrl url() const { return m_url; }
    QWebView *view() const { return m_view; }

    // The page as last loaded, transparent where the page is: a null image
    // unless Ready.
    QImage grabImage() const;

signals:
    void loadFinished_Signal();
    void loadFailed_Signal(const QString &reason);

public slots:
    // Reads the options, resizes, and loads the page shortly after (quick
    // successive edits load it once).
    void makeMonthPixmap_Slot();
    void setUrl_Slot();
    void loadFinished_Slot(bool success);

private:
    void replyFinished(QNetworkReply *reply);
    void fail(const QString &reason);

    QWebView *m_view;
    QUrl m_url;
    State m_state = State::NotLoaded;
    QString m_failure;
    QString m_replyFailure;
    bool m_starting = false;
    QTimer m_refreshTimer;
    QTimer m_loadDelay;
    QTimer m_loadTimeout;
};
