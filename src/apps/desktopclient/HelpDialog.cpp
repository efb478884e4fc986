#include "HelpDialog.h"

#include "ServicePage.h"
#include "WebProfile.h"

#include <core/ServiceAddress.h>

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QShortcut>
#include <QWebEngineView>

HelpDialog::HelpDialog(QWidget *parent)
    : QDialog(parent)
    , m_view(new QWebEngineView(this))
    , m_page(new ServicePage(WebProfile::transient(), m_view))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Close, this))
{
    setWindowModality(Qt::WindowModal);
    setWindowTitle(tr("Help"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    resize(800, 600);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view, 0, 0);
    m_buttons->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(m_buttons, 1, 0);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The page keeps Escape to itself: the window takes it first.
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &QDialog::reject);

    m_page->setLinks(ServicePage::Links::AllToBrowser);
    m_view->setPage(m_page);
    // The page hands out web and mail addresses only.
    connect(m_page, &ServicePage::externalLink_Signal, this, [](const QUrl &link) { QDesktopServices::openUrl(link); });
    m_view->load(helpUrl());
}

QPushButton *HelpDialog::closeButton() const
{
    return m_buttons->button(QDialogButtonBox::Close);
}

QUrl HelpDialog::helpUrl()
{
    QString base = ServiceAddress::serviceUrl();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base + QStringLiteral("/howto"));
}
