#include "CalendarWidget.h"

#include "CalendarSettings.h"

#include <core/LogScrub.h>
#include <core/NetworkPolicy.h>
#include <core/ServiceAddress.h>

#include <QDebug>
#include <QGridLayout>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>

namespace {
constexpr int kRefreshMs = 60 * 60 * 1000;
constexpr int kLoadDelayMs = 100;
// A page that never finishes must not hold the wallpaper back for good.
constexpr int kLoadTimeoutMs = 30 * 1000;
} // namespace

CalendarWidget::CalendarWidget(QWidget *parent)
    : QFrame(parent)
    , m_view(new QWebView(this))
{
    setStyleSheet(QStringLiteral("background:transparent;"));
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 0, 0);

    QWebPage *page = m_view->page();
    // A transparent base lets the page's own transparency through to the grab.
    QPalette palette = page->palette();
    palette.setBrush(QPalette::Base, Qt::transparent);
    page->setPalette(palette);
    m_view->setAttribute(Qt::WA_OpaquePaintEvent, false);
    page->mainFrame()->setScrollBarPolicy(Qt::Vertical, Qt::ScrollBarAlwaysOff);
    page->mainFrame()->setScrollBarPolicy(Qt::Horizontal, Qt::ScrollBarAlwaysOff);

    QNetworkAccessManager *manager = page->networkAccessManager();
    // A held answer ends like any other request of the program.
    manager->setTransferTimeout(NetworkPolicy::transferTimeout());
    connect(manager, &QNetworkAccessManager::sslErrors, this,
        [](QNetworkReply *reply, const QList<QSslError> &errors) {
            NetworkPolicy::handleSslErrors(reply, errors);
        });
    connect(manager, &QNetworkAccessManager::finished, this, &CalendarWidget::replyFinished);
    connect(m_view, &QWebView::loadFinished, this, &CalendarWidget::loadFinished_Slot);

    m_loadDelay.setSingleShot(true);
    m_loadDelay.setInterval(kLoadDelayMs);
    connect(&m_loadDelay, &QTimer::timeout, this, &CalendarWidget::setUrl_Slot);
    m_loadTimeout.setSingleShot(true);
    m_loadTimeout.setInterval(kLoadTimeoutMs);
    connect(&m_loadTimeout, &QTimer::timeout, this, [this] {
        m_replyFailure = QStringLiteral("no answer within %1 s").arg(kLoadTimeoutMs / 1000);
        m_view->stop();
        if (m_state == State::Loading)
            fail(m_replyFailure);
    });
    m_refreshTimer.setInterval(kRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &CalendarWidget::makeMonthPixmap_Slot);
    m_refreshTimer.start();
}

CalendarWidget::~CalendarWidget()
{
    // The view goes with the base class, after this object's members: the
    // end of a load it aborts then must not reach them.
    m_view->disconnect(this);
    m_view->page()->networkAccessManager()->disconnect(this);
}

void CalendarWidget::makeMonthPixmap_Slot()
{
    const CalendarSettings options = CalendarSettings::read();
    const QSize size = options.pageSize();
    resize(size);
    m_view->resize(size);
    m_view->page()->setViewportSize(size);
    m_url = options.pageUrl(ServiceAddress::serviceUrl());
    m_state = State::Loading;
    m_failure.clear();
    m_loadDelay.start();
}

void CalendarWidget::setUrl_Slot()
{
    m_replyFailure.clear();
    m_loadTimeout.start();
    // Loading over a page still on its way cancels that one; its end is not ours.
    m_starting = true;
    m_view->load(m_url);
    m_starting = false;
}

void CalendarWidget::loadFinished_Slot(bool success)
{
    if (m_starting || m_loadDelay.isActive() || m_state != State::Loading)
        return;
    m_loadTimeout.stop();
    if (!success || !m_replyFailure.isEmpty()) {
        fail(m_replyFailure.isEmpty() ? QStringLiteral("the page did not load") : m_replyFailure);
        return;
    }
    m_state = State::Ready;
    emit loadFinished_Signal();
}

void CalendarWidget::replyFinished(QNetworkReply *reply)
{
    if (reply->url() != m_url)
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // An error page loads as well as the calendar does; it is still no calendar.
    if (status >= 400)
        m_replyFailure = QStringLiteral("the service answered %1").arg(status);
    else if (reply->error() != QNetworkReply::NoError
        && reply->error() != QNetworkReply::OperationCanceledError)
        m_replyFailure = reply->errorString();
}

void CalendarWidget::fail(const QString &reason)
{
    m_state = State::Failed;
    m_failure = reason;
    qDebug().noquote() << "Calendar page" << LogScrub::url(m_url) << "not loaded:" << LogScrub::text(reason);
    emit loadFailed_Signal(reason);
}

QImage CalendarWidget::grabImage() const
{
    if (m_state != State::Ready)
        return QImage();
    QImage image(m_view->page()->viewportSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    m_view->page()->mainFrame()->render(&painter);
    return image;
}
