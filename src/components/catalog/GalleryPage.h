#pragma once

#include <apps/desktopclient/ServicePage.h>

class CookieJar;
class ScriptBridge;

// The page of the main window's web view: a service page (it never leaves
// the service's origin) that offers "native_bridge" to documents of that
// origin only and keeps its cookies in the jar.
class GalleryPage : public ServicePage
{
    Q_OBJECT
public:
    GalleryPage(ScriptBridge *bridge, CookieJar *cookies, QObject *parent = nullptr);

signals:
    // The bridge was offered to (or withheld from) the page now loading.
    void bridgeAttached_Signal(bool attached);

protected:
    QString userAgentForUrl(const QUrl &url) const override;

private:
    void attachBridge();

    ScriptBridge *m_bridge;
};
