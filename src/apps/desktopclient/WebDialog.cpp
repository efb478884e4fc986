#include "WebDialog.h"

#include "ServicePage.h"
#include "WebProfile.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QShortcut>
#include <QWebEngineView>

WebDialog::WebDialog(const QUrl &url, QWidget *parent)
    : QDialog(parent)
    , m_view(new QWebEngineView(this))
    , m_page(new ServicePage(WebProfile::transient(), m_view))
{
    setWindowModality(Qt::WindowModal);
    setWindowTitle(tr("Information"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    resize(800, 600);

    // Links inside the service load in place; the page sends the others out.
    m_view->setPage(m_page);
    connect(m_page, &ServicePage::externalLink_Signal, this, [](const QUrl &link) { QDesktopServices::openUrl(link); });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The page keeps Escape to itself: the window takes it first.
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &QDialog::reject);

    auto *layout = new QGridLayout(this);
    layout->addWidget(m_view, 0, 0);
    layout->addWidget(buttons, 1, 0);

    if (ServicePage::isAllowedInView(url))
        m_view->load(url);
}
