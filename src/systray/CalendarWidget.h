#pragma once

#include <QFrame>
#include <QImage>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QNetworkReply;
class QWebEngineView;

// Renders the service's calendar page for the calendar options, off screen,
// and hands out its pixels. The page is loaded again every hour (so the
// current day moves on) and whenever an option the page depends on changes.
// The page is fetched here (its status decides whether it is a calendar)
// and drawn by the web engine, which starts with the first load.
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
    // Null until the first load.
    QWebEngineView *view() const { return m_view; }

    // The page as last loaded, transparent where the page is: a null image
    // unless Ready.
    QImage grabImage() const;
    // What a view of the page shows now, transparent where the page is.
    static QImage render(QWebEngineView *view);

signals:
    void loadFinished_Signal();
    void loadFailed_Signal(const QString &reason);

public slots:
    // Reads the options, resizes, and loads the page shortly after (quick
    // successive edits load it once).
    void makeMonthPixmap_Slot();
    void setUrl_Slot();

private:
    void ensureView();
    void replyFinished(QNetworkReply *reply);
    void pageLoaded(bool ok);
    void checkPainted();
    void fail(const QString &reason);

    QWebEngineView *m_view = nullptr;
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    QUrl m_url;
    State m_state = State::NotLoaded;
    QString m_failure;
    QImage m_image;
    QImage m_lastFrame;
    bool m_drawing = false; // the fetched page is in the engine
    QTimer m_refreshTimer;
    QTimer m_loadDelay;
    QTimer m_loadTimeout;
    QTimer m_paintPoll;
};
