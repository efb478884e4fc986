#pragma once

#include <apps/desktopclient/ServicePage.h>

#include <QStringList>

class ScriptBridge;
class QWebChannel;

// The page of the main window's web view: a service page (it never leaves
// the service's origin) whose documents of that origin, and only those,
// find "native_bridge" before their own scripts run.
//
// The page's scripts never touch a program object. Its "native_bridge" is
// plain script: loadFavorites() answers from a list the program hands in,
// and the two calls travel as text to a script in a world of our own, which
// forwards only those two, with string arguments, over the web channel.
class GalleryPage : public ServicePage
{
    Q_OBJECT
public:
    GalleryPage(ScriptBridge *bridge, QWebEngineProfile *profile, QObject *parent = nullptr);

    // What loadFavorites() answers from now on, in this document and the next.
    void setFavorites(const QStringList &uuids);

private:
    void installScripts();

    QWebChannel *m_channel;
    QStringList m_favorites;
};
