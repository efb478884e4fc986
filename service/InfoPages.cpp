// Help, notice and account pages.
#include "HttpUtil.h"
#include "PageLayout.h"

namespace fotoria::service {

namespace {

const char *const kHelpStyle = R"CSS(<style>
.help{max-width:820px}
.help section{background:#1c1f27;border-radius:12px;padding:18px 24px;margin:0 0 14px}
.help h2{margin:0 0 6px;font-size:18px}
.help p,.help li{color:#c3c7d1}
.help ol{padding-left:20px;margin:6px 0}
.help kbd{background:#2a2e38;border-radius:4px;padding:1px 6px;font-size:13px;color:#fff}
</style>)CSS";

} // namespace

QString howtoPage(const PageContext &page)
{
    const QString body = QString::fromLatin1(kHelpStyle) + QStringLiteral(R"HTML(
<div class="help">
<h1>How to use Fotoria</h1>
<p class="lead">A few minutes with these steps and your desktop changes with the photos you love.</p>
<section id="start"><h2>Getting started</h2>
<p>Fotoria Desktop sits in your system tray. Click its icon to open the gallery. You can browse without an account;
sign in with the button in the top right corner to keep your playlists in step with your Fotoria account.</p></section>
<section id="wallpaper"><h2>Set a photo as your wallpaper</h2>
<ol><li>Hover over a photo in the gallery.</li><li>Click the <b>Set as wallpaper</b> button.</li>
<li>The photo is downloaded into the <i>Wallpaper</i> playlist and shown on your desktop right away.</li></ol></section>
<section id="playlists"><h2>Playlists</h2>
<p>Playlists are folders of photos on your computer. Use <b>Add to playlist</b> on any photo, or drag photos and whole
folders onto a playlist. Tick a playlist to let it feed the wallpaper rotation and the screensaver; untick it to rest it.
The <b>Favorite</b> button keeps a photo in your <i>Favorites</i> playlist.</p></section>
<section id="rotation"><h2>Changing wallpapers</h2>
<p>In <b>Settings</b> choose how often Fotoria picks a new photo from your active playlists.
Every photo is scaled to fill your screen.</p></section>
<section id="calendar"><h2>Calendar on your desktop</h2>
<p>Open the <b>Calendar</b> window to draw a month calendar onto your wallpaper. Choose its corner, its text size,
the first day of the week and how many past and future months to show. The change shows with the next wallpaper.</p></section>
<section id="screensaver"><h2>Screensaver</h2>
<p>Fotoria plays your active playlists as a screensaver, fading from photo to photo. Start it from a playlist with the
play button, or choose Fotoria in your system's screensaver settings.</p></section>
<section id="problems"><h2>Something is not working?</h2>
<p>Choose <b>Report a problem</b> from the tray menu, describe what happened and press OK. Your report includes the
application log, which helps us find the cause quickly.</p></section>
</div>)HTML");
    return pageShell(QStringLiteral("Help"), body, page);
}

QString notificationsPage()
{
    return QStringLiteral(R"HTML(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>What's new</title>
<style>
body{margin:0;font-family:"Helvetica Neue",Helvetica,Arial,"DejaVu Sans",sans-serif;background:#111318;color:#e8e8ec}
.notice{margin:32px auto;max-width:640px;padding:28px 32px;border-radius:14px;background:linear-gradient(135deg,#1c1f27,#242836)}
.kicker{text-transform:uppercase;letter-spacing:2px;font-size:12px;color:#ffb347;font-weight:700}
h1{margin:6px 0 10px;font-size:26px;color:#fff}
p,li{color:#c3c7d1;line-height:1.55}
</style></head><body>
<div class="notice"><div class="kicker">Fotoria 1.4</div><h1>New: a calendar on your wallpaper</h1>
<p>Fotoria can now draw a month calendar onto your desktop wallpaper.</p>
<ul><li>Pick its corner and text size in the Calendar window.</li>
<li>Show up to two past and two future months.</li>
<li>Start the week on Sunday or Monday.</li></ul>
<p>Thanks for using Fotoria!</p></div>
</body></html>
)HTML");
}

QString accountPage(const Account &account, const PageContext &page)
{
    const QString body = QString::fromLatin1(kHelpStyle)
        + QStringLiteral("<div class=\"help\"><h1>Your account</h1><section><h2>%1</h2><p>User name: <b>%2</b><br>"
                         "E-mail: <b>%3</b><br>Member since February 2014</p></section></div>")
              .arg(htmlEscape(account.name), htmlEscape(account.username), htmlEscape(account.email));
    return pageShell(QStringLiteral("Account"), body, page);
}

} // namespace fotoria::service
