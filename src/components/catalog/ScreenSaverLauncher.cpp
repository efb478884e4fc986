#include "ScreenSaverLauncher.h"

#include <core/ImageStore.h>
#include <platform/ScreenSaverProgram.h>

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

QString ScreenSaverLauncher::program(const QString &folder)
{
    const QStringList folders
        = platform::screenSaverFolders(folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder);
    for (const QString &candidate : folders) {
        const QString path = QDir(candidate).filePath(platform::screenSaverFileName());
        if (QFileInfo(path).isExecutable())
            return path;
    }
    // Named even when missing, so that the failure message says where we looked first.
    return QDir(folders.first()).filePath(platform::screenSaverFileName());
}

ScreenSaverLauncher::Result ScreenSaverLauncher::start(const QString &folder, qint64 *pid)
{
    ImageStore *store = ImageStore::instance();
    // Pictures added since the last change of playlists count too.
    store->rebuild();
    if (store->activeCount() < 1 || store->pictureCount() < 1)
        return Result::NoPictures;
    if (!QProcess::startDetached(program(folder), { QStringLiteral("/s") }, QString(), pid)) {
        qWarning().noquote() << "Cannot start the screensaver" << program(folder);
        return Result::NotStarted;
    }
    return Result::Started;
}
