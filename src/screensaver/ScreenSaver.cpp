#include "ScreenSaver.h"

#include "SSConfigurationDialog.h"
#include "SSDialog.h"
#include "SSImageQueue.h"
#include "ScreenSaverCommandLine.h"

#include <core/Settings.h>
#include <platform/ScreenSaverHost.h>

#include <QApplication>
#include <QDebug>
#include <QScreen>

const QString ScreenSaver::kDisplayIntervalKey = QStringLiteral("kSSDisplayInterval");

ScreenSaver::ScreenSaver(QApplication *application)
    : QObject(nullptr)
    , m_application(application)
{
    m_displayInterval = SSImageQueue::effectiveInterval(
        Settings::getInt(kDisplayIntervalKey, SSImageQueue::kDefaultInterval));

    m_imageQueue = new SSImageQueue();
    connect(m_imageQueue, &SSImageQueue::loadNewImageSignal, this, &ScreenSaver::loadNewImageSlot);
    m_imageQueue->setDelegate(this);
    m_imageQueue->setInterval(m_displayInterval);

    // Whatever ends the event loop, the queue's thread ends with it.
    if (m_application) {
        connect(m_application, &QCoreApplication::aboutToQuit, this, [this]() {
            if (m_imageQueue)
                m_imageQueue->stop();
        });
    }
}

ScreenSaver::~ScreenSaver()
{
    if (m_imageQueue) {
        m_imageQueue->stop();
        m_imageQueue->wait();
        delete m_imageQueue;
        m_imageQueue = nullptr;
    }
    delete m_screenSaverWindow.data();
    for (const QPointer<SSDialog> &window : std::as_const(m_otherScreenWindows))
        delete window.data();
    delete m_previewWindow.data();
    delete m_configurationDialog.data();
}

SSDialog *ScreenSaver::screenSaverWindow() const
{
    return m_screenSaverWindow.data();
}

SSDialog *ScreenSaver::previewWindow() const
{
    return m_previewWindow.data();
}

SSConfigurationDialog *ScreenSaver::configurationDialog() const
{
    return m_configurationDialog.data();
}

bool ScreenSaver::start()
{
    switch (m_mode) {
    case ScreenSaverCommandLine::ConfigurationMode:
        openConfigurationDialog();
        return m_configurationDialog != nullptr;
    case ScreenSaverCommandLine::FullScreenMode:
        if (!openScreenSaverWindow())
            return false;
        startQueue();
        return true;
    case ScreenSaverCommandLine::PreviewMode:
        if (!openPreviewWindow())
            return false;
        startQueue();
        return true;
    default:
        startQueue();
        return true;
    }
}

void ScreenSaver::startQueue()
{
    if (m_imageQueue && !m_imageQueue->isRunning())
        m_imageQueue->start(QThread::InheritPriority);
}

void ScreenSaver::closeWithApplication(QWidget *window)
{
    window->setAttribute(Qt::WA_QuitOnClose, true);
    // exit(), not quit(): Qt 6's quit() first asks every window to close.
    const auto end = [] { QCoreApplication::exit(0); };
    connect(window, &QObject::destroyed, m_application, end);
    // An embedded window is not a top-level window to the toolkit, so its
    // closing would not end the event loop by itself.
    if (auto *dialog = qobject_cast<QDialog *>(window))
        connect(dialog, &QDialog::finished, m_application, end);
}

void ScreenSaver::openConfigurationDialog()
{
    delete m_configurationDialog.data();
    m_configurationDialog = new SSConfigurationDialog();
    m_configurationDialog->setWindowTitle(
        QStringLiteral("%1 - %2").arg(QStringLiteral("Fotoria"), QStringLiteral("Fotoria Screensaver")));
    // Set before the delegate, so that opening stores nothing.
    m_configurationDialog->setValue(m_displayInterval);
    m_configurationDialog->setDelegate(this);
    closeWithApplication(m_configurationDialog);
    m_configurationDialog->show();
}

