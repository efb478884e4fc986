#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>

class QWebEngineProfile;

// A web page that stays on the service's own pages: a link the user clicks
// to anywhere else is handed out for the desktop browser, and nothing else
// may leave the service's origin. A page that cannot be loaded gives way to
// a short page of our own (no address in it) with a "Try again" link.
class ServicePage : public QWebEnginePage
{
    Q_OBJECT
public:
    // What a user's click on a link does.
    enum class Links {
        StayOnService, // the service's links load here, others open outside
        AllToBrowser,  // every link opens in the desktop browser
        None,          // links lead nowhere
    };

    explicit ServicePage(QWebEngineProfile *profile, QObject *parent = nullptr);

    // The service's pages and the blank page.
    static bool isAllowedInView(const QUrl &url);
    // Web and mail addresses only: a page must not make the desktop open
    // local files or programs.
    static bool opensInBrowser(const QUrl &url);
    // The colour of the service's pages, shown before their first paint.
    static QColor pageColor();

    void setLinks(Links links) { m_links = links; }
    // True while our own page stands in for one that did not load.
    bool showsFailure() const { return m_showsFailure; }
    // Loads the page the failure page stands in for again.
    void tryAgain();
    // Our page in place of whatever shows (the service cannot be reached).
    void showFailure();

signals:
    void externalLink_Signal(QUrl url);
    // A page did not load; the failure page is shown instead.
    void loadFailed_Signal();
    // The failure page's "Try again" was clicked.
    void tryAgainClicked_Signal();

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    bool certificateError(const QWebEngineCertificateError &error) override;
#endif
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class PopupCatcher;
    // Logs the error; true when the user's settings let it through.
    static bool allowsCertificateError(const QUrl &url, const QString &description);
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    void answerCertificateError(QWebEngineCertificateError error);
#endif
    // A navigation that leaves the view; opens the browser only right after
    // the user's own click or key in this view (a script's click does not).
    void leave(const QUrl &url, bool linkClicked);
    bool userActedJustNow() const;
    void loadFinished_Slot(bool ok);

    Links m_links = Links::StayOnService;
    QUrl m_wanted;          // the page last asked for, to try again
    QUrl m_lastRequest;     // the document last fetched, a redirect's too
    bool m_refused = false; // the load that ends next was refused here
    bool m_asked = false;   // a document was asked for since the last load report
    bool m_showsFailure = false;
    bool m_loadingFailure = false;
    QElapsedTimer m_lastInput;
    // No progress for this long ends the load like a network failure.
    QTimer m_stall;
};
