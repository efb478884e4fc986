#pragma once

#include <QDialog>
#include <QUrl>

class QWebView;
class ServicePage;

// A service page in a window with an OK button; links that leave the
// service open in the desktop browser.
class WebDialog : public QDialog
{
    Q_OBJECT
public:
    explicit WebDialog(const QUrl &url, QWidget *parent = nullptr);

    QWebView *webView() const { return m_view; }

private:
    QWebView *m_view;
};
