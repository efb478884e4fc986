#include "WallpaperManager.h"

#include "CalendarComposite.h"
#include "CalendarSettings.h"
#include "CalendarWidget.h"
#include "RotationSchedule.h"
#include "WallpaperWorker.h"

#include <core/ImageStore.h>
#include <core/PictureOrder.h>
#include <core/Settings.h>
#include <core/WallpaperBitmap.h>
#include <core/WallpaperFill.h>
#include <core/WallpaperOptions.h>
#include <platform/DesktopWallpaper.h>

#include <QAtomicPointer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDBusConnection>
#include <QDebug>
#include <QGuiApplication>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <climits>

namespace {
QAtomicPointer<WallpaperManager> g_instance;

const QString kLastChangeKey = QStringLiteral("kLastWallpaperChange");
const QString kPausedKey = QStringLiteral("kRotationPaused");

qint64 intervalMs()
{
    return qint64(Settings::getInt(QStringLiteral("kChangePicture"), 86400)) * 1000;
}

// After a change, the next bitmap is made once the desktop has drawn this
// one; after a start, once the rest of the program is up.
constexpr int kPrepareAfterChangeMs = 300;
constexpr int kPrepareAfterStartMs = 10 * 1000;

WallpaperBitmap::Result renderBitmap(const WallpaperRequest &request, const QString &file, int *placed, QString *error)
{
    *placed = request.position;
    if (request.calendar.isNull())
        return WallpaperBitmap::write(request.picture, request.screen, file, error, request.fill);
    return WallpaperBitmap::write(
        request.picture, request.screen, file, error,
        [&request, placed](QImage *image) {
            *placed = CalendarComposite::paint(image, request.screen, request.calendar, request.position);
        },
        request.fill);
}
} // namespace

WallpaperManager *WallpaperManager::instance()
{
    WallpaperManager *manager = g_instance.loadAcquire();
    if (manager)
        return manager;
    static QMutex creation;
    QMutexLocker locker(&creation);
    manager = g_instance.loadAcquire();
    if (!manager) {
        manager = new WallpaperManager(ImageStore::instance());
        // The timer and the calendar page belong to the GUI thread, whichever
        // thread asked first.
        if (QCoreApplication::instance() && manager->thread() != QCoreApplication::instance()->thread())
            manager->moveToThread(QCoreApplication::instance()->thread());
        // The calendar is ready by the time the first change wants it.
        QMetaObject::invokeMethod(
            manager,
            [manager] {
                if (CalendarSettings::read().enabled)
                    manager->refreshCalendar();
            },
            Qt::QueuedConnection);
        g_instance.storeRelease(manager);
    }
    return manager;
}

