#include "HelpDialog.h"

#include "ServicePage.h"
#include "WebProfile.h"

#include <core/ServiceAddress.h>

#include <QDesktopServices>
#include <QGridLayout>
#include <QWebEngineView>

HelpDialog::HelpDialog(QWidget *parent)
    : QDialog(parent)
    , m_view(new QWebEngineView(this))
    , m_page(new ServicePage(WebProfile::transient(), m_view))
{
    setWindowModality(Qt::WindowModal);
    setWindowTitle(tr("Help"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    resize(800, 600);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view, 0, 0);

    m_page->setLinks(ServicePage::Links::AllToBrowser);
    m_view->setPage(m_page);
    // The page hands out web and mail addresses only.
    connect(m_page, &ServicePage::externalLink_Signal, this, [](const QUrl &link) { QDesktopServices::openUrl(link); });
    m_view->load(helpUrl());
}

QUrl HelpDialog::helpUrl()
{
    QString base = ServiceAddress::serviceUrl();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base + QStringLiteral("/howto"));
}
