#include "Onboarding.h"

#include <apps/desktopclient/ServicePage.h>
#include <apps/desktopclient/WebProfile.h>
#include <core/ServiceAddress.h>
#include <core/Settings.h>

#include <QCheckBox>
#include <QDebug>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QShortcut>
#include <QWebEngineView>

namespace {
const QString kShowKey = QStringLiteral("kShowWelcomeScreen");
constexpr int kPageCount = 3;
} // namespace

Onboarding::Onboarding(QWidget *parent)
    : QDialog(parent)
    , m_view(new QWebEngineView(this))
    , m_previous(new QPushButton(tr("Previous"), this))
    , m_next(new QPushButton(tr("Next"), this))
    , m_show(new QCheckBox(tr("Show this at start"), this))
    , m_pages(pageUrls())
{
    setWindowTitle(tr("Welcome to Fotoria"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    // The pictures only: no links lead anywhere from here.
    auto *page = new ServicePage(WebProfile::transient(), m_view);
    page->setLinks(ServicePage::Links::None);
    page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    // The engine fits a larger picture (the one for scaled screens) into the
    // view; a click must not zoom it to its full size.
    QWebEngineScript fit;
    fit.setInjectionPoint(QWebEngineScript::DocumentReady);
    fit.setWorldId(QWebEngineScript::ApplicationWorld);
    fit.setSourceCode(QStringLiteral("for (const picture of document.images) picture.style.pointerEvents = 'none';"));
    page->scripts().insert(fit);
    m_view->setPage(page);
    m_view->setFixedSize(kPageWidth, kPageHeight);

    m_show->setChecked(isWanted());
    connect(m_show, &QCheckBox::clicked, this, &Onboarding::showClicked);
    connect(m_next, &QPushButton::clicked, this, &Onboarding::nextClickedSlot);
    connect(m_previous, &QPushButton::clicked, this, &Onboarding::previousClickedSlot);
    m_next->setDefault(true);
    // The page keeps Escape to itself: the window takes it first.
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_show);
    buttons->addStretch();
    buttons->addWidget(m_previous);
    buttons->addWidget(m_next);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    updateButtons();
    load();
}

QStringList Onboarding::pageUrls()
{
    QString base = ServiceAddress::serviceUrl();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    QStringList pages;
    for (int i = 1; i <= kPageCount; ++i)
        pages.append(base + QStringLiteral("/onboarding/onboarding-%1.png").arg(i));
    return pages;
}

bool Onboarding::isWanted()
{
    return Settings::getBool(kShowKey, false);
}

bool Onboarding::isDue()
{
    return Settings::contains(kShowKey) ? isWanted() : Settings::isFirstRun;
}

void Onboarding::showClicked()
{
    Settings::setValue(kShowKey, m_show->isChecked());
}

void Onboarding::nextClickedSlot()
{
    if (m_index >= m_pages.size() - 1) {
        accept();
        return;
    }
    ++m_index;
    updateButtons();
    load();
}

void Onboarding::previousClickedSlot()
{
    if (m_index <= 0)
        return;
    --m_index;
    updateButtons();
    load();
}

void Onboarding::updateButtons()
{
    m_previous->setVisible(m_index > 0);
    m_next->setText(m_index > 0 && m_index == m_pages.size() - 1 ? tr("Close") : tr("Next"));
}

void Onboarding::load()
{
    if (m_index < 0 || m_index >= m_pages.size())
        return;
    qDebug() << "Onboarding: page" << m_pages.at(m_index);
    // A scaled screen gets the picture at twice the pixels, fitted to the
    // view: the same size, each pixel its own.
    QUrl url(m_pages.at(m_index));
    if (devicePixelRatioF() > 1)
        url.setQuery(QStringLiteral("scale=2"));
    m_view->load(url);
}
