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
<p>Fotoria Desktop sits in your system tray. Double-click its icon, or choose <b>Show Fotoria</b> from its menu, to open
the Fotoria window; the Fotoria logo at its top left brings you to the gallery. You can browse without an account;
sign in with the button in the top right corner to use your own Fotoria account. Your playlists stay on your computer
either way.</p></section>
<section id="wallpaper"><h2>Set a photo as your wallpaper</h2>
<ol><li>Hover over a photo in the gallery.</li><li>Click the <b>Set as wallpaper</b> button.</li>
<li>The photo is downloaded into the <i>Wallpaper</i> playlist and shown on your desktop as soon as it arrives.</li></ol></section>
<section id="playlists"><h2>Playlists</h2>
<p>Playlists are folders of photos on your computer; the playlist button in the toolbar shows them. Use
<b>Add to playlist</b> on any photo, or drag photos onto a playlist. Drop a whole folder onto the row of playlists to
copy its JPG photos into a new playlist of the same name. Press <b>Use for wallpaper...</b> and tick a playlist to let
it feed the wallpaper rotation and the screensaver; untick it to rest it.
The <b>Favorite</b> button keeps a photo in your <i>Favorites</i> playlist.</p></section>
<section id="rotation"><h2>Changing wallpapers</h2>
<p>In <b>Settings</b>, <b>Change Wallpaper every</b> sets how often Fotoria picks a new photo from your active
playlists, from every minute to once a day, or never. Every photo is scaled to fill your screen.</p></section>
<section id="calendar"><h2>Calendar on your desktop</h2>
<p>Open the <b>Calendar</b> window with the calendar button and tick <b>Display calendar on desktop wallpaper</b> to
draw a month calendar onto your wallpaper. Choose its corner, its text size, the first day of the week and how many
past and future months to show. The change shows with the next wallpaper.</p></section>
<section id="screensaver"><h2>Screensaver</h2>
<p>Fotoria plays your active playlists as a screensaver, one photo at a time, fading to and from black. Start it with
the <b>Screensaver</b> button above a playlist's photos; a key, a click or moving the mouse ends it. To let your
system start it, put Fotoria in the <i>programs</i> list of <i>~/.xscreensaver</i> and choose it in XScreenSaver's
settings (<b>Settings</b> &rarr; <b>Open Screensaver Control Panel</b>). The play button next to <b>Screensaver</b>
shows the playlist as a slideshow in a window instead.</p></section>
<section id="problems"><h2>Something is not working?</h2>
<p>In <b>Settings</b>, press <b>Send...</b> next to <i>Send errors to Support</i>, describe what happened and press OK.
Your report includes the end of the application log and a description of your system, which helps us find the cause
quickly.</p></section>
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
