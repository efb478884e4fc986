#include "Settings.h"

#include "FileLocations.h"
#include "IniCodec.h"
#include "IniFileCheck.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMutex>
#include <QMutexLocker>
#include <QPoint>
#include <QScreen>
#include <QSettings>
#include <QSize>
#include <QStandardPaths>
#include <QStyle>
#include <QWidget>

bool Settings::isFirstRun = false;
bool Settings::saveWindowStateOnExit = true;

namespace {

// One store for the process; QSettings itself is reentrant but not thread
// safe on one object, so every access goes through this lock.
QSettings *g_store = nullptr;
QMutex g_lock;
QAtomicInt g_wasReset { 0 };

// The files a default store reads on Unix, named the way the toolkit names
// them: the application's own, then the organisation's.
QStringList storeFiles()
{
#ifdef Q_OS_UNIX
    QString organization = QCoreApplication::organizationName();
    if (organization.isEmpty())
        organization = QCoreApplication::organizationDomain();
    if (organization.isEmpty())
        organization = QStringLiteral("Unknown Organization");
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QLatin1Char('/') + organization;
    QStringList files;
    if (!QCoreApplication::applicationName().isEmpty())
        files << folder + QLatin1Char('/') + QCoreApplication::applicationName() + QStringLiteral(".conf");
    return files << folder + QStringLiteral(".conf");
#else
    return QStringList();
#endif
}

// Every file is looked at before the toolkit's reader sees it; one it cannot
// read is set aside and the store starts from defaults. The files hold the
// token: others may not read them.
QSettings *openStore()
{
    const QStringList files = storeFiles();
    bool usable = true;
    for (const QString &file : files)
        usable = IniFileCheck::vet(file, "Settings") && usable;
    if (!usable)
        qWarning() << "Settings: a damaged settings file could not be set aside and is read as it is";
    if (!files.isEmpty()) {
        ensureFolder(QFileInfo(files.first()).absolutePath());
        keepPrivate(files.first());
    }
    auto *settings = new QSettings();
    useUtf8(*settings);
    if (settings->status() == QSettings::FormatError) {
        // The writer would never replace it: nothing would be kept again.
        delete settings;
        for (const QString &file : files) {
            if (QSettings(file, QSettings::IniFormat).status() == QSettings::FormatError)
                IniFileCheck::setAside(file, "Settings", "cannot be parsed");
        }
        keepPrivate(files.value(0));
        settings = new QSettings();
        useUtf8(*settings);
    }
    return settings;
}

QSettings *store()
{
    if (!g_store)
        g_store = openStore();
    return g_store;
}

bool toBool(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toDouble() != 0;
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString text = value.toString().trimmed().toLower();
        if (text == QLatin1String("true"))
            return true;
        bool ok = false;
        const double number = text.toDouble(&ok);
        return ok && number != 0;
    }
    default:
        return false;
    }
}

int toInt(const QVariant &value)
{
    if (value.userType() == QMetaType::Bool)
        return value.toBool() ? 1 : 0;
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? number : 0;
}

QString toText(const QVariant &value)
{
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1String(", "));
    return value.canConvert<QString>() ? value.toString() : QString();
}

} // namespace

void Settings::initialize()
{
    QMutexLocker locker(&g_lock);
    delete g_store;
    g_store = openStore();
    const QVariant first = g_store->value(QStringLiteral("kFirstTime"), true);
    if (toBool(first)) {
        isFirstRun = true;
        g_store->setValue(QStringLiteral("kFirstTime"), false);
        g_store->sync();
    }
}

bool Settings::isInitialized()
{
    QMutexLocker locker(&g_lock);
    return g_store != nullptr;
}

QVariant Settings::value(const QString &key, const QVariant &defaultValue)
{
    QMutexLocker locker(&g_lock);
    return store()->value(key, defaultValue);
}

bool Settings::contains(const QString &key)
{
    QMutexLocker locker(&g_lock);
    return store()->contains(key);
}

bool Settings::getBool(const QString &key, bool defaultValue)
{
    QMutexLocker locker(&g_lock);
    if (!store()->contains(key))
        return defaultValue;
    return toBool(store()->value(key));
}

int Settings::getInt(const QString &key, int defaultValue)
{
    QMutexLocker locker(&g_lock);
    if (!store()->contains(key))
        return defaultValue;
    return toInt(store()->value(key));
}