WallpaperManager::WallpaperManager(ImageStore *store, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_order(std::make_unique<PictureOrder>(store, PictureOrder::defaultStateFile()))
    , m_prepareTimer(new QTimer(this))
    , m_dueTimer(new QTimer(this))
    , m_clockCheck(new QTimer(this))
{
    m_prepareTimer->setSingleShot(true);
    connect(m_prepareTimer, &QTimer::timeout, this, &WallpaperManager::prepareUpcoming);
    m_dueTimer->setSingleShot(true);
    connect(m_dueTimer, &QTimer::timeout, this, &WallpaperManager::checkDue);
    m_clockCheck->setTimerType(Qt::VeryCoarseTimer);
    m_clockCheck->setInterval(60 * 1000);
    connect(m_clockCheck, &QTimer::timeout, this, &WallpaperManager::checkDue);
    // Where logind runs, a wake-up is told at once rather than at the next check.
    QDBusConnection::systemBus().connect(QStringLiteral("org.freedesktop.login1"),
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
    m_worker = new WallpaperWorker(
        [this](const WallpaperRequest &request) {
            change(request);
            QMetaObject::invokeMethod(
                this, [this] { --m_inFlight; }, Qt::QueuedConnection);
        },
        [this](const WallpaperRequest &request) { prepare(request); }, this);
}

WallpaperManager::~WallpaperManager()
{
    shutdown();
}

void WallpaperManager::shutdown()
{
    stop();
    m_shutDown = true;
    m_prepareTimer->stop();
    m_waiting.clear();
    m_worker->stop();
    // Its web page must not outlive the application object.
    delete m_calendar;
    m_calendar = nullptr;
}

void WallpaperManager::start()
{
    const qint64 wait = RotationSchedule::wait(Settings::value(kLastChangeKey).toLongLong(),
        intervalMs() / 1000, isPaused(), QDateTime::currentMSecsSinceEpoch());
    if (m_running || wait < 0 || m_shutDown)
        return;
    m_running = true;
    m_prepareTimer->start(kPrepareAfterStartMs);
    m_clockCheck->start();
    arm(wait);
    if (wait == 0)
        checkDue();
}

void WallpaperManager::stop()
{
    m_running = false;
    m_dueTimer->stop();
    m_clockCheck->stop();
}

bool WallpaperManager::isPaused()
{
    return Settings::getBool(kPausedKey, false);
}

void WallpaperManager::setPaused(bool paused)
{
    Settings::setValue(kPausedKey, paused);
    if (paused)
        stop();
    else
        start();
}

void WallpaperManager::arm(qint64 ms)
{
    m_dueMs = QDateTime::currentMSecsSinceEpoch() + ms;
    // Timers take an int of milliseconds; a longer wait is checked again then.
    m_dueTimer->start(int(qMin<qint64>(ms, INT_MAX)));
}

void WallpaperManager::checkDue()
{
    if (!m_running)
        return;
    const qint64 left = m_dueMs - QDateTime::currentMSecsSinceEpoch();
    if (left > 0) {
        // A clock set back waits one interval at most.
        arm(qMin(left, intervalMs()));
        return;
    }
    // The next try comes an interval later, also when nothing could be shown.
    arm(intervalMs());
    showNextWallpaper();
}

void WallpaperManager::prepareForSleep(bool sleeping)
{
    if (!sleeping)
        checkDue();
}

void WallpaperManager::took(const QString &picture)
{
    if (QFileInfo(picture).isAbsolute())
        m_history.record(picture);
    Settings::setValue(kLastChangeKey, QDateTime::currentSecsSinceEpoch());
    if (m_running)
        arm(intervalMs());
    m_prepareTimer->start(kPrepareAfterChangeMs);
}

void WallpaperManager::prepareUpcoming()
{
    // Each monitor's photos are picked and made at the change itself.
    const WallpaperOptions options = WallpaperOptions::read();
    if (m_shutDown || options.perMonitor || isChanging())
        return;
    const QString picture = m_order->upcoming(options.order, m_history.current());
    WallpaperRequest request;
    if (!picture.isEmpty() && makeRequest(picture, &request, true))
        m_worker->prepare(request);
}

void WallpaperManager::prepare(const WallpaperRequest &request)
{
    QMutexLocker locker(&m_changeLock);
    m_prepared.make(request, [](const WallpaperRequest &made, const QString &file, int *placed) {
        QString error;
        return renderBitmap(made, file, placed, &error);
    });
}

void WallpaperManager::showNextWallpaper()
{
    // A "Next" that shows the same picture again looks broken: another
    // pick, then the one after it in the list.
    const QString shown = m_history.current();
    QString path = pickNewPicture();
    if (path == shown && !path.isEmpty())
        path = pickNewPicture();
    if (path == shown && !path.isEmpty()) {
        const QStringList all = m_store->pictures();
        path = all.value((all.indexOf(shown) + 1) % qMax(1, all.size()), path);
    }
    if (!path.isEmpty())
        showWallpaper(path);
}

QString WallpaperManager::pickNewPicture()
{
    // The order is read at every pick: a change applies from the next one.
    return m_order->next(WallpaperOptions::read().order);
}

void WallpaperManager::stepForward()
{
    const QString path = m_history.forward();
    if (path.isEmpty())
        showNextWallpaper();
    else
        showWallpaper(path);
}

void WallpaperManager::stepBack()
{
    showWallpaper(m_history.back());
}

void WallpaperManager::showWallpaper(const QString &path)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, path] { showWallpaper(path); }, Qt::QueuedConnection);
        return;
    }
    if (path.isEmpty())
        return;
    if (m_shutDown) {
        qDebug().noquote() << "Wallpaper not changed, the program is ending:" << path;
        return;
    }
    if (!m_waiting.isEmpty() && m_waiting != path)
        reportFinished(m_waiting, false);
    m_waiting = path;
    dispatch();
}