bool ScreenSaver::openScreenSaverWindow()
{
    delete m_screenSaverWindow.data();
    m_screenSaverWindow = new SSDialog();
    if (m_parentWindow != 0) {
        // XScreenSaver: draw into the window it made for us.
        if (!m_screenSaverWindow->initFromNativeParent(m_parentWindow)) {
            qDebug().noquote() << "ERROR! No window" << m_parentWindow << "to draw into";
            delete m_screenSaverWindow.data();
            return false;
        }
        watchHost(m_parentWindow);
    }
    closeWithApplication(m_screenSaverWindow);
    reportFirstPicture(m_screenSaverWindow);
    if (m_parentWindow != 0) {
        m_screenSaverWindow->show();
    } else {
        m_screenSaverWindow->showFullScreen();
        openOtherScreenWindows();
    }
    m_screenSaverWindow->setCursor(Qt::BlankCursor);
    QApplication::setOverrideCursor(Qt::BlankCursor);
    return true;
}

void ScreenSaver::openOtherScreenWindows()
{
    for (const QPointer<SSDialog> &window : std::as_const(m_otherScreenWindows))
        delete window.data();
    m_otherScreenWindows.clear();
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (int i = 1; i < screens.size(); ++i) {
        auto *window = new SSDialog();
        window->placeOnScreen(screens.at(i));
        closeWithApplication(window);
        window->showFullScreen();
        window->setCursor(Qt::BlankCursor);
        m_otherScreenWindows.append(window);
    }
}

bool ScreenSaver::openPreviewWindow()
{
    delete m_previewWindow.data();
    m_previewWindow = new SSDialog();
    if (!m_previewWindow->initFromNativeParent(m_parentWindow)) {
        qDebug().noquote() << "ERROR! No preview window" << m_parentWindow;
        delete m_previewWindow.data();
        return false;
    }
    // The pointer passing over a settings dialog's preview must not end it.
    m_previewWindow->setEndsOnInput(false);
    watchHost(m_parentWindow);
    closeWithApplication(m_previewWindow);
    reportFirstPicture(m_previewWindow);
    m_previewWindow->show();
    return true;
}

void ScreenSaver::watchHost(quintptr window)
{
    auto *watch = new platform::NativeWindowWatch(window, this);
    connect(watch, &platform::NativeWindowWatch::windowGone, this, [this]() {
        // Our window went with its host; nothing is left to close.
        qDebug() << "Host window closed, screensaver ends";
        QCoreApplication::exit(0);
    });
}

void ScreenSaver::reportFirstPicture(SSDialog *window)
{
    // Start-up benchmarks and end-to-end checks wait for this line.
    connect(window, &SSDialog::firstPictureVisible, this, []() { qDebug() << "First picture on screen"; });
}

void ScreenSaver::loadNewImageSlot(QString newImage)
{
    SSDialog *window = nullptr;
    if (m_mode == ScreenSaverCommandLine::FullScreenMode)
        window = m_screenSaverWindow;
    else if (m_mode == ScreenSaverCommandLine::PreviewMode)
        window = m_previewWindow;
    if (window)
        window->setImage(newImage);
    if (window == m_screenSaverWindow) {
        for (const QPointer<SSDialog> &other : std::as_const(m_otherScreenWindows)) {
            if (other)
                other->setImage(newImage);
        }
    }
}

void ScreenSaver::displayIntervalChanged(int seconds)
{
    if (seconds == m_displayInterval)
        return;
    qDebug().noquote() << "Display interval changed to" << seconds;
    m_displayInterval = seconds;
    Settings::setValue(kDisplayIntervalKey, seconds);
    if (m_imageQueue)
        m_imageQueue->setInterval(seconds);
    else
        qDebug().noquote() << "ERROR! ScreenSaver::displayIntervalChanged :" << __LINE__
                           << ": Image processing queue is NULL";
}

void ScreenSaver::reachedEndOfQueue()
{
    qDebug().noquote() << "----- Reached last image in the directory";
}

void ScreenSaver::imageListChanged()
{
    qDebug().noquote() << "----- List of imgages changed. Has been re-indexed.";
}

void ScreenSaver::imagesIsCorrupted(QString path)
{
    qDebug().noquote() << QStringLiteral("----- Image is corrupted: ") + path;
}

void ScreenSaver::loadedNewImage(QString path)
{
    qDebug().noquote() << QStringLiteral("----- Load new image: ") + path;
}
