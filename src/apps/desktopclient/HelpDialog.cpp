#include "HelpDialog.h"

#include "ServicePage.h"
#include "WebProfile.h"

#include <core/ServiceAddress.h>

#include <QDebug>
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
    connect(m_page, &ServicePage::externalLink_Signal, this, &HelpDialog::linkClicked_Slot);
    m_view->load(helpUrl());
}

QUrl HelpDialog::helpUrl()
{
    QString base = ServiceAddress::serviceUrl();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base + QStringLiteral("/howto"));
}

void HelpDialog::linkClicked_Slot(QUrl url)
{
    if (!ServicePage::opensInBrowser(url)) {
        qDebug() << "HelpDialog::linkClicked_Slot(), not opened:" << url.scheme();
        return;
    }
    QDesktopServices::openUrl(url);
}
