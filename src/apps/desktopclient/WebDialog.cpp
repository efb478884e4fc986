#include "WebDialog.h"

#include "ServicePage.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QWebView>

WebDialog::WebDialog(const QUrl &url, QWidget *parent)
    : QDialog(parent)
    , m_view(new QWebView(this))
{
    setWindowModality(Qt::WindowModal);
    setWindowTitle(tr("Information"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    resize(800, 600);

    auto *page = new ServicePage(m_view);
    m_view->setPage(page);
    // Links inside the service load in place; the page sends the others out.
    page->setLinkDelegationPolicy(QWebPage::DontDelegateLinks);
    connect(page, &ServicePage::externalLink_Signal, this,
        [](const QUrl &link) { QDesktopServices::openUrl(link); });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QGridLayout(this);
    layout->addWidget(m_view, 0, 0);
    layout->addWidget(buttons, 1, 0);

    if (ServicePage::isAllowedInView(url))
        m_view->load(url);
}
