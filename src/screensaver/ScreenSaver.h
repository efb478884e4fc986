#pragma once

#include "SSConfigurationDialogDelegate.h"
#include "SSImageDelegate.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QApplication;
class SSConfigurationDialog;
class SSDialog;
class SSImageQueue;

// The screensaver's controller: opens the window its mode asks for (one per
// monitor in full screen), runs the picture queue and passes each picture on.
class ScreenSaver : public QObject, public SSImageDelegate, public SSConfigurationDialogDelegate
{
    Q_OBJECT
public:
    explicit ScreenSaver(QApplication *application);
    // Stops and joins the queue's thread and deletes the windows.
    ~ScreenSaver() override;

    void setMode(int mode) { m_mode = mode; }
    int mode() const { return m_mode; }
    void setParentWindow(quintptr window) { m_parentWindow = window; }
    quintptr parentWindow() const { return m_parentWindow; }

    // Opens the mode's window and starts the queue (not in configuration
    // mode). False when the window cannot be opened (no host window).
    bool start();

    int displayInterval() const { return m_displayInterval; }
    SSImageQueue *imageQueue() const { return m_imageQueue; }
    SSDialog *screenSaverWindow() const;
    SSDialog *previewWindow() const;
    SSConfigurationDialog *configurationDialog() const;

    // SSImageDelegate
    void reachedEndOfQueue() override;
    void imageListChanged() override;
    void imagesIsCorrupted(QString path) override;
    void loadedNewImage(QString path) override;

    // SSConfigurationDialogDelegate
    void displayIntervalChanged(int seconds) override;

    static const QString kDisplayIntervalKey;

public slots:
    void loadNewImageSlot(QString newImage);

private:
    void openConfigurationDialog();
    bool openScreenSaverWindow();
    void openOtherScreenWindows();
    bool openPreviewWindow();
    void closeWithApplication(QWidget *window);
    void watchHost(quintptr window);
    void reportFirstPicture(SSDialog *window);
    void startQueue();

    QApplication *m_application;
    int m_mode = 0;
    quintptr m_parentWindow = 0;
    QPointer<SSDialog> m_screenSaverWindow;
    // Full screen without a host: the same pictures on every further monitor.
    QList<QPointer<SSDialog>> m_otherScreenWindows;
    QPointer<SSConfigurationDialog> m_configurationDialog;
    QPointer<SSDialog> m_previewWindow;
    SSImageQueue *m_imageQueue = nullptr;
    int m_displayInterval = 10;
};
