#include "HelpDialog.h"

#include <core/ServiceAddress.h>

#include <QDebug>
#include <QDesktopServices>
#include <QGridLayout>
#include <QWebPage>
#include <QWebView>

HelpDialog::HelpDialog(QWidget *parent)
    : QDialog(parent)
    , m_view(new QWebView(this))
{
    setWindowModality(Qt::WindowModal);
    setWindowTitle(tr("Help"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    resize(800, 600);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view, 0, 0);

    m_view->page()->setLinkDelegationPolicy(QWebPage::DelegateAllLinks);
    connect(m_view, &QWebView::linkClicked, this, &HelpDialog::linkClicked_Slot);
    m_view->load(helpUrl());
}

QUrl HelpDialog::helpUrl()
{
    QString base = ServiceAddress::serviceUrl();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base + QStringLiteral("/howto"));
}

bool HelpDialog::opensInBrowser(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https")
            || scheme == QLatin1String("mailto"));
}

void HelpDialog::linkClicked_Slot(QUrl url)
{
    if (!opensInBrowser(url)) {
        qDebug() << "HelpDialog::linkClicked_Slot(), not opened:" << url.scheme();
        return;
    }
    QDesktopServices::openUrl(url);
}
