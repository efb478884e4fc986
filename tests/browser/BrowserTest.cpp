#include <FotoriaService.h>
#include <TestFiles.h>
#include <TestMain.h>
#include <WebPageScripts.h>

#include <WallpaperManager.h>
#include <apps/desktopclient/ImageWindow.h>
#include <apps/desktopclient/ProgressDialog.h>
#include <components/catalog/BrowserPrompts.h>
#include <components/catalog/CABrowser.h>
#include <components/catalog/CAFileGetter.h>
#include <components/catalog/CAListWidget.h>
#include <components/catalog/CALocalImages.h>
#include <components/catalog/CAPlayListListWidget.h>
#include <components/catalog/CAPlaylistItemWidget.h>
#include <components/catalog/GalleryPage.h>
#include <components/catalog/PhotoActions.h>
#include <components/catalog/PhotoListModel.h>
#include <components/catalog/PhotoTileDelegate.h>
#include <components/catalog/TileThumbnails.h>
#include <components/catalog/ScreenSaverLauncher.h>
#include <components/catalog/ScriptBridge.h>
#include <core/FileLocations.h>
#include <core/ImageStore.h>
#include <core/Settings.h>
#include <core/User.h>
#include <io/ProtocolManager.h>

#include <QDesktopServices>
#include <QDirIterator>
#include <QAction>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QStandardItemModel>
#include <QWebEngineView>

#include <csignal>

using fotoria::test::FotoriaService;

namespace {

// Canned answers to the window's questions, and a record of its notices.
struct TestPrompts : BrowserPrompts
{
    QStringList notices;
    QString text;
    bool yes = true;
    QString saveFile;
    QString playlist;
    QString proposed; // what the last save dialog opened at
    QStringList questions; // asked with No as the default
    QStringList pictures; // chosen in the file dialog

    void inform(const QString &title, const QString &text) override { notices << title + "|" + text; }
    bool confirm(const QString &, const QString &) override { return yes; }
    bool confirmDefaultNo(const QString &title, const QString &text) override
    {
        questions << title + "|" + text;
        return yes;
    }
    QStringList choosePictures(const QString &) override { return pictures; }
    QString askText(const QString &, const QString &, const QString &) override { return text; }
    QString askSaveFile(const QString &path) override { return proposed = path, saveFile; }
    QString choosePlaylist(const QStringList &) override { return playlist; }
    void feedback(const QString &title, const QString &text, const QString &) override
    {
        notices << title + "|" + text;
    }
};

// Stands in for the desktop browser.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

QString playlistFolder(const QString &name)
{
    return FileLocations::playlistFolder() + "/" + name;
}

void writePicture(const QString &path, QColor color, int ageSeconds = 0)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(640, 360, QImage::Format_RGB32);
    image.fill(color);
    QVERIFY(image.save(path, "JPG"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime);
}

int filesUnder(const QString &folder)
{
    int count = 0;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); it.next())
        ++count;
    return count;
}

} // namespace

class BrowserTest : public QObject
{
    Q_OBJECT

    FotoriaService m_service;
    TestPrompts m_prompts;
    UrlRecorder m_urls;
    CABrowser *m_browser = nullptr;
    QString m_installed;

    GalleryPage *page() const { return m_browser->galleryPage(); }
    QVariant js(const QString &script) const { return fotoria::test::runScript(page(), script); }

