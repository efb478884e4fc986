#pragma once

#include <QWebPage>

// A web page that stays on the service's own pages: a link to anywhere else
// is handed out for the desktop browser, and nothing else may leave the
// service's origin. Its requests follow the program's TLS rules.
class ServicePage : public QWebPage
{
    Q_OBJECT
public:
    explicit ServicePage(QObject *parent = nullptr);

    // The service's pages and the blank page.
    static bool isAllowedInView(const QUrl &url);
    // Web and mail addresses only: a page must not make the desktop open
    // local files or programs.
    static bool opensInBrowser(const QUrl &url);

signals:
    void externalLink_Signal(QUrl url);

protected:
    bool acceptNavigationRequest(
        QWebFrame *frame, const QNetworkRequest &request, NavigationType type) override;
};
