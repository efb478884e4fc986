// The gallery (all photos or one channel) and the public share page.
#include "HttpUtil.h"
#include "PageLayout.h"

namespace fotoria::service {

namespace {

const char *const kGalleryStyle = R"CSS(<style>
.hero{position:relative;border-radius:14px;overflow:hidden;height:420px;margin-bottom:28px;background:#1c1f27 center/cover no-repeat}
.hero .shade{position:absolute;inset:0;left:0;right:0;top:0;bottom:0;background:linear-gradient(180deg,rgba(0,0,0,0) 40%,rgba(0,0,0,.75))}
.hero .text{position:absolute;left:32px;bottom:28px;right:32px}
.hero .kicker{text-transform:uppercase;letter-spacing:2px;font-size:12px;color:#ffb347;font-weight:700}
.hero h1{font-size:38px;margin:4px 0}
.hero .by{color:#d0d3da}
.hero .actions{margin-top:14px}
.hero .actions .btn{margin:0 10px 6px 0}
.grid{display:flex;flex-wrap:wrap;margin:0 -9px}
.card{width:calc(33.333% - 18px);margin:0 9px 18px;position:relative;border-radius:10px;overflow:hidden;background:#1c1f27;box-shadow:0 2px 10px rgba(0,0,0,.35)}
.card .pic{display:block;width:100%;padding-top:56.25%;background:#262a33 center/cover no-repeat}
.card .meta{padding:10px 14px 12px}
.card .title{color:#fff;font-weight:600}
.card .by{color:#8d93a3;font-size:13px}
.card .chan{position:absolute;top:10px;left:10px;background:rgba(0,0,0,.55);color:#fff;font-size:12px;padding:2px 10px;border-radius:12px}
.card .bar{position:absolute;left:0;right:0;top:0;display:flex;justify-content:flex-end;padding:10px;opacity:0;transition:opacity .2s}
.card:hover .bar{opacity:1}
.act{margin-left:6px;width:36px;height:36px;border-radius:18px;border:0;background:rgba(0,0,0,.6);color:#fff;display:inline-flex;align-items:center;justify-content:center;cursor:pointer}
.act:hover{background:#ff7a59}
.act svg{width:18px;height:18px;fill:currentColor}
.act.fav.on{background:#e8456b}
@media (max-width:900px){.card{width:calc(50% - 18px)}}
@media (min-width:1500px){.card{width:calc(25% - 18px)}}
.empty{color:#8d93a3;padding:60px 0;text-align:center}
</style>)CSS";

// Calls into the desktop client when the page runs inside it; in a plain
// browser the buttons fall back to links and a hint.
const char *const kGalleryScript = R"JS(
(function () {
  var favKey = 'fotoria.favorites';
  function favorites() {
    try { return JSON.parse(window.localStorage.getItem(favKey) || '{}'); } catch (e) { return {}; }
  }
  function saveFavorites(f) { try { window.localStorage.setItem(favKey, JSON.stringify(f)); } catch (e) {} }
  var toastTimer = null;
  function toast(text) {
    var t = document.getElementById('toast');
    t.textContent = text;
    t.className = 'toast show';
    if (toastTimer) clearTimeout(toastTimer);
    toastTimer = setTimeout(function () { t.className = 'toast'; }, 2200);
  }
  var messages = {
    'download': 'Downloading photo\u2026', 'wallpaper': 'Setting as wallpaper\u2026',
    'playlist': 'Choose a playlist\u2026', 'fav1': 'Added to Favorites', 'fav1-remove': 'Removed from Favorites',
    'share': 'Opening share page\u2026'
  };
  function photoAction(button) {
    var action = button.getAttribute('data-action');
    var channel = button.getAttribute('data-channel');
    var uuid = button.getAttribute('data-uuid');
    var url = button.getAttribute('data-url');
    var title = button.getAttribute('data-title') || '';
    if (action === 'fav1') {
      // The button's own state decides; storage may be switched off in the client.
      var on = / on$/.test(button.className);
      var f = favorites();
      if (on) { action = 'fav1-remove'; delete f[uuid]; } else { f[uuid] = 1; }
      saveFavorites(f);
      button.className = on ? 'act fav' : 'act fav on';
    }
    if (window.native_bridge && window.native_bridge.photoClicked) {
      window.native_bridge.photoClicked(channel, uuid, url, action, title);
      toast(messages[action] || 'Done');
      return false;
    }
    if (action === 'download') { window.location.href = url; return false; }
    if (action === 'share') { window.location.href = '/share/' + uuid; return false; }
    if (action === 'fav1' || action === 'fav1-remove') { toast(messages[action]); return false; }
    toast('Open this page in Fotoria Desktop to use wallpapers and playlists');
    return false;
  }
  var buttons = document.querySelectorAll('[data-action]');
  var f = favorites();
  for (var i = 0; i < buttons.length; i++) {
    var b = buttons[i];
    if (b.getAttribute('data-action') === 'fav1' && f[b.getAttribute('data-uuid')]) b.className = 'act fav on';
    b.onclick = (function (button) { return function (e) { if (e) e.preventDefault(); return photoAction(button); }; })(b);
  }
  window.fotoriaPhotoAction = photoAction;
})();
)JS";

QString actionButton(const Photo &p, const QString &url, const char *action, const char *iconName,
                     const QString &label, const char *cls = "act")
{
    return QStringLiteral("<button class=\"%1\" title=\"%2\" data-action=\"%3\" data-channel=\"%4\" "
                          "data-uuid=\"%5\" data-url=\"%6\" data-title=\"%7\">%8</button>")
        .arg(QLatin1String(cls), htmlEscape(label), QLatin1String(action), htmlEscape(p.channel), p.uuid,
             htmlEscape(url), htmlEscape(p.title), icon(iconName));
}

QString labelledButton(const Photo &p, const QString &url, const char *action, const char *iconName,
                       const QString &label, bool primary)
{
    return QStringLiteral("<button class=\"btn%1\" data-action=\"%2\" data-channel=\"%3\" data-uuid=\"%4\" "
                          "data-url=\"%5\" data-title=\"%6\">%7%8</button>")
        .arg(primary ? QStringLiteral(" primary") : QString(), QLatin1String(action), htmlEscape(p.channel),
             p.uuid, htmlEscape(url), htmlEscape(p.title), icon(iconName), htmlEscape(label));
}

QString card(const Photo &p, const PhotoCatalog &catalog, const PageContext &page)
{
    const QString full = PhotoCatalog::fullUrl(page.httpBase, p);
    return QStringLiteral("<article class=\"card\" id=\"photo-%1\" data-uuid=\"%1\" data-channel=\"%2\">"
                          "<a class=\"pic\" href=\"/share/%1\" style=\"background-image:url('%3')\"></a>"
                          "<span class=\"chan\">%4</span><div class=\"bar\">%5%6%7%8%9</div>")
               .arg(p.uuid, htmlEscape(p.channel), PhotoCatalog::screenUrl(page.httpBase, p),
                    htmlEscape(catalog.channelName(p.channel)),
                    actionButton(p, full, "download", "download", QStringLiteral("Download")),
                    actionButton(p, full, "wallpaper", "wallpaper", QStringLiteral("Set as wallpaper")),
                    actionButton(p, full, "playlist", "playlist", QStringLiteral("Add to playlist")),
                    actionButton(p, full, "fav1", "favorite", QStringLiteral("Favorite"), "act fav"),
                    actionButton(p, full, "share", "share", QStringLiteral("Share")))
        + QStringLiteral("<div class=\"meta\"><div class=\"title\">%1</div><div class=\"by\">by %2</div></div></article>")
              .arg(htmlEscape(p.title), htmlEscape(p.author));
}

QString hero(const Photo &p, const PhotoCatalog &catalog, const PageContext &page, const QString &kicker)
{
    const QString full = PhotoCatalog::fullUrl(page.httpBase, p);
    return QStringLiteral("<section class=\"hero\" style=\"background-image:url('%1')\"><div class=\"shade\"></div>"
                          "<div class=\"text\"><div class=\"kicker\">%2</div><h1>%3</h1>"
                          "<div class=\"by\">by %4 · %5</div><div class=\"actions\">%6%7%8</div></div></section>")
        .arg(PhotoCatalog::screenUrl(page.httpBase, p), htmlEscape(kicker), htmlEscape(p.title), htmlEscape(p.author),
             htmlEscape(catalog.channelName(p.channel)),
             labelledButton(p, full, "wallpaper", "wallpaper", QStringLiteral("Set as wallpaper"), true),
             labelledButton(p, full, "download", "download", QStringLiteral("Download"), false),
             labelledButton(p, full, "playlist", "playlist", QStringLiteral("Add to playlist"), false));
}

} // namespace

QString galleryPage(const PhotoCatalog &catalog, const QString &channel, const PageContext &page)
{
    if (channel.isEmpty()) {
        const QString body = QStringLiteral("<h1>Page not found</h1><p class=\"lead\">That photo or channel does not "
                                            "exist. <a href=\"/gallery/home\">Back to the gallery</a>.</p>");
        return pageShell(QStringLiteral("Not found"), body, page);
    }
    const bool home = channel == QLatin1String("home");
    const QList<Photo> photos = home ? catalog.photos() : catalog.inChannel(channel);
    const QString name = home ? QStringLiteral("Featured") : catalog.channelName(channel);

    QString body = QString::fromLatin1(kGalleryStyle);
    if (!photos.isEmpty()) {
        const Photo &top = home ? photos.at(QDate::currentDate().dayOfYear() % photos.size()) : photos.first();
        body += hero(top, catalog, page, home ? QStringLiteral("Photo of the day") : name);
    }
    body += QStringLiteral("<h1>%1</h1><p class=\"lead\">%2 photos, hand-picked for your desktop.</p>")
                .arg(htmlEscape(name))
                .arg(photos.size());
    body += QStringLiteral("<div class=\"grid\">");
    for (const Photo &p : photos)
        body += card(p, catalog, page);
    body += QStringLiteral("</div>");
    if (photos.isEmpty())
        body += QStringLiteral("<p class=\"empty\">No photos here yet.</p>");
    return pageShell(name, body, page, channel, QString::fromLatin1(kGalleryScript));
}

QString sharePage(const Photo &photo, const PhotoCatalog &catalog, const PageContext &page)
{
    QString body = QString::fromLatin1(kGalleryStyle);
    body += hero(photo, catalog, page, QStringLiteral("Shared with you"));
    body += QStringLiteral("<p class=\"lead\">Get this photo and hundreds more on your desktop with Fotoria. "
                           "<a href=\"%1\">Download the full-size photo</a> (1920 × 1080).</p>")
                .arg(htmlEscape(PhotoCatalog::fullUrl(page.httpBase, photo)));
    body += QStringLiteral("<h2>More from %1</h2><div class=\"grid\">").arg(htmlEscape(catalog.channelName(photo.channel)));
    for (const Photo &p : catalog.inChannel(photo.channel))
        if (p.uuid != photo.uuid)
            body += card(p, catalog, page);
    body += QStringLiteral("</div>");
    return pageShell(photo.title, body, page, photo.channel, QString::fromLatin1(kGalleryScript));
}

} // namespace fotoria::service
