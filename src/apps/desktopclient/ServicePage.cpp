#include "ServicePage.h"

#include <core/LogScrub.h>
#include <core/NetworkPolicy.h>
#include <core/ServiceAddress.h>

#include <QCoreApplication>
#include <QDebug>
#include <QEvent>
#include <QWebEngineCertificateError>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWebEngineUrlRequestInterceptor>
#include <QWidget>

#include <functional>

namespace {

// A click navigates on the button's release; a script's click long after
// the user's last input is no click of the user's.
constexpr int kUserClickMs = 1000;

const QUrl &tryAgainAddress()
{
    // Never fetched: the page catches the click on it.
    static const QUrl address(QStringLiteral("https://fotoria.invalid/try-again"));
    return address;
}

QString failureHtml()
{
    return QStringLiteral(
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Fotoria</title><style>"
        "html,body{margin:0;height:100%;background:#111318;color:#e8e8ec;"
        "font-family:\"Helvetica Neue\",Helvetica,Arial,\"DejaVu Sans\",sans-serif;font-size:15px}"
        "main{display:flex;flex-direction:column;align-items:center;justify-content:center;height:100%;"
        "padding:0 24px;box-sizing:border-box;text-align:center}"
        "h1{font-size:20px;font-weight:600;margin:0 0 8px}p{margin:0 0 24px;color:#a0a3ad}"
        "a{color:#111318;background:#fff;border-radius:8px;padding:8px 20px;text-decoration:none;font-weight:600}"
        "</style></head><body><main><h1>The Fotoria service cannot be reached</h1>"
        "<p>Tessel keeps trying in the background.</p>"
        "<a id=\"try-again\" href=\"%1\">Try again</a></main></body></html>")
        .arg(tryAgainAddress().toString());
}

} // namespace

// Tells the page of each document it asks for, a redirect's too: the log
// names the one that failed, and the wait for an answer starts anew.
class FrameRequests : public QWebEngineUrlRequestInterceptor
{
public:
    FrameRequests(std::function<void(const QUrl &)> requested, QObject *parent)
        : QWebEngineUrlRequestInterceptor(parent)
        , m_requested(std::move(requested))
    {
    }

    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
            m_requested(info.requestUrl());
    }

private:
    std::function<void(const QUrl &)> m_requested;
};

// The page a script or a link with a target asks to open in a new window:
// never shown, it hands the address on and goes.
class PopupCatcher : public QWebEnginePage
{
public:
    explicit PopupCatcher(ServicePage *opener)
        : QWebEnginePage(opener->profile(), opener)
        , m_opener(opener)
    {
        // window.open() without an address never navigates.
        QTimer::singleShot(10000, this, &QObject::deleteLater);
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        if (isMainFrame && !m_done) {
            m_done = true;
            m_opener->leave(url, true);
            deleteLater();
        }
        return false;
    }

private:
    ServicePage *m_opener;
    bool m_done = false;
};

ServicePage::ServicePage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
    setBackgroundColor(pageColor());
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    connect(this, &QWebEnginePage::certificateError, this, &ServicePage::answerCertificateError);
#endif
    QWebEngineSettings *options = settings();
    // Chromium's own error page shows the address, which may be the token's.
    options->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    options->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    options->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    options->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    setUrlRequestInterceptor(new FrameRequests(
        [this](const QUrl &url) {
            m_lastRequest = url;
            m_asked = true;
            if (m_stall.isActive())
                m_stall.start();
        },
        this));

    m_stall.setSingleShot(true);
    m_stall.setInterval(NetworkPolicy::transferTimeout());
    connect(&m_stall, &QTimer::timeout, this, [this] {
        qDebug().noquote() << "ServicePage: no answer within" << m_stall.interval() / 1000 << "s from"
                           << LogScrub::url(m_lastRequest);
        triggerAction(Stop);
        QTimer::singleShot(0, this, &ServicePage::showFailure);
    });
    connect(this, &QWebEnginePage::loadStarted, &m_stall, qOverload<>(&QTimer::start));
    // At 100 everything has arrived; the end of the load may still take a
    // while to be reported, and is no answer to wait for.
    connect(this, &QWebEnginePage::loadProgress, this, [this](int percent) {
        if (percent < 100)
            m_stall.start();
        else
            m_stall.stop();
    });
    connect(this, &QWebEnginePage::loadFinished, this, &ServicePage::loadFinished_Slot);
    qApp->installEventFilter(this);
}

