#include "PageLayout.h"

#include "HttpUtil.h"

namespace fotoria::service {

namespace {

const char *const kStyle = R"CSS(
*{box-sizing:border-box}
html,body{margin:0;padding:0}
body{background:#111318;color:#e8e8ec;font-family:"Helvetica Neue",Helvetica,Arial,"DejaVu Sans",sans-serif;font-size:15px;line-height:1.5}
a{color:#7cc4ff;text-decoration:none}
a:hover{text-decoration:underline}
.topbar{position:-webkit-sticky;position:sticky;top:0;z-index:10;display:flex;align-items:center;padding:0 28px;height:60px;background:rgba(17,19,24,.94);border-bottom:1px solid #23262e}
.logo{display:flex;align-items:center;margin-right:24px;color:#fff;font-weight:700;font-size:22px;letter-spacing:.5px}
.logo:hover{text-decoration:none}
.logo .mark{margin-right:10px;width:30px;height:30px;border-radius:8px;background:linear-gradient(135deg,#ff7a59,#ffb347 45%,#36c2ff);box-shadow:0 2px 8px rgba(255,122,89,.35)}
.nav{display:flex;flex:1;overflow:hidden;white-space:nowrap}
.nav a{margin-right:4px;color:#b8bcc8;padding:6px 12px;border-radius:16px;font-size:14px}
.nav a:hover{background:#23262e;color:#fff;text-decoration:none}
.nav a.active{background:#fff;color:#111318;font-weight:600}
.who{margin-left:16px;color:#8d93a3;font-size:13px;white-space:nowrap}
.who b{color:#fff;font-weight:600}
main{max-width:1400px;margin:0 auto;padding:28px}
h1{font-size:30px;margin:0 0 6px;font-weight:700;color:#fff}
h2{font-size:20px;margin:32px 0 12px;color:#fff}
.lead{color:#9aa0ae;margin:0 0 24px}
.footer{border-top:1px solid #23262e;margin-top:48px;padding:24px 28px;color:#6f7586;font-size:13px;text-align:center}
.btn{display:inline-flex;align-items:center;padding:9px 16px;border-radius:20px;border:0;background:#2a2e38;color:#fff;font-size:14px;cursor:pointer}
.btn:hover{background:#3a3f4c;text-decoration:none}
.btn.primary{background:#ff7a59}
.btn.primary:hover{background:#ff8f73}
.btn svg{width:16px;height:16px;fill:currentColor;margin-right:8px}
.toast{position:fixed;left:50%;bottom:28px;transform:translateX(-50%) translateY(20px);background:#fff;color:#111318;padding:10px 20px;border-radius:22px;font-weight:600;box-shadow:0 6px 24px rgba(0,0,0,.45);opacity:0;transition:all .25s;pointer-events:none;z-index:20}
.toast.show{opacity:1;transform:translateX(-50%) translateY(0)}
)CSS";

} // namespace

QString icon(const char *name)
{
    const QString n = QString::fromLatin1(name);
    QString path;
    if (n == QLatin1String("download"))
        path = QStringLiteral("M11 3h2v10.2l3.6-3.6 1.4 1.4-6 6-6-6 1.4-1.4 3.6 3.6zM4 19h16v2H4z");
    else if (n == QLatin1String("wallpaper"))
        path = QStringLiteral("M3 4h18a1 1 0 0 1 1 1v12a1 1 0 0 1-1 1h-7v2h3v2H7v-2h3v-2H3a1 1 0 0 1-1-1V5a1 1 0 0 1 1-1zm1 2v10h16V6zm2 8 3.5-4.5 2.5 3 1.5-2L17 14z");
    else if (n == QLatin1String("playlist"))
        path = QStringLiteral("M3 6h12v2H3zm0 4h12v2H3zm0 4h8v2H3zm14-2V9h2v3h3v2h-3v3h-2v-3h-3v-2z");
    else if (n == QLatin1String("favorite"))
        path = QStringLiteral("M12 21.3 10.6 20C5.4 15.4 2 12.3 2 8.5 2 5.4 4.4 3 7.5 3c1.7 0 3.4.8 4.5 2.1C13.1 3.8 14.8 3 16.5 3 19.6 3 22 5.4 22 8.5c0 3.8-3.4 6.9-8.6 11.5z");
    else if (n == QLatin1String("share"))
        path = QStringLiteral("M18 16.1c-.8 0-1.5.3-2 .8l-7.1-4.2c.1-.2.1-.5.1-.7s0-.5-.1-.7L16 7.2c.5.5 1.2.8 2 .8 1.7 0 3-1.3 3-3s-1.3-3-3-3-3 1.3-3 3c0 .2 0 .5.1.7L8 9.8C7.5 9.3 6.8 9 6 9c-1.7 0-3 1.3-3 3s1.3 3 3 3c.8 0 1.5-.3 2-.8l7.1 4.2c-.1.2-.1.4-.1.6 0 1.6 1.3 2.9 2.9 2.9s2.9-1.3 2.9-2.9-1.2-2.9-2.8-2.9z");
    return QStringLiteral("<svg viewBox=\"0 0 24 24\" aria-hidden=\"true\"><path d=\"%1\"/></svg>").arg(path);
}

QString pageShell(const QString &title, const QString &body, const PageContext &page,
                  const QString &activeChannel, const QString &script)
{
    static const PhotoCatalog catalog;
    QString nav;
    auto navLink = [&](const QString &slug, const QString &name) {
        nav += QStringLiteral("<a href=\"/gallery/%1\"%2>%3</a>")
                   .arg(slug, slug == activeChannel ? QStringLiteral(" class=\"active\"") : QString(), htmlEscape(name));
    };
    navLink(QStringLiteral("home"), QStringLiteral("Featured"));
    for (const Channel &c : catalog.channels())
        navLink(c.slug, c.name);

    const QString who = page.user && !page.user->serviceAccount
                            ? QStringLiteral("Signed in as <b>%1</b>").arg(htmlEscape(page.user->username))
                            : QStringLiteral("Browsing as guest");

    return QStringLiteral(
               "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
               "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
               "<title>%1 · Fotoria</title><style>%2</style></head><body>"
               "<header class=\"topbar\"><a class=\"logo\" href=\"/gallery/home\"><span class=\"mark\"></span>Fotoria</a>"
               "<nav class=\"nav\">%3</nav><div class=\"who\">%4</div></header>"
               "<main>%5</main>"
               "<footer class=\"footer\">Fotoria · Photos for your desktop · <a href=\"/howto\">Help</a></footer>"
               "<div class=\"toast\" id=\"toast\"></div>%6</body></html>\n")
        .arg(htmlEscape(title), QString::fromLatin1(kStyle), nav, who, body,
             script.isEmpty() ? QString() : QStringLiteral("<script>%1</script>").arg(script));
}

} // namespace fotoria::service