bool WallpaperManager::isChanging() const
{
    return !m_waiting.isEmpty() || m_inFlight > 0;
}

void WallpaperManager::dispatch()
{
    if (m_waiting.isEmpty() || m_shutDown)
        return;
    WallpaperRequest request;
    // The page is on its way: this runs again when it has loaded or failed.
    if (!makeRequest(m_waiting, &request))
        return;
    m_waiting.clear();
    if (m_worker->request(request))
        ++m_inFlight;
}

bool WallpaperManager::makeRequest(const QString &picture, WallpaperRequest *request, bool quiet)
{
    request->picture = picture;
    request->screen = WallpaperBitmap::screenSize();
    const CalendarSettings options = CalendarSettings::read();
    if (options.enabled) {
        CalendarWidget *widget = calendar();
        if (widget->state() == CalendarWidget::State::Loading)
            return false;
        request->calendar = widget->grabImage();
        request->position = options.position;
        if (request->calendar.isNull() && !quiet)
            qDebug().noquote() << "Wallpaper without the calendar:" << widget->failure();
    }
    applyOptions(request);
    return true;
}

CalendarWidget *WallpaperManager::calendar()
{
    if (!m_calendar) {
        m_calendar = new CalendarWidget();
        // Never shown on any screen; it only renders the page.
        m_calendar->move(-10000, -10000);
        connect(m_calendar, &CalendarWidget::loadFinished_Signal, this, &WallpaperManager::dispatch);
        connect(m_calendar, &CalendarWidget::loadFailed_Signal, this, &WallpaperManager::dispatch);
        m_calendar->makeMonthPixmap_Slot();
    }
    return m_calendar;
}

void WallpaperManager::refreshCalendar()
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, &WallpaperManager::refreshCalendar, Qt::QueuedConnection);
        return;
    }
    if (m_shutDown)
        return;
    if (m_calendar)
        m_calendar->makeMonthPixmap_Slot();
    else
        calendar();
}

QString WallpaperManager::setOsWallpaper(const QString &path)
{
    WallpaperRequest request;
    request.picture = path;
    request.screen = WallpaperBitmap::screenSize();
    const CalendarSettings options = CalendarSettings::read();
    if (options.enabled && m_calendar && QThread::currentThread() == thread()) {
        request.calendar = m_calendar->grabImage();
        request.position = options.position;
    }
    applyOptions(&request);
    return change(request);
}

void WallpaperManager::applyOptions(WallpaperRequest *request)
{
    const WallpaperOptions options = WallpaperOptions::read();
    request->fill = options.fill;
    request->lockScreen = options.lockScreen;
    request->perMonitor = options.perMonitor;
    if (!options.perMonitor)
        return;
    // The photos are picked here, where the order lives; the desktop's own
    // list of monitors is asked on the worker, since that may run a tool.
    const auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    const int others = gui ? QGuiApplication::screens().size() - 1 : 1;
    QStringList shown { request->picture };
    for (int i = 0; i < qMax(others, 1); ++i) {
        QString picture = pickNewPicture();
        // Another photo than the other monitors show, where the playlists have one.
        for (int tries = 0; tries < 16 && shown.contains(picture) && shown.size() < m_store->pictureCount();
             ++tries)
            picture = pickNewPicture();
        shown.append(picture);
        request->otherPictures.append(picture);
    }
}

