#pragma once

#include <QDialog>
#include <QUrl>

class QDialogButtonBox;
class QPushButton;
class QWebEngineView;
class ServicePage;

// The how-to page of the service's web site; every link opens in the
// desktop browser.
class HelpDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HelpDialog(QWidget *parent = nullptr);

    // The service address followed by "/howto".
    static QUrl helpUrl();

    QWebEngineView *webView() const { return m_view; }
    ServicePage *page() const { return m_page; }
    QPushButton *closeButton() const;

private:
    QWebEngineView *m_view;
    ServicePage *m_page;
    QDialogButtonBox *m_buttons;
};
