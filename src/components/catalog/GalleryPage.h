#pragma once

#include <QUrl>
#include <QWebPage>

class CookieJar;
class ScriptBridge;

// The page of the main window's web view. It keeps the view on the
// service's own pages: a link that leaves the service's origin opens in the
// desktop browser, and "native_bridge" is offered only to pages of that
// origin. Its network access follows the program's TLS rules and keeps its
// cookies in the jar.
class GalleryPage : public QWebPage
{
    Q_OBJECT
public:
    GalleryPage(ScriptBridge *bridge, CookieJar *cookies, QObject *parent = nullptr);

    // The service's pages and the blank start page may be shown in the view.
    static bool isAllowedInView(const QUrl &url);

signals:
    // A main-frame link that leaves the service, for the desktop browser.
    void externalLink_Signal(QUrl url);
    // The bridge was offered to (or withheld from) the page now loading.
    void bridgeAttached_Signal(bool attached);

protected:
    bool acceptNavigationRequest(
        QWebFrame *frame, const QNetworkRequest &request, NavigationType type) override;
    QString userAgentForUrl(const QUrl &url) const override;

private:
    void attachBridge();

    ScriptBridge *m_bridge;
};