QString Settings::getString(const QString &key, const QString &defaultValue)
{
    QMutexLocker locker(&g_lock);
    if (!store()->contains(key))
        return defaultValue;
    return toText(store()->value(key));
}

void Settings::setValue(const QString &key, const QVariant &value)
{
    QMutexLocker locker(&g_lock);
    store()->setValue(key, value);
    store()->sync();
}

void Settings::setValues(const QVariantMap &values)
{
    QMutexLocker locker(&g_lock);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        store()->setValue(it.key(), it.value());
    store()->sync();
}

void Settings::remove(const QString &key)
{
    QMutexLocker locker(&g_lock);
    store()->remove(key);
    store()->sync();
}

QVariant Settings::groupValue(const QString &group, const QString &key, const QVariant &defaultValue)
{
    return value(group + QLatin1Char('/') + key, defaultValue);
}

void Settings::setGroupValue(const QString &group, const QString &key, const QVariant &value)
{
    setValue(group + QLatin1Char('/') + key, value);
}

void Settings::saveWindowState(QWidget *window, const QString &group)
{
    // The quit that follows a reset must not write the window back.
    if (!window || !saveWindowStateOnExit)
        return;
    QMutexLocker locker(&g_lock);
    QSettings *s = store();
    s->beginGroup(group);
    s->setValue(QStringLiteral("geometry"), window->saveGeometry());
    if (auto *main = qobject_cast<QMainWindow *>(window))
        s->setValue(QStringLiteral("savestate"), main->saveState(0));
    const bool maximized = window->isMaximized();
    s->setValue(QStringLiteral("maximized"), maximized);
    if (!maximized) {
        s->setValue(QStringLiteral("pos"), window->pos());
        s->setValue(QStringLiteral("size"), window->size());
    }
    s->endGroup();
    s->sync();
}

void Settings::restoreWindowState(QWidget *window, const QString &group)
{
    if (!window)
        return;
    QByteArray geometry;
    QByteArray state;
    QPoint pos;
    QSize size;
    bool maximized = false;
    {
        QMutexLocker locker(&g_lock);
        QSettings *s = store();
        s->beginGroup(group);
        geometry = s->value(QStringLiteral("geometry")).toByteArray();
        state = s->value(QStringLiteral("savestate")).toByteArray();
        pos = s->value(QStringLiteral("pos"), window->pos()).toPoint();
        size = s->value(QStringLiteral("size"), window->size()).toSize();
        maximized = toBool(s->value(QStringLiteral("maximized"), false));
        s->endGroup();
    }

    if (geometry.isEmpty() || !window->restoreGeometry(geometry)) {
        // Never saved: centre the window, at its current size, on the
        // available area of the default screen.
        QScreen *screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        window->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window->size(),
                                                screen->availableGeometry()));
        return;
    }
    if (auto *main = qobject_cast<QMainWindow *>(window))
        main->restoreState(state, 0);
    window->move(pos);
    window->resize(size);
    if (maximized)
        window->showMaximized();
}

void Settings::reset()
{
    g_wasReset.storeRelease(1);
    {
        QMutexLocker locker(&g_lock);
        store()->clear();
        store()->sync();
    }

    FileLocations locations;
    const QString photos = QFileInfo(FileLocations::photosFolder()).absoluteFilePath();
    QDir base(FileLocations::baseFolder());
    if (base.exists()) {
        const QFileInfoList entries = base.entryInfoList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::DirsFirst);
        for (const QFileInfo &entry : entries) {
            qDebug() << "reset:" << entry.absoluteFilePath() << photos;
            if (entry.isDir() && !entry.isSymLink()) {
                if (entry.absoluteFilePath() != photos)
                    removeTree(entry.absoluteFilePath());
            } else {
                QFile::remove(entry.absoluteFilePath());
            }
        }
    }
    QFile::remove(FileLocations::cookieFile());

    saveWindowStateOnExit = false;
    if (QCoreApplication::instance())
        // exit(), not quit(): Qt 6's quit() first asks every window to close.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

bool Settings::wasReset()
{
    return g_wasReset.loadAcquire();
}

QString Settings::fileName()
{
    QMutexLocker locker(&g_lock);
    return store()->fileName();
}
