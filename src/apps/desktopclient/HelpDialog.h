#pragma once

#include <QDialog>
#include <QUrl>

class QWebView;

// The how-to page of the service's web site; every link opens in the
// desktop browser.
class HelpDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HelpDialog(QWidget *parent = nullptr);

    // The service address followed by "/howto".
    static QUrl helpUrl();
    // Only web and mail addresses go to the desktop; a page must not make
    // the desktop open local files or programs.
    static bool opensInBrowser(const QUrl &url);

    QWebView *webView() const { return m_view; }

public slots:
    void linkClicked_Slot(QUrl url);

private:
    QWebView *m_view;
};