QString WallpaperManager::changeEachMonitor(
    const WallpaperRequest &request, const QVector<platform::DesktopMonitor> &monitors)
{
    const QString bitmap = WallpaperBitmap::defaultPath();
    QString error;
    QList<platform::MonitorPicture> pictures;
    for (int i = 0; i < monitors.size(); ++i) {
        const QSize size = monitors.at(i).geometry.size();
        // More monitors than photos picked (one came since): the photos again.
        const QString picture = i == 0 || request.otherPictures.isEmpty()
            ? request.picture
            : request.otherPictures.at((i - 1) % request.otherPictures.size());
        QImage image = WallpaperFill::render(picture, size, request.fill, &error);
        if (image.isNull() && i == 0) {
            qDebug().noquote() << "Wallpaper unchanged:" << error;
            reportFinished(request.picture, false);
            return QString();
        }
        if (image.isNull()) {
            qDebug().noquote() << "A monitor shows the primary one's picture instead:" << error;
            image = WallpaperFill::render(request.picture, size, request.fill, &error);
        }
        if (i == 0 && !request.calendar.isNull())
            CalendarComposite::paint(&image, size, request.calendar, request.position);
        pictures.append({ monitors.at(i), image });
    }
    // The bitmap, which the rest of the program shows, is the primary's picture.
    if (!WallpaperBitmap::writeImage(pictures.first().image, bitmap, &error)) {
        qDebug().noquote() << "Failed to create bmp file needed by Windows." << error;
        reportFinished(request.picture, false);
        return QString();
    }
    const bool installed = platform::setDesktopWallpapers(
        pictures, Settings::getString(QStringLiteral("kWallpaperCommand")), &error);
    return finish(request, bitmap, installed, error);
}

QString WallpaperManager::finish(
    const WallpaperRequest &request, const QString &bitmap, bool installed, const QString &error)
{
    if (!installed) {
        qDebug().noquote() << "Failed to set wallpaper:" << error;
        reportFinished(request.picture, false);
        return bitmap;
    }
    // A failure there leaves the wallpaper changed.
    QString lockScreenError;
    if (request.lockScreen && !platform::setLockScreenPicture(bitmap, &lockScreenError))
        qDebug().noquote() << "Lock screen unchanged:" << lockScreenError;
    reportChanged(bitmap);
    reportFinished(request.picture, true);
    return bitmap;
}

QString WallpaperManager::change(const WallpaperRequest &request)
{
    QMutexLocker locker(&m_changeLock);
    if (request.perMonitor) {
        const QVector<platform::DesktopMonitor> monitors = platform::desktopMonitors();
        if (monitors.size() > 1)
            return changeEachMonitor(request, monitors);
    }
    const QString bitmap = WallpaperBitmap::defaultPath();
    QString error;
    // Where the calendar went: automatic picks a corner per picture.
    int placed = request.position;
    const auto result = m_prepared.take(request, bitmap, &placed) ? WallpaperBitmap::Result::Written
                                                                  : renderBitmap(request, bitmap, &placed, &error);
    if (result == WallpaperBitmap::Result::UnreadablePicture) {
        qDebug().noquote() << "Wallpaper unchanged:" << error;
        reportFinished(request.picture, false);
        return QString();
    }
    if (result == WallpaperBitmap::Result::WriteFailed) {
        qDebug().noquote() << "Failed to create bmp file needed by Windows." << error;
        reportFinished(request.picture, false);
        return QString();
    }
    const Qt::Alignment keepInView = request.calendar.isNull() ? Qt::Alignment(Qt::AlignCenter)
                                                               : CalendarComposite::corner(placed);
    const bool installed = platform::setDesktopWallpaper(
        bitmap, Settings::getString(QStringLiteral("kWallpaperCommand")), &error, keepInView);
    return finish(request, bitmap, installed, error);
}

void WallpaperManager::reportFinished(const QString &picture, bool ok)
{
    QMetaObject::invokeMethod(
        this,
        [this, picture, ok] {
            if (ok)
                took(picture);
            emit changeFinished_Signal(picture, ok);
        },
        Qt::QueuedConnection);
}

void WallpaperManager::reportChanged(const QString &bitmap)
{
    if (QThread::currentThread() == thread())
        emit wallpaperChanged_Signal(bitmap);
    else
        QMetaObject::invokeMethod(
            this, [this, bitmap] { emit wallpaperChanged_Signal(bitmap); }, Qt::QueuedConnection);
}
