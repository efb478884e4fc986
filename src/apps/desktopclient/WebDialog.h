#pragma once

#include <QDialog>
#include <QUrl>

class QWebEngineView;
class ServicePage;

// A service page in a window with an OK button; links that leave the
// service open in the desktop browser.
class WebDialog : public QDialog
{
    Q_OBJECT
public:
    explicit WebDialog(const QUrl &url, QWidget *parent = nullptr);

    QWebEngineView *webView() const { return m_view; }
    ServicePage *page() const { return m_page; }

private:
    QWebEngineView *m_view;
    ServicePage *m_page;
};
