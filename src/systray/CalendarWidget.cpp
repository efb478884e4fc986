#include "CalendarWidget.h"

#include "CalendarSettings.h"

#include <apps/desktopclient/WebProfile.h>
#include <core/LogScrub.h>
#include <core/NetworkPolicy.h>
#include <core/ReplyLimits.h>
#include <core/ServiceAddress.h>

#include <QDebug>
#include <QGridLayout>
#include <QNetworkReply>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {
constexpr int kRefreshMs = 60 * 60 * 1000;
constexpr int kLoadDelayMs = 100;
// A page that never finishes must not hold the wallpaper back for good.
constexpr int kLoadTimeoutMs = 30 * 1000;
// The engine paints after the load has finished: the page counts as drawn
// once two frames this far apart agree.
constexpr int kPaintPollMs = 50;

bool isBlank(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) != 0)
                return false;
        }
    }
    return true;
}
} // namespace

CalendarWidget::CalendarWidget(QWidget *parent)
    : QFrame(parent)
{
    setStyleSheet(QStringLiteral("background:transparent;"));
    setAttribute(Qt::WA_TranslucentBackground);
    // The engine draws only into a shown widget; this one is shown nowhere.
    setAttribute(Qt::WA_DontShowOnScreen);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    connect(&m_network, &QNetworkAccessManager::sslErrors, this,
        [](QNetworkReply *reply, const QList<QSslError> &errors) { NetworkPolicy::handleSslErrors(reply, errors); });
    connect(&m_network, &QNetworkAccessManager::finished, this, &CalendarWidget::replyFinished);

    m_loadDelay.setSingleShot(true);
    m_loadDelay.setInterval(kLoadDelayMs);
    connect(&m_loadDelay, &QTimer::timeout, this, &CalendarWidget::setUrl_Slot);
    m_loadTimeout.setSingleShot(true);
    m_loadTimeout.setInterval(kLoadTimeoutMs);
    connect(&m_loadTimeout, &QTimer::timeout, this, [this] {
        if (QNetworkReply *held = m_reply.data()) {
            m_reply = nullptr;
            held->abort();
        }
        if (m_view)
            m_view->stop();
        if (m_state == State::Loading)
            fail(QStringLiteral("no answer within %1 s").arg(kLoadTimeoutMs / 1000));
    });
    m_paintPoll.setInterval(kPaintPollMs);
    connect(&m_paintPoll, &QTimer::timeout, this, &CalendarWidget::checkPainted);
    m_refreshTimer.setInterval(kRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &CalendarWidget::makeMonthPixmap_Slot);
    m_refreshTimer.start();
}

CalendarWidget::~CalendarWidget()
{
    // The view goes with the base class, after this object's members: the
    // end of a load it aborts then must not reach them.
    if (m_view)
        m_view->disconnect(this);
    m_network.disconnect(this);
}

void CalendarWidget::makeMonthPixmap_Slot()
{
    const CalendarSettings options = CalendarSettings::read();
    const QSize size = options.pageSize();
    resize(size);
    if (m_view)
        m_view->resize(size);
    m_url = options.pageUrl(ServiceAddress::serviceUrl());
    m_state = State::Loading;
    m_failure.clear();
    m_image = QImage();
    m_paintPoll.stop();
    m_loadDelay.start();
}

void CalendarWidget::ensureView()
{
    if (m_view)
        return;
    m_view = new QWebEngineView(this);
    auto *page = new QWebEnginePage(WebProfile::transient(), m_view);
    // A transparent base lets the page's own transparency through.
    page->setBackgroundColor(Qt::transparent);
    page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    page->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    m_view->setPage(page);
    m_view->resize(size());
    layout()->addWidget(m_view);
    connect(m_view, &QWebEngineView::loadFinished, this, &CalendarWidget::pageLoaded);
    show();
}

void CalendarWidget::setUrl_Slot()
{
    ensureView();
    m_drawing = false;
    // Its end is not ours any more.
    if (QNetworkReply *earlier = m_reply.data()) {
        m_reply = nullptr;
        earlier->abort();
    }
    QNetworkRequest request(m_url);
    NetworkPolicy::apply(request);
    // Followed as a browser would, never from https to http.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(10);
    m_reply = m_network.get(request);
    ReplyLimits::watch(m_reply, ReplyLimits::Json);
    m_loadTimeout.start();
}

void CalendarWidget::replyFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply != m_reply || m_state != State::Loading)
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // An error page is a page too, and a redirect not followed no page at
    // all; neither is a calendar.
    if (status >= 300) {
        fail(QStringLiteral("the service answered %1").arg(status));
        return;
    }
    if (ReplyLimits::stopped(reply)) {
        fail(QStringLiteral("the page was too large or too slow"));
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        fail(reply->errorString());
        return;
    }
    m_drawing = true;
    m_view->setHtml(QString::fromUtf8(reply->readAll()), m_url);
}

void CalendarWidget::pageLoaded(bool ok)
{
    if (!m_drawing || m_state != State::Loading)
        return;
    if (!ok) {
        fail(QStringLiteral("the page did not load"));
        return;
    }
    m_lastFrame = QImage();
    m_paintPoll.start();
}

void CalendarWidget::checkPainted()
{
    const QImage frame = render(m_view);
    const bool settled = !isBlank(frame) && frame == m_lastFrame;
    m_lastFrame = frame;
    if (!settled)
        return;
    m_paintPoll.stop();
    m_loadTimeout.stop();
    m_drawing = false;
    m_image = frame;
    m_state = State::Ready;
    emit loadFinished_Signal();
}

void CalendarWidget::fail(const QString &reason)
{
    m_paintPoll.stop();
    m_loadTimeout.stop();
    m_drawing = false;
    m_state = State::Failed;
    m_failure = reason;
    qDebug().noquote() << "Calendar page" << LogScrub::url(m_url) << "not loaded:" << LogScrub::text(reason);
    emit loadFailed_Signal(reason);
}

QImage CalendarWidget::grabImage() const
{
    return m_state == State::Ready ? m_image : QImage();
}

QImage CalendarWidget::render(QWebEngineView *view)
{
    // At device pixels: on a scaled screen the calendar keeps its size
    // against the desktop, and its sharpness.
    const qreal ratio = view->devicePixelRatioF();
    QImage image(view->size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    // The children only: the widget's own background would fill the
    // page's transparent parts.
    view->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}
