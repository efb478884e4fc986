#include "WebProfile.h"

#include "RequestGuard.h"

#include <core/AppInfo.h>

#include <QCoreApplication>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QWebEngineProfile>

namespace {

constexpr int kCacheBytes = 64 * 1024 * 1024;

QWebEngineProfile *guarded(QWebEngineProfile *profile)
{
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile->setUrlRequestInterceptor(new RequestGuard(profile));
    return profile;
}

QWebEngineProfile *onDisk()
{
    auto *profile = new QWebEngineProfile(QStringLiteral("gallery"), QCoreApplication::instance());
    const QString root = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/webengine");
    profile->setPersistentStoragePath(root + QStringLiteral("/storage"));
    profile->setCachePath(root + QStringLiteral("/cache"));
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    profile->setHttpCacheMaximumSize(kCacheBytes);
    return profile;
}

} // namespace

namespace WebProfile {

void prepareApplication()
{
    QQuickWindow::setSceneGraphBackend(QStringLiteral("software"));
}

QWebEngineProfile *gallery(bool keepNothing)
{
    static QWebEngineProfile *const profile = [keepNothing] {
        QWebEngineProfile *made = keepNothing ? new QWebEngineProfile(QCoreApplication::instance()) : onDisk();
        // The service tells the desktop client's pages by this.
        made->setHttpUserAgent(made->httpUserAgent() + QStringLiteral(" FotoriaDesktop/") + AppInfo::version);
        return guarded(made);
    }();
    return profile;
}

QWebEngineProfile *transient()
{
    static QWebEngineProfile *const profile = guarded(new QWebEngineProfile(QCoreApplication::instance()));
    return profile;
}

} // namespace WebProfile
