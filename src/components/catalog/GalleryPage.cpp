#include "GalleryPage.h"

#include "ScriptBridge.h"

#include <core/ServiceAddress.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QWebChannel>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace {

const QString kPageScript = QStringLiteral("fotoria-native-bridge");
const QString kRelayScript = QStringLiteral("fotoria-bridge-relay");

// In the page's own world. %1: the service's origin, %2: the favourites.
const char kPageSource[] = R"JS((function () {
  if (location.origin !== %1) return;
  var favorites = %2;
  document.addEventListener('fotoria-favorites', function (e) {
    try { var list = JSON.parse(e.detail); if (Array.isArray(list)) favorites = list; } catch (x) {}
  });
  function send(call) {
    document.dispatchEvent(new CustomEvent('fotoria-bridge-call', { detail: JSON.stringify(call) }));
  }
  function text(value) { return value === undefined || value === null ? '' : String(value); }
  var bridge = Object.freeze({
    loadFavorites: function () { return favorites.slice(); },
    photoClicked: function (channel, uuid, url, action, title) {
      send(['photoClicked', text(channel), text(uuid), text(url), text(action), text(title)]);
    },
    nextDropUrl: function (url) { send(['nextDropUrl', text(url)]); }
  });
  Object.defineProperty(window, 'native_bridge', { value: bridge, enumerable: true });
})();)JS";

// In our own world, after qwebchannel.js. %1: the service's origin.
const char kRelaySource[] = R"JS((function () {
  if (location.origin !== %1) return;
  var arity = { photoClicked: 5, nextDropUrl: 1 };
  var bridge = null, waiting = [];
  function call(c) { bridge[c[0]].apply(bridge, c.slice(1)); }
  new QWebChannel(qt.webChannelTransport, function (channel) {
    // "Idle" only asks for property updates, which this bridge has none of,
    // and keeps a 50 ms timer running in the program for as long as the page.
    var exec = channel.exec;
    channel.exec = function (data, callback) {
      if (data.type !== QWebChannelMessageTypes.idle) exec.call(channel, data, callback);
    };
    bridge = channel.objects.native_bridge;
    waiting.forEach(call);
    waiting = null;
  });
  document.addEventListener('fotoria-bridge-call', function (e) {
    var c;
    try { c = JSON.parse(e.detail); } catch (x) { return; }
    if (!Array.isArray(c) || typeof c[0] !== 'string' || !Object.prototype.hasOwnProperty.call(arity, c[0])) return;
    var checked = [c[0]];
    for (var i = 1; i <= arity[c[0]]; ++i) checked.push(typeof c[i] === 'string' ? c[i] : '');
    if (bridge) call(checked); else waiting.push(checked);
  });
})();)JS";

QString jsString(const QString &text)
{
    const QByteArray json = QJsonDocument(QJsonArray { text }).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

QString jsList(const QStringList &items)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(items)).toJson(QJsonDocument::Compact));
}

QString serviceOrigin()
{
    QUrl service(ServiceAddress::serviceUrl(), QUrl::TolerantMode);
    // As a document tells its origin: no default port.
    const int defaultPort = service.scheme() == QLatin1String("https") ? 443 : 80;
    if (service.port() == defaultPort)
        service.setPort(-1);
    return service.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
        .toString(QUrl::FullyEncoded);
}

QString webChannelSource()
{
    QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QWebEngineScript script(const QString &name, const QString &source, quint32 world)
{
    QWebEngineScript made;
    made.setName(name);
    made.setSourceCode(source);
    made.setWorldId(world);
    made.setInjectionPoint(QWebEngineScript::DocumentCreation);
    made.setRunsOnSubFrames(false);
    return made;
}

} // namespace

GalleryPage::GalleryPage(ScriptBridge *bridge, QWebEngineProfile *profile, QObject *parent)
    : ServicePage(profile, parent)
    , m_channel(new QWebChannel(this))
{
    m_channel->registerObject(QStringLiteral("native_bridge"), bridge);
    setWebChannel(m_channel, QWebEngineScript::ApplicationWorld);
    m_favorites = bridge->loadFavorites();
    installScripts();
}

void GalleryPage::setFavorites(const QStringList &uuids)
{
    if (uuids == m_favorites)
        return;
    m_favorites = uuids;
    installScripts();
    const QString update = QStringLiteral(
        "document.dispatchEvent(new CustomEvent('fotoria-favorites', { detail: %1 }));")
                               .arg(jsString(jsList(uuids)));
    runJavaScript(update, QWebEngineScript::ApplicationWorld);
}

void GalleryPage::installScripts()
{
    QWebEngineScriptCollection &all = scripts();
    const QList<QWebEngineScript> installed = all.toList();
    for (const QWebEngineScript &old : installed) {
        if (old.name() == kPageScript || old.name() == kRelayScript)
            all.remove(old);
    }
    // The service's address may change (a test, another service): read at
    // every install.
    const QString origin = jsString(serviceOrigin());
    all.insert(script(kRelayScript, webChannelSource() + QLatin1Char('\n') + QString::fromLatin1(kRelaySource).arg(origin),
        QWebEngineScript::ApplicationWorld));
    all.insert(script(kPageScript, QString::fromLatin1(kPageSource).arg(origin, jsList(m_favorites)),
        QWebEngineScript::MainWorld));
}