bool ServicePage::isAllowedInView(const QUrl &url)
{
    return url.isEmpty() || url == QUrl(QStringLiteral("about:blank")) || ServiceAddress::isServiceOrigin(url);
}

bool ServicePage::opensInBrowser(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https")
            || scheme == QLatin1String("mailto"));
}

QColor ServicePage::pageColor()
{
    return QColor(0x11, 0x13, 0x18);
}

void ServicePage::tryAgain()
{
    if (m_wanted.isValid())
        load(m_wanted);
}

bool ServicePage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (!isMainFrame) {
        if (isAllowedInView(url))
            return true;
        qDebug().noquote() << "ServicePage: frame kept out of the view:" << LogScrub::url(url);
        return false;
    }
    if (m_loadingFailure && url.scheme() == QLatin1String("data"))
        return true;
    m_loadingFailure = false;
    const bool clicked = type == NavigationTypeLinkClicked;
    if (m_showsFailure && url == tryAgainAddress()) {
        m_refused = true;
        QTimer::singleShot(0, this, &ServicePage::tryAgain);
        QTimer::singleShot(0, this, &ServicePage::tryAgainClicked_Signal);
        return false;
    }
    if (isAllowedInView(url) && !(clicked && m_links != Links::StayOnService)) {
        if (type != NavigationTypeRedirect && type != NavigationTypeReload && type != NavigationTypeBackForward)
            m_wanted = url;
        // Documents that need no request (about:blank) are asked for here;
        // the others where their request goes out, a redirect's included.
        m_lastRequest = url;
        m_asked = true;
        m_showsFailure = false;
        return true;
    }
    m_refused = true;
    leave(url, clicked);
    return false;
}

QWebEnginePage *ServicePage::createWindow(WebWindowType)
{
    return new PopupCatcher(this);
}

bool ServicePage::allowsCertificateError(const QUrl &url, const QString &description)
{
    const bool ignore = NetworkPolicy::ignoresSslErrors();
    qDebug().noquote() << (ignore ? "ignoring ssl errors:" : "ssl errors, request refused:") << LogScrub::url(url)
                       << description;
    return ignore;
}

// Qt 5 asks a virtual function; Qt 6 emits a signal whose error is answered.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
bool ServicePage::certificateError(const QWebEngineCertificateError &error)
{
    return allowsCertificateError(error.url(), error.errorDescription());
}
#else
void ServicePage::answerCertificateError(QWebEngineCertificateError error)
{
    if (allowsCertificateError(error.url(), error.description()))
        error.acceptCertificate();
    else
        error.rejectCertificate();
}
#endif

bool ServicePage::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonRelease || type == QEvent::KeyPress) && watched->isWidgetType()) {
        // Qt 6 asks the view for its page's view.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
        QWidget *shown = view();
#else
        QWidget *shown = QWebEngineView::forPage(this);
#endif
        auto *widget = static_cast<QWidget *>(watched);
        if (shown && (widget == shown || shown->isAncestorOf(widget)))
            m_lastInput.start();
    }
    return false;
}

void ServicePage::leave(const QUrl &url, bool linkClicked)
{
    if (m_links != Links::None && linkClicked && userActedJustNow() && opensInBrowser(url)) {
        emit externalLink_Signal(url);
        return;
    }
    qDebug().noquote() << "ServicePage: kept out of the view:" << LogScrub::url(url);
}

bool ServicePage::userActedJustNow() const
{
    return m_lastInput.isValid() && m_lastInput.elapsed() < kUserClickMs;
}

void ServicePage::loadFinished_Slot(bool ok)
{
    m_stall.stop();
    const bool refused = m_refused;
    m_refused = false;
    const bool asked = m_asked;
    m_asked = false;
    if (m_loadingFailure)
        return;
    // A load that starts while another is under way ends with it, in one
    // report of the other's outcome: the last document asked for that is
    // not the one shown did not load.
    const bool shown = url().adjusted(QUrl::RemoveFragment) == m_lastRequest.adjusted(QUrl::RemoveFragment);
    // A refused one leaves the page as it was. Qt 6 may report the refusal
    // on its own, after the document's success: nothing was asked for since.
    if (refused || (shown && (ok || !asked)))
        return;
    qDebug().noquote() << "ServicePage: not loaded:" << LogScrub::url(m_lastRequest);
    // Not from within the engine's report of the failed load: it would be lost.
    QTimer::singleShot(0, this, &ServicePage::showFailure);
}

void ServicePage::showFailure()
{
    m_showsFailure = true;
    m_loadingFailure = true;
    setHtml(failureHtml());
    emit loadFailed_Signal();
}