    // Signs the view in again and waits for the gallery with its bridge.
    void showGallery()
    {
        m_browser->refresh_Slot();
        QSignalSpy loaded(page(), &QWebEnginePage::loadFinished);
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty() && page()->url().path() == "/gallery/home", 15000);
        QCOMPARE(js("document.readyState + ' ' + typeof native_bridge").toString(), QStringLiteral("complete object"));
    }

    QStringList events()
    {
        QStringList names;
        for (const QJsonValue &entry : m_service.journal("/track"))
            names << entry.toObject().value("decoded").toObject().value("event").toString();
        return names;
    }

    CAListWidget *photoList() const { return m_browser->form().playListImageListWidget; }

    // Selects a playlist and waits until its photos (or the placeholder) are listed.
    void showPlaylist(const QString &name, int photos)
    {
        m_browser->reloadPlaylists();
        QTRY_VERIFY(m_browser->playlistNames().contains(name));
        m_browser->selectPlaylist_Slot(name);
        if (photos == 0)
            QTRY_COMPARE(photoList()->model()->rowCount() == 1 ? photoList()->model()->index(0, 0).data(4000).toString() : QString(),
                QStringLiteral("empty-flag"));
        else
            QTRY_VERIFY2(m_browser->playlistPhotos().size() == photos,
                qPrintable(m_browser->playlistPhotos().join(", ") + " in "
                    + QDir(playlistFolder(name)).entryList(QDir::Files).join(", ")));
    }

    void selectPhoto(const QString &path)
    {
        photoList()->clearSelection();
        const QModelIndex index = photoList()->model()->index(m_browser->playlistPhotos().indexOf(path), 0);
        photoList()->selectionModel()->select(index, QItemSelectionModel::Select);
        QCOMPARE(photoList()->selectedPaths(), QStringList(path));
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QNetworkReply::NetworkError>();
        QString error;
        QVERIFY2(m_service.start(&error), qPrintable(error));
        Settings::setValue("kServiceUrl", m_service.baseUrl());
        m_installed = fotoria::test::testHome() + "/installed.bmp";
        Settings::setValue("kWallpaperCommand", QStringLiteral("cp %f ") + m_installed);
        FileLocations().createDirectories();
        QDesktopServices::setUrlHandler("http", &m_urls, "open");

        QSignalSpy signedIn(ProtocolManager::instance(), &ProtocolManager::authAttempt_Signal);
        ProtocolManager::instance()->loginServiceAccount();
        QVERIFY(signedIn.wait(10000));
        QCOMPARE(signedIn.first().first().value<QNetworkReply::NetworkError>(), QNetworkReply::NoError);

        m_browser = new CABrowser(&m_prompts);
        connect(m_browser, &CABrowser::wallpaperRequested_Signal, WallpaperManager::instance(),
            &WallpaperManager::showWallpaper);
        connect(CAFileGetter::instance(), &CAFileGetter::wallpaperRequested_Signal,
            WallpaperManager::instance(), &WallpaperManager::showWallpaper);
        connect(WallpaperManager::instance(), &WallpaperManager::changeFinished_Signal, m_browser,
            &CABrowser::wallpaperFinished_Slot);
        CAFileGetter::instance()->start_Slot();
        m_browser->show();
    }

    void cleanupTestCase()
    {
        CAFileGetter::instance()->stop();
        CALocalImages::instance()->stop();
        delete m_browser;
    }

    void signsInAndShowsTheGallery_data()
    {
        QTest::addColumn<QString>("email"); // empty: the service account
        QTest::addColumn<QString>("shown");
        QTest::newRow("a person's stored token") << "demo@fotoria.com" << "Signed in as demo";
        QTest::newRow("service account") << QString() << "Browsing as guest";
    }

    void signsInAndShowsTheGallery()
    {
        QFETCH(QString, email);
        QFETCH(QString, shown);
        ProtocolManager *protocol = ProtocolManager::instance();
        QSignalSpy signedIn(protocol, &ProtocolManager::authAttempt_Signal);
        if (email.isEmpty()) {
            protocol->loginServiceAccount();
        } else {
            protocol->login(email, "demo1234", false);
            QVERIFY(signedIn.wait(10000));
            protocol->login(email, User::instance()->authenticationToken(), true);
        }
        QVERIFY(signedIn.wait(10000));
        QCOMPARE(signedIn.last().first().value<QNetworkReply::NetworkError>(), QNetworkReply::NoError);
        m_service.clearJournal();
        showGallery();
        QStringList order;
        for (const QJsonValue &entry : m_service.journal()) {
            const QJsonObject request = entry.toObject();
            const QString path = request.value("path").toString();
            if (path == "/api/v3/tokens" || path == "/gallery/home")
                order << request.value("method").toString() + " " + path;
        }
        QCOMPARE(order, QStringList({ "GET /api/v3/tokens", "GET /gallery/home" }));
        QVERIFY(fotoria::test::plainText(page()).contains(shown));
        QVERIFY(js("document.querySelectorAll('.card').length").toInt() > 0);
        QVERIFY(m_browser->webViewShown());
        QVERIFY(!page()->showsFailure());
    }

    void galleryActions_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("file"); // where the photo lands; %1 is its uuid
        QTest::addColumn<QString>("event");
        QTest::addColumn<int>("card");
        QTest::addColumn<QString>("note"); // in the toolbar when done; %1 is the file
        QTest::addColumn<int>("slowMs"); // the service's photo answers this late
        const QString chosen = fotoria::test::testHome() + "/chosen/%1.jpg";
        QTest::newRow("wallpaper") << "wallpaper" << playlistFolder("Wallpaper/%1.jpg") << "d-dc-wallpaper"
                                   << 3 << "Wallpaper set" << 0;
        QTest::newRow("favorite") << "fav1" << playlistFolder("Favorites/%1.jpg") << "d-favorite" << 3 << "" << 0;
        QTest::newRow("download, held") << "download" << chosen << "d-download" << 3 << "Saved to %1" << 0;
        QTest::newRow("download, fetched") << "download" << chosen << "d-download" << 7 << "Saved to %1" << 0;
        QTest::newRow("playlist") << "playlist" << playlistFolder("Trip/%1.jpg") << "d-playlist" << 3 << "" << 0;
        QTest::newRow("share") << "share" << QString() << "d-share" << 3 << "" << 0;
        QTest::newRow("favorite removed") << "fav1-remove" << QString() << QString() << 3 << "" << 0;
        QTest::newRow("wallpaper, slow service: Working...")
            << "wallpaper" << playlistFolder("Wallpaper/%1.jpg") << "d-dc-wallpaper" << 5 << "Wallpaper set"
            << 3000;
    }

    void galleryActions()
    {
        QFETCH(QString, action);
        QFETCH(QString, file);
        QFETCH(QString, event);
        QFETCH(int, card);
        QFETCH(QString, note);
        QFETCH(int, slowMs);
        QDir().mkpath(playlistFolder("Trip"));
        QDir().mkpath(fotoria::test::testHome() + "/chosen");
        const QString uuid
            = js(QStringLiteral("document.querySelectorAll('.card')[%1].getAttribute('data-uuid')").arg(card))
                  .toString();
        QVERIFY(!uuid.isEmpty());
        m_prompts.saveFile = fotoria::test::testHome() + "/chosen/" + uuid + ".jpg";
        m_prompts.playlist = "Trip";
        m_urls.opened.clear();
        m_service.clearJournal();
        QSignalSpy installed(WallpaperManager::instance(), &WallpaperManager::wallpaperChanged_Signal);
        if (slowMs > 0)
            QVERIFY(m_service.setFailure("/photos/" + uuid + ".jpg", "slow",
                { { "delay_ms", QString::number(slowMs) }, { "count", "1" } }));

        const QString click = QStringLiteral("document.querySelector('#photo-%1 [data-action=%2]').click()");
        if (action == "fav1-remove") {
            // The favourite of the row before: the page's button is on and
            // turns itself off.
            QVERIFY(QFileInfo::exists(playlistFolder("Favorites/" + uuid + ".jpg")));
            js(click.arg(uuid, "fav1"));
            QTRY_VERIFY(!QFileInfo::exists(playlistFolder("Favorites/" + uuid + ".jpg")));
            QTRY_VERIFY(!js("native_bridge.loadFavorites()").toStringList().contains(uuid));
            return;
        }
        js(click.arg(uuid, action));
        if (slowMs > 0)
            QTRY_VERIFY(ProgressDialog::instance()->isVisible());
        if (action == "fav1")
            QTRY_VERIFY(js("native_bridge.loadFavorites()").toStringList().contains(uuid));
        if (!file.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(file.arg(uuid)).size() > 0, 10000);
        if (action == "wallpaper") {
            QTRY_VERIFY_WITH_TIMEOUT(!installed.isEmpty(), 10000);
            QVERIFY(QFileInfo(m_installed).size() > 0);
            QVERIFY(ImageStore::instance()->isActive("Wallpaper"));
        }
        if (action == "share")
            QTRY_COMPARE(m_urls.opened.value(0).path(), "/share/" + uuid);
        QTRY_VERIFY(events().contains(event));
        if (!note.isEmpty())
            QTRY_COMPARE(m_browser->form().messageLabel->text(), QString(note).replace("%1", file.arg(uuid)));
        QTRY_VERIFY(!ProgressDialog::instance()->isVisible());
        // The second save opens where the first went, named after the card's title.
        const QString title = js(QStringLiteral("document.querySelectorAll('.card .title')[%1].textContent").arg(card))
                                  .toString();
        if (card == 7)
            QCOMPARE(m_prompts.proposed, QFileInfo(m_prompts.saveFile).path() + "/" + title + ".jpg");
    }

    // The save dialog's folder and name (%1: the uuid; no `remembered`: no save yet).
    void saveProposal_data()
    {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("expected");
        const QString pictures = fotoria::test::testHome() + "/Pictures/";
        const QString chosen = fotoria::test::testHome() + "/chosen";
        QTest::newRow("first") << QString() << " Blue Hour " << pictures + "Blue Hour.jpg";
        QTest::newRow("after a save") << chosen << "Blue Hour" << chosen + "/Blue Hour.jpg";
        QTest::newRow("no title") << chosen << "" << chosen + "/%1.jpg";
        QTest::newRow("refused") << QString() << "Note: a/b" << pictures + "%1.jpg";
    }

    void saveProposal()
    {
        QFETCH(QString, remembered);
        QFETCH(QString, title);
        QFETCH(QString, expected);
        Settings::remove("kLastSaveFolder");
        QDir().mkpath(fotoria::test::testHome() + "/Pictures");
        if (!remembered.isEmpty() && QDir().mkpath(remembered))
            PhotoActions::rememberSaveFolder(remembered + "/previous.jpg");
        QCOMPARE(PhotoActions::proposedSavePath(title, "abc123"), expected.replace("%1", "abc123"));
    }

    void bridgeCallsArriveInOrder()
    {
        auto *bridge = m_browser->findChild<ScriptBridge *>();
        QStringList calls;
        const auto a = connect(bridge, &ScriptBridge::nextDropUrl_Signal, this, [&](const QString &url) { calls << url; });
        const auto b = connect(bridge, &ScriptBridge::photoClicked_Signal, this,
            [&](const QString &, const QString &, const QString &, const QString &action) { calls << action; });
        js("native_bridge.nextDropUrl('http://a/1'); native_bridge.photoClicked('c', 'u', 'http://x', 'none');"
           "native_bridge.nextDropUrl(7); native_bridge.photoClicked()");
        QTRY_COMPARE(calls, QStringList({ "http://a/1", "none", "7", "" }));
        disconnect(a);
        disconnect(b);
    }

    // Pages of the service's origin that try to reach more than the bridge
    // offers, or to leave the service: nothing of it happens, the program
    // keeps running and the next load works. %1 is another origin.
    void hostilePages_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("html");
        QTest::addColumn<bool>("userClick"); // a real click on #go
        QTest::addColumn<bool>("toBrowser");
        const QString hidden = "try { %1 } catch (e) {}";
        const QString link = "<a id=go %1 href='%2/x' style='display:block;position:fixed;inset:0'>go</a>";
        QTest::newRow("deleteLater") << "/gallery/a" << "<script>" + hidden.arg("native_bridge.deleteLater()") + "</script>"
                                     << false << false;
        QTest::newRow("destroyed, objectName, transport")
            << "/gallery/b"
            << "<script>" + hidden.arg("native_bridge.destroyed.connect(function () {})")
                + hidden.arg("native_bridge.objectName = 'x'; native_bridge.photoClicked = null")
                + hidden.arg("qt.webChannelTransport.send('{\"type\":6,\"object\":\"native_bridge\",\"method\":1}')")
                + hidden.arg("document.dispatchEvent(new CustomEvent('fotoria-bridge-call', {detail: "
                             "'[\"deleteLater\"]'}))")
                + hidden.arg("document.dispatchEvent(new CustomEvent('fotoria-bridge-call', {detail: "
                             "'[\"loadFavorites\"]'}))")
                + "</script>"
            << false << false;
        QTest::newRow("frame") << "/gallery/c" << "<iframe src='%1/gallery/home'></iframe>" << false << false;
        QTest::newRow("redirect") << "/gallery/d" << QString() << false << false;
        QTest::newRow("window.open") << "/gallery/e" << "<script>window.open('%1/x')</script>" << false << false;
        QTest::newRow("meta refresh") << "/gallery/f" << "<meta http-equiv='refresh' content='0;url=%1/x'>" << false
                                      << false;
        QTest::newRow("form post") << "/gallery/g" << "<form id=f method=post action='%1/x'></form><script>f.submit()</script>"
                                   << false << false;
        QTest::newRow("scripted click") << "/gallery/h" << link.arg("", "%1") + "<script>go.click()</script>" << false
                                        << false;
        QTest::newRow("user's click") << "/gallery/i" << link.arg("", "%1") << true << true;
        QTest::newRow("user's click, new window") << "/gallery/j" << link.arg("target=_blank", "%1") << true << true;
        // The token address answering with a page that reaches elsewhere.
        QTest::newRow("token page") << "/api/v3/tokens" << "<img src='%1/pic.jpg'><script src='%1/s.js'></script>"
                                    << false << false;
    }

    void hostilePages()
    {
        QFETCH(QString, path);
        QFETCH(QString, html);
        QFETCH(bool, userClick);
        QFETCH(bool, toBrowser);
        FotoriaService other;
        QString error;
        QVERIFY2(other.start(&error), qPrintable(error));
        if (html.isEmpty())
            QVERIFY(m_service.setFailure(path, "redirect_to", { { "location", other.baseUrl() + "/gallery/home" } }));
        else
            QVERIFY(m_service.setFailure(path, "status", { { "body", "<!DOCTYPE html>" + html.arg(other.baseUrl()) } }));
        m_urls.opened.clear();
        if (path == "/api/v3/tokens")
            m_browser->refresh_Slot();
        else
            page()->load(QUrl(m_service.baseUrl() + path));
        QTRY_VERIFY(!m_service.journal(path).isEmpty());
        QTest::qWait(700);
        if (userClick) {
            QWidget *surface = m_browser->form().webView->focusProxy();
            QTest::mouseClick(surface, Qt::LeftButton, {}, surface->rect().center());
        }
        QTest::qWait(700);
        QCOMPARE(m_urls.opened, toBrowser ? QList<QUrl>({ QUrl(other.baseUrl() + "/x") }) : QList<QUrl>());
        QCOMPARE(other.journal().size(), 0);
        QVERIFY2(ServicePage::isAllowedInView(page()->url()), qPrintable(page()->url().toString()));
        m_service.clearFailures();
        showGallery();
    }

    void documentsOfOtherOriginsHaveNoBridge()
    {
        for (const QUrl &url : { QUrl("about:blank"), QUrl(m_service.httpsUrl() + "/gallery/home") }) {
            page()->load(url);
            QTest::qWait(500);
            QCOMPARE(js("typeof native_bridge").toString(), QStringLiteral("undefined"));
        }
        showGallery();
    }

    // The service over TLS with a certificate nobody vouches for.
    void certificateErrorsRefusedUnlessIgnored_data()
    {
        QTest::addColumn<bool>("ignore");
        QTest::newRow("refused") << false;
        QTest::newRow("ignored by the setting") << true;
    }

    void certificateErrorsRefusedUnlessIgnored()
    {
        QFETCH(bool, ignore);
        Settings::setValue("kServiceUrl", m_service.httpsUrl());
        Settings::setValue("kIgnoreSslErrors", ignore);
        page()->load(QUrl(m_service.httpsUrl() + "/gallery/home"));
        QTRY_VERIFY_WITH_TIMEOUT(page()->showsFailure() || page()->url().scheme() == "https", 15000);
        const bool refused = page()->showsFailure();
        Settings::setValue("kServiceUrl", m_service.baseUrl());
        Settings::setValue("kIgnoreSslErrors", false);
        QCOMPARE(refused, !ignore);
        showGallery();
    }

    // Hidden long enough, the window gives its view up; shown, it loads the
    // gallery again.
    void hiddenWindowReleasesItsView()
    {
        Settings::setValue("kWebViewReleaseSeconds", 1);
        m_browser->hide();
        QTRY_VERIFY_WITH_TIMEOUT(!page(), 5000);
        QVERIFY(!m_browser->form().webView);
        m_service.clearJournal();
        m_browser->show();
        QTRY_VERIFY_WITH_TIMEOUT(page() && page()->url().path() == "/gallery/home", 15000);
        Settings::remove("kWebViewReleaseSeconds");
    }

    // The service is gone: our page stands in, without the address (the
    // token's); "Try again" with the service back shows the gallery.
    void unreachableServiceShowsOurPage()
    {
        const quint16 port = m_service.httpPort();
        // The engine may hold a connection open: the end need not be clean.
        m_service.stop();
        QVERIFY(!m_service.isRunning());
        m_browser->refresh_Slot();
        QTRY_VERIFY_WITH_TIMEOUT(page()->showsFailure(), 15000);
        QTRY_VERIFY2(fotoria::test::plainText(page()).contains("cannot be reached"), qPrintable(page()->url().toString().left(60) + fotoria::test::plainText(page())));
        const QString shown = fotoria::test::runScript(page(), "document.documentElement.outerHTML").toString();
        QVERIFY(!shown.contains("auth_token") && !shown.contains("127.0.0.1"));
        QString error;
        QVERIFY2(m_service.start(&error, port), qPrintable(error));
        js("document.getElementById('try-again').click()");
        QTRY_VERIFY_WITH_TIMEOUT(page()->url().path() == "/gallery/home", 15000);
        QVERIFY(!page()->showsFailure());
    }

    void namesFromThePageStayInside_data()
    {
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QString>("uuid");
        QTest::addColumn<QString>("action");
        QTest::newRow("parent") << "ocean"
                                << "../evil"
                                << "wallpaper";
        QTest::newRow("separator") << "ocean"
                                   << "a/b"
                                   << "fav1";
        QTest::newRow("empty") << "ocean"
                               << ""
                               << "wallpaper";
        QTest::newRow("dot dot") << "ocean"
                                 << ".."
                                 << "fav1";
        QTest::newRow("channel") << "../../x"
                                 << "abc"
                                 << "wallpaper";
    }

    void namesFromThePageStayInside()
    {
        QFETCH(QString, channel);
        QFETCH(QString, uuid);
        QFETCH(QString, action);
        const int before = filesUnder(fotoria::test::testHome());
        m_service.clearJournal();
        js(QStringLiteral("native_bridge.photoClicked('%1', '%2', '%3/photos/abc.jpg', '%4')")
                .arg(channel, uuid, m_service.baseUrl(), action));
        QTest::qWait(300);
        QVERIFY(m_service.journal("/photos").isEmpty());
        QCOMPARE(filesUnder(fotoria::test::testHome()), before);
    }

    void playlistCommands()
    {
        // New: the name loses ".", ":", "?" and "!".
        m_prompts.text = "My: Trip!";
        m_browser->addCategory_Slot();
        QVERIFY(QFileInfo(playlistFolder("My Trip")).isDir());
        QTRY_VERIFY(m_browser->playlistNames().contains("My Trip"));
        QVERIFY(ImageStore::instance()->isActive("My Trip"));
        m_prompts.text = "My Trip";
        m_prompts.notices.clear();
        m_browser->addCategory_Slot();
        QCOMPARE(
            m_prompts.notices, QStringList("Playlist name!|There is already a playlist with that name!"));

        // Rename: the tile keeps its place and stays current; photos come from the new folder.
        writePicture(playlistFolder("My Trip/t.jpg"), Qt::red);
        showPlaylist("My Trip", 1);
        QListWidget *tiles = m_browser->form().playlistListWidget;
        const int row = tiles->currentRow();
        m_prompts.text = "Road";
        m_browser->renamePlaylist_Slot();
        QVERIFY(QFileInfo(playlistFolder("Road")).isDir());
        QTRY_VERIFY(
            m_browser->playlistNames().contains("Road") && !m_browser->playlistNames().contains("My Trip"));
        QCOMPARE(m_browser->selectedPlaylist(), QStringLiteral("Road"));
        QCOMPARE(tiles->item(row)->data(4000).toString(), QStringLiteral("Road"));
        QCOMPARE(
            qobject_cast<CAPlaylistItemWidget *>(tiles->itemWidget(tiles->item(row)))->playlist(), "Road");
        QCOMPARE(tiles->currentRow(), row);
        QTRY_COMPARE(m_browser->playlistPhotos(), QStringList(playlistFolder("Road/t.jpg")));
        QVERIFY(QFile::remove(playlistFolder("Road/t.jpg")));

        // Ticks off and on change the index.
        QStandardItemModel model(1, 1);
        model.setData(model.index(0, 0), "Road");
        for (const Qt::CheckState state : { Qt::Unchecked, Qt::Checked }) {
            model.setData(model.index(0, 0), state, Qt::CheckStateRole);
            m_browser->itemClicked_Slot(model.index(0, 0));
            QSettings index(ImageStore::instance()->indexFile(), QSettings::IniFormat);
            bool found = false;
            const int size = index.beginReadArray("imagestore");
            for (int i = 0; i < size; ++i) {
                index.setArrayIndex(i);
                if (index.value("path").toString() == "Road") {
                    found = true;
                    QCOMPARE(index.value("active").toBool(), state == Qt::Checked);
                }
            }
            QVERIFY(found);
        }

        // The empty playlist shows only the placeholder, and nothing to play.
        showPlaylist("Road", 0);
        m_prompts.notices.clear();
        m_browser->showPhotoBrowser_Slot();
        QCOMPARE(m_prompts.notices, QStringList("Playlists|Please add photos to this playlist."));
    }

    void dropsMovesAndDeletes()
    {
        writePicture(playlistFolder("A/a1.jpg"), Qt::red, 300);
        writePicture(playlistFolder("A/a2.jpg"), Qt::green, 200);
        writePicture(playlistFolder("A/a3.jpg"), Qt::blue, 100);
        const QString outside = fotoria::test::testHome() + "/outside/o.jpg";
        writePicture(outside, Qt::yellow);

        // Between playlists a picture moves; from outside it is copied.
        m_prompts.notices.clear();
        m_browser->reloadPlaylists();
        QTRY_VERIFY(m_browser->playlistNames().contains("A"));
        m_browser->addImagesToUser_Slot(
            "Road", { QUrl::fromLocalFile(playlistFolder("A/a1.jpg")), QUrl::fromLocalFile(outside) });
        QVERIFY(QFileInfo::exists(playlistFolder("Road/a1.jpg")));
        QVERIFY(!QFileInfo::exists(playlistFolder("A/a1.jpg")));
        QVERIFY(QFileInfo::exists(playlistFolder("Road/o.jpg")));
        QVERIFY(QFileInfo::exists(outside));
        QCOMPARE(m_prompts.notices.size(), 1); // feedback for the first picture only

        // The newest picture leads its playlist; thumbnails are made.
        showPlaylist("A", 2);
        QTRY_COMPARE(
            m_browser->leadPictureOf("A"), FileLocations::baseFolder() + "/PlaylistCache/A/a3-256x144.jpg");
        showPlaylist("Road", 2);
        QTRY_VERIFY(QFileInfo::exists(FileLocations::baseFolder() + "/PlaylistCache/Road/o-256x144.jpg"));
        QTRY_VERIFY(QFileInfo::exists(FileLocations::baseFolder() + "/PlaylistCache/Road/a1-256x144.jpg"));

        // A dropped folder becomes a playlist of copies of its jpg and JPG files.
        const QString holiday = fotoria::test::testHome() + "/Holiday";
        writePicture(holiday + "/h1.jpg", Qt::cyan);
        writePicture(holiday + "/h2.JPG", Qt::magenta);
        fotoria::test::writeFile(holiday + "/notes.png", "not a photo");
        m_browser->addFolderToUser_Slot(holiday);
        QCOMPARE(QDir(playlistFolder("Holiday")).entryList(QDir::Files, QDir::Name),
            QStringList({ "h1.jpg", "h2.JPG" }));
        QVERIFY(QFileInfo::exists(holiday + "/h1.jpg"));

        // "Move to" and "Delete" from the photo list.
        showPlaylist("Road", 2);
        selectPhoto(playlistFolder("Road/o.jpg"));
        m_browser->moveSelectedPhotos("Holiday");
        QVERIFY(QFileInfo::exists(playlistFolder("Holiday/o.jpg")));
        QVERIFY(!QFileInfo::exists(playlistFolder("Road/o.jpg")));
        showPlaylist("Holiday", 3);
        selectPhoto(playlistFolder("Holiday/h1.jpg"));
        m_browser->deleteSelectedPhotos();
        QVERIFY(!QFileInfo::exists(playlistFolder("Holiday/h1.jpg")));
        QTRY_COMPARE(m_browser->playlistPhotos().size(), 2);
    }

    // The photo list of a playlist of three photos (2,000 for "long"), or
    // of an empty one for the "+" tile.
    void photoTiles_data()
    {
        QTest::addColumn<QString>("what");
        for (const char *what : { "selection shows", "right-click selects", "delete asks", "tile's delete asks",
                 "Delete key asks", "Enter opens", "+ tile adds", "long" })
            QTest::newRow(what) << QString::fromLatin1(what);
    }

    void photoTiles()
    {
        QFETCH(QString, what);
        const int count = what == "long" ? 2000 : what == "+ tile adds" ? 0 : 3;
        const QString name = QStringLiteral("List %1").arg(count);
        QDir().mkpath(playlistFolder(name));
        if (count > 0 && !QFileInfo::exists(playlistFolder(name + "/p0.jpg"))) {
            writePicture(playlistFolder(name + "/p0.jpg"), Qt::red);
            for (int i = 1; i < count; ++i)
                QVERIFY(QFile::copy(playlistFolder(name + "/p0.jpg"), playlistFolder(name + "/p%1.jpg").arg(i)));
        }
        m_browser->showPlaylist_Slot();
        showPlaylist(name, count);
        CAListWidget *list = photoList();
        QCOMPARE(list->model()->rowCount(), qMax(count, 1));
        QCOMPARE(m_browser->form().emptyPlaylistLabel->isVisible(), count == 0);
        const QRect first = list->visualRect(list->model()->index(0, 0));
        const QRect second = list->visualRect(list->model()->index(1, 0));
        const QStringList photos = m_browser->playlistPhotos();
        m_prompts.questions.clear();
        m_prompts.yes = false;
        if (what == "selection shows") {
            for (const QString &photo : photos.mid(0, 2))
                QTRY_VERIFY(!list->thumbnails()->find(photo, first.size() * list->devicePixelRatioF()).isNull());
            selectPhoto(photos.first());
            const QImage shown = list->viewport()->grab().toImage();
            const qreal ratio = shown.devicePixelRatio();
            QVERIFY(shown.pixel((first.topLeft() + QPoint(1, 1)) * ratio)
                != shown.pixel((second.topLeft() + QPoint(1, 1)) * ratio));
        } else if (what == "right-click selects") {
            selectPhoto(photos.at(1));
            QStringList entries;
            QTimer::singleShot(50, this, [&entries] {
                if (QWidget *menu = QApplication::activePopupWidget()) {
                    for (const QAction *action : menu->actions())
                        entries << action->text();
                    menu->close();
                }
            });
            QContextMenuEvent click(QContextMenuEvent::Mouse, first.center(), list->viewport()->mapToGlobal(first.center()));
            QApplication::sendEvent(list->viewport(), &click);
            QCOMPARE(list->selectedPaths(), photos.mid(0, 1));
            QCOMPARE(entries, QStringList({ "Move to", "Delete" }));
        } else if (what == "delete asks") {
            list->selectAll();
            m_browser->deleteSelectedPhotos();
            QCOMPARE(m_prompts.questions, QStringList("Delete Photos|Delete 3 photos from 'List 3'?"));
        } else if (what == "tile's delete asks") {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                PhotoTileDelegate::buttonRect(first, PhotoTileDelegate::Button::Delete).center());
            QCOMPARE(m_prompts.questions, QStringList("Delete Photos|Delete 1 photo from 'List 3'?"));
        } else if (what == "Delete key asks") {
            selectPhoto(photos.at(2));
            QTest::keyClick(list, Qt::Key_Delete);
            QCOMPARE(m_prompts.questions, QStringList("Delete Photos|Delete 1 photo from 'List 3'?"));
        } else if (what == "Enter opens") {
            list->setCurrentIndex(list->model()->index(1, 0));
            QTest::keyClick(list, Qt::Key_Return);
            QTRY_VERIFY(m_browser->imageWindow() && m_browser->imageWindow()->isVisible());
            m_browser->imageWindow()->close();
        } else if (what == "+ tile adds") {
            const QString outside = fotoria::test::testHome() + "/outside/added.jpg";
            writePicture(outside, Qt::yellow);
            m_prompts.pictures = QStringList(outside);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
            QVERIFY(QFileInfo::exists(playlistFolder(name + "/added.jpg")) && QFileInfo::exists(outside));
            QVERIFY(QFile::remove(playlistFolder(name + "/added.jpg")));
        }
        m_prompts.yes = true;
        QCOMPARE(QDir(playlistFolder(name)).entryList(QDir::Files).size(), count);
    }

    void removePlaylists()
    {
        // After the question the folder goes; a linked folder loses only the link.
        const QString elsewhere = fotoria::test::testHome() + "/elsewhere";
        writePicture(elsewhere + "/e.jpg", Qt::gray);
        QVERIFY(QFile::link(elsewhere, playlistFolder("Linked")));
        for (const QString &name : { QStringLiteral("Holiday"), QStringLiteral("Linked") }) {
            showPlaylist(name, name == "Holiday" ? 2 : 1);
            m_prompts.yes = false;
            m_browser->removeCategory_Slot();
            QVERIFY(QFileInfo::exists(playlistFolder(name)));
            m_prompts.yes = true;
            m_browser->removeCategory_Slot();
            QVERIFY(!QFileInfo::exists(playlistFolder(name)) && !QFileInfo(playlistFolder(name)).isSymLink());
            QTRY_VERIFY(!m_browser->playlistNames().contains(name));
        }
        QVERIFY(QFileInfo::exists(elsewhere + "/e.jpg"));
    }

    void imageWindowAndScreenSaver()
    {
        writePicture(playlistFolder("One/only.jpg"), Qt::darkGreen);
        showPlaylist("One", 1);
        m_browser->showPhotoBrowser_Slot();
        ImageWindow *window = m_browser->imageWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->paths(), QStringList(playlistFolder("One/only.jpg")));
        QVERIFY(window->isSlideShowRunning());
        window->next_Slot();
        QCOMPARE(window->currentIndex(), 0);
        window->close();

        // Nothing active with a photo: the message, and nothing starts.
        ImageStore::instance()->deactivateAll();
        ImageStore::instance()->rebuild();
        m_prompts.notices.clear();
        m_browser->playScreenSaver_Slot();
        QCOMPARE(m_prompts.notices,
            QStringList("Play|Select at least one playlist with at least one photo to run the Screensaver."));

        ImageStore::instance()->setActive("One", true);
        qint64 pid = 0;
        QCOMPARE(ScreenSaverLauncher::start(SCREENSAVER_DIR, &pid), ScreenSaverLauncher::Result::Started);
        QVERIFY(pid > 0);
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        QVERIFY(cmdline.open(QIODevice::ReadOnly));
        const QList<QByteArray> arguments = cmdline.readAll().split('\0');
        QVERIFY(arguments.value(0).endsWith("fotoria-screensaver"));
        QCOMPARE(arguments.value(1), QByteArray("/s"));
        ::kill(pid_t(pid), SIGTERM);
    }
};

FOTORIA_TEST_MAIN(BrowserTest)
#include "BrowserTest.moc"
