#include "CABrowser.h"

#include "BrowserMessages.h"
#include "CAFileGetter.h"
#include "CAListWidget.h"
#include "CALocalImages.h"
#include "CAPlayListListWidget.h"
#include "CAPlaylistItemWidget.h"
#include "CAPlaylistLeadImage.h"
#include "CATagGetter.h"
#include "CUElidedLabel.h"
#include "GalleryPage.h"
#include "PhotoActions.h"
#include "PhotoListModel.h"
#include "PlaylistActions.h"
#include "ScreenSaverLauncher.h"
#include "ScriptBridge.h"
#include "ViewSwitcher.h"
#include "WidgetPrompts.h"
#include "WorkFeedback.h"

#include <apps/desktopclient/ImageWindow.h>
#include <apps/desktopclient/PlainText.h>
#include <apps/desktopclient/PlaylistsDialog.h>
#include <apps/desktopclient/ProgressDialog.h>
#include <apps/desktopclient/WebCookieSync.h>
#include <apps/desktopclient/WebProfile.h>
#include <core/Analytics.h>
#include <core/CookieJar.h>
#include <core/FileLocations.h>
#include <core/ImageStore.h>
#include <core/PhotoPaths.h>
#include <core/PlaylistLibrary.h>
#include <core/ServiceAddress.h>
#include <core/Settings.h>
#include <core/User.h>

#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QToolButton>
#include <QGridLayout>
#include <QHideEvent>
#include <QShowEvent>
#include <QStandardPaths>
#include <QUrlQuery>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

constexpr int kNameRole = 4000;
const QString kEmptyFlag = QStringLiteral("empty-flag");
const QString kSelectedKey = QStringLiteral("kSelectedPlaylist");
const QSize kPlaylistTile(118, 128);
// Hidden this long, the window gives its web view (and so the engine's
// renderer process) up.
const QString kReleaseKey = QStringLiteral("kWebViewReleaseSeconds");
constexpr int kReleaseSeconds = 10 * 60;
constexpr int kNoteMs = 6000;
const QString kProblemStyle = QStringLiteral("color: #ff7a59; font-weight: bold;");
const QString kNoteStyle = QStringLiteral("color: #a0a3ad; font-weight: bold;");

QUrl serviceAddress(const QString &path)
{
    QUrl url(ServiceAddress::serviceUrl(), QUrl::TolerantMode);
    QString base = url.path();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    url.setPath(base + path);
    return url;
}

} // namespace

CABrowser::CABrowser(BrowserPrompts *prompts, QWidget *parent)
    : QMainWindow(parent)
    , m_prompts(prompts)
{
    ui.setupUi(this);
    setWindowTitle(QStringLiteral("Fotoria"));
    setWindowIcon(QIcon(QStringLiteral(":/images/sizedblue/status_idle.png")));
    if (!m_prompts) {
        m_ownPrompts = std::make_unique<WidgetPrompts>(this);
        m_prompts = m_ownPrompts.get();
    }
    m_views = std::make_unique<ViewSwitcher>(
        ui.webViewContainer, ui.playListImageListContainer, ui.playlistContainer);

    m_bridge = new ScriptBridge(this);
    m_cookieJar = new CookieJar(this);
    ui.webViewContainer->setStyleSheet(
        QStringLiteral("#webViewContainer { background: %1; } #loadingLabel { color: #a0a3ad; }")
            .arg(ServicePage::pageColor().name()));
    m_releaseTimer.setSingleShot(true);
    connect(&m_releaseTimer, &QTimer::timeout, this, &CABrowser::releaseWebView);

    const PlaylistLibrary library;
    m_photoActions = new PhotoActions(m_prompts, library, this);
    m_playlistActions = new PlaylistActions(m_prompts, library, this);
    m_leadImages = new CAPlaylistLeadImage(this);
    m_tagGetter = new CATagGetter(this);
    m_work = new WorkFeedback(this);
    m_noteTimer.setSingleShot(true);
    connect(&m_noteTimer, &QTimer::timeout, this, &CABrowser::updateMessage);
    connect(&m_countdown, &QTimer::timeout, this, &CABrowser::updateMessage);

    connectForm();
    connectWorkers();
    postState_Slot();
    reloadPlaylists();
}

CABrowser::~CABrowser()
{
    stopWorkers();
}

void CABrowser::stopWorkers()
{
    m_leadImages->stop();
    m_tagGetter->stop();
}

void CABrowser::saveCookies()
{
    m_cookieJar->save();
}

void CABrowser::connectForm()
{
    connect(ui.fotoriaButton, &QToolButton::clicked, this, &CABrowser::openFotoria_Slot);
    // The playlist strip is hidden while the gallery shows, so the toolbar's
    // playlist button leads to the playlists; the check-list of playlists in
    // use is in the playlist view's own toolbar.
    connect(ui.playlistButton, &QToolButton::clicked, this, &CABrowser::showPlaylist_Slot);
    connect(ui.activeToolButton, &QToolButton::clicked, this, &CABrowser::playlistClicked_Slot);
    connect(ui.calendarButton, &QToolButton::clicked, this, &CABrowser::calendarClicked_Slot);
    connect(ui.advancedButton, &QToolButton::clicked, this, &CABrowser::settingsClicked_Slot);
    connect(ui.howToButton, &QToolButton::clicked, this, &CABrowser::howToClicked_Slot);
    connect(ui.loginButton, &QToolButton::clicked, this, &CABrowser::login_Slot);
    connect(ui.tryAgainButton, &QToolButton::clicked, this, &CABrowser::retryRequested_Signal);

    connect(ui.backToolButton, &QToolButton::clicked, this, &CABrowser::showWebView_Slot);
    connect(ui.renameToolButton, &QToolButton::clicked, this, &CABrowser::renamePlaylist_Slot);
    connect(ui.playToolButton, &QToolButton::clicked, this, &CABrowser::showPhotoBrowser_Slot);
    connect(ui.screenSaverToolButton, &QToolButton::clicked, this, &CABrowser::playScreenSaver_Slot);
    connect(ui.deleteToolButton, &QToolButton::clicked, this, &CABrowser::removeCategory_Slot);
    connect(ui.newPlayButton, &QToolButton::clicked, this, &CABrowser::addCategory_Slot);
    CAListWidget *photos = ui.playListImageListWidget;
    connect(photos, &QWidget::customContextMenuRequested, this, &CABrowser::rightClickImage_Slot);
    connect(photos, &CAListWidget::photoClicked_Signal, this,
        qOverload<QString, QString, QString, QString>(&CABrowser::photoClicked_Slot));
    connect(photos, &CAListWidget::addPhotos_Signal, this, &CABrowser::addPhotosFromDisk);
    connect(photos, &CAListWidget::deleteSelected_Signal, this, &CABrowser::deleteSelectedPhotos);

    CAPlayListListWidget *strip = ui.playlistListWidget;
    connect(strip, &QListWidget::itemClicked, this, &CABrowser::playlistListClicked_Slot);
    connect(strip, &QListWidget::itemDoubleClicked, this, &CABrowser::imageListDoubleClicked_Slot);
    connect(strip, &CAPlayListListWidget::addImagesToUser_Signal, this, &CABrowser::addImagesToUser_Slot);
    connect(strip, &CAPlayListListWidget::addFolderToUser_Signal, this, &CABrowser::addFolderToUser_Slot);
    connect(strip, &CAPlayListListWidget::selectCategory_Signal, this,
        [this](const QModelIndex &index) { selectPlaylist_Slot(index.data(kNameRole).toString()); });

    connect(m_bridge, &ScriptBridge::photoClicked_Signal, m_photoActions, &PhotoActions::pageAction);
    connect(m_bridge, &ScriptBridge::nextDropUrl_Signal, this, [this](const QString &url) {
        const QUrl parsed(url);
        if (parsed.scheme() == QLatin1String("http") || parsed.scheme() == QLatin1String("https"))
            ui.playlistListWidget->setPendingPath(url);
    });

    connect(m_photoActions, &PhotoActions::wallpaperRequested_Signal, this,
        &CABrowser::wallpaperRequested_Signal);
    connect(m_photoActions, &PhotoActions::photoAdded_Signal, this, &CABrowser::photoAdded_Slot);
    connect(m_photoActions, &PhotoActions::playlistCreated_Signal, this, &CABrowser::reloadPlaylists);
    connect(m_photoActions, &PhotoActions::favoritesChanged_Signal, this,
        [this] {
            refreshLeadPicture(QStringLiteral("Favorites"));
            refreshPageFavorites();
        });
    connect(m_photoActions, &PhotoActions::openUrl_Signal, this, &CABrowser::openInDesktopBrowser);
    connect(m_photoActions, &PhotoActions::workStarted_Signal, m_work, &WorkFeedback::begin);
    connect(m_photoActions, &PhotoActions::workFinished_Signal, this, [this](const QString &key, const QString &note) {
        if (m_work->end(key) && !note.isEmpty())
            showNote(note);
    });
}

void CABrowser::connectWorkers()
{
    connect(m_leadImages, &CAPlaylistLeadImage::newCategory_Signal, this, &CABrowser::newCategory_Slot);
    connect(m_leadImages, &CAPlaylistLeadImage::newFile_Signal, this, &CABrowser::leadPicture_Slot);
    connect(m_tagGetter, &CATagGetter::newCategory_Signal, this, &CABrowser::newCategory_Slot);

    CALocalImages *local = CALocalImages::instance();
    connect(local, &CALocalImages::newFiles_Signal, this, &CABrowser::newFiles_Slot);
    local->start_Slot();

    CAFileGetter *getter = CAFileGetter::instance();
    connect(getter, &CAFileGetter::newFile_Signal, this, &CABrowser::photoAdded_Slot);
    connect(getter, &CAFileGetter::closeProgress_Signal, this, &CABrowser::closeProgress_Slot);
}

QUrl CABrowser::tokenAddress()
{
    User *user = User::instance();
    QUrl url = serviceAddress(QStringLiteral("/api/v3/tokens"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("email"), QString::fromLatin1(QUrl::toPercentEncoding(user->email())));
    query.addQueryItem(QStringLiteral("auth_token"),
        QString::fromLatin1(QUrl::toPercentEncoding(user->authenticationToken())));
    query.addQueryItem(QStringLiteral("redirect_with_map"), QStringLiteral("true"));
    url.setQuery(query.query(QUrl::FullyEncoded), QUrl::StrictMode);
    return url;
}

void CABrowser::ensureWebView()
{
    if (ui.webView)
        return;
    // The profile outlives the views: its cookie store is filled once.
    QWebEngineProfile *profile = WebProfile::gallery(m_cookieJar->keepPolicy() == CookieJar::KeepUntilExit);
    if (!m_cookieSync)
        m_cookieSync = new WebCookieSync(profile->cookieStore(), m_cookieJar, this);
    ui.webView = new QWebEngineView(ui.webViewContainer);
    ui.webView->setObjectName(QStringLiteral("webView"));
    m_page = new GalleryPage(m_bridge, profile, ui.webView);
    ui.webView->setPage(m_page);
    ui.gridLayout_3->addWidget(ui.webView, 1, 0);
    // The window opens on the page, not with a focus ring on the logo.
    ui.webView->setFocus();
    connect(m_page, &QWebEnginePage::loadFinished, ui.loadingLabel, &QLabel::hide);
    connect(m_page, &GalleryPage::externalLink_Signal, this, &CABrowser::openInDesktopBrowser);
    connect(m_page, &GalleryPage::tryAgainClicked_Signal, this, &CABrowser::retryRequested_Signal);
}

void CABrowser::loadInView(const QUrl &url)
{
    ensureWebView();
    m_released = false;
    refreshPageFavorites();
    ui.webView->load(url);
}

void CABrowser::releaseWebView()
{
    if (!ui.webView)
        return;
    qDebug() << "CABrowser: the gallery view is released while the window is hidden";
    // The page goes with its view; the renderer process ends with the last page.
    delete ui.webView;
    ui.webView = nullptr;
    m_page = nullptr;
    m_released = true;
    ui.loadingLabel->show();
}

void CABrowser::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
    m_releaseTimer.start(Settings::getInt(kReleaseKey, kReleaseSeconds) * 1000);
}

void CABrowser::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    m_releaseTimer.stop();
    if (m_released)
        openFotoria_Slot();
}

void CABrowser::finishLayout()
{
    Settings::restoreWindowState(this, QStringLiteral("cabrowser"));
}

bool CABrowser::webViewShown() const
{
    return m_views->webViewShown();
}

void CABrowser::showMessage(const QString &message)
{
    m_countdown.stop();
    m_message = message;
    updateMessage();
}

void CABrowser::showUnreachable(int retryMs)
{
    m_nextTry.setRemainingTime(retryMs);
    m_countdown.start(1000);
    updateMessage();
    if (!m_released) {
        ensureWebView();
        if (!m_page->showsFailure())
            m_page->showFailure();
    }
}

void CABrowser::showNote(const QString &note)
{
    m_note = note;
    m_noteTimer.start(kNoteMs);
    updateMessage();
}

void CABrowser::updateMessage()
{
    const bool unreachable = m_countdown.isActive();
    if (unreachable)
        m_message = BrowserMessages::unreachable(int((m_nextTry.remainingTime() + 999) / 1000));
    const bool note = m_noteTimer.isActive();
    // Texts from the service and file names are shown as they are.
    ui.messageLabel->setTextFormat(Qt::PlainText);
    ui.messageLabel->setStyleSheet(note ? kNoteStyle : kProblemStyle);
    ui.messageLabel->setText(note ? m_note : m_message);
    ui.tryAgainButton->setVisible(unreachable && !note);
}

void CABrowser::wallpaperFinished_Slot(const QString &picture, bool ok)
{
    if (!m_work->end(picture))
        return;
    if (ok)
        showNote(BrowserMessages::kWallpaperSet);
    else
        m_prompts->inform(BrowserMessages::kOopsTitle, BrowserMessages::kWallpaperNotSet);
}

// --- views -----------------------------------------------------------------

void CABrowser::openFotoria_Slot()
{
    showWebView_Slot();
    loadInView(serviceAddress(QStringLiteral("/gallery/home")));
    m_tagGetter->startSoon();
}

void CABrowser::showWebView_Slot()
{
    m_views->showWebView();
}

void CABrowser::showPlaylist_Slot()
{
    if (m_views->showPlaylistView() && m_selectedPlaylist.isEmpty())
        reloadPlaylists();
}

void CABrowser::refresh_Slot()
{
    showMessage(QString());
    // The view the person chose stays; the gallery signs in behind it.
    loadInView(tokenAddress());
    m_tagGetter->startSoon();
    postState_Slot();
}

void CABrowser::postState_Slot()
{
    User *user = User::instance();
    const bool person
        = user->isLoggedIn() && !isServiceAccount(user->email()) && !user->authenticationToken().isEmpty();
    ui.loginButton->setIcon(
        QIcon(person ? QStringLiteral(":/svg/btn_logout.svg") : QStringLiteral(":/svg/btn_login.svg")));
    ui.loginButton->setToolTip(person ? QStringLiteral("Log out") : QStringLiteral("Log in"));
}

void CABrowser::openInDesktopBrowser(const QUrl &url)
{
    qDebug().noquote() << "opening in the desktop browser:"
                       << url.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo);
    QDesktopServices::openUrl(url);
}

void CABrowser::calendarClicked_Slot()
{
    emit calendarClicked_Signal();
}

void CABrowser::settingsClicked_Slot()
{
    emit settingsClicked_Signal();
}

void CABrowser::howToClicked_Slot()
{
    emit howToClicked_Signal();
}

void CABrowser::login_Slot()
{
    emit login_Signal();
}

void CABrowser::closeProgress_Slot()
{
    // The getter ends every pass with this, work of ours still under way or not.
    if (!m_work->busy())
        ProgressDialog::closeProgress();
}

// --- playlists ----------------------------------------------------------------

QListWidgetItem *CABrowser::playlistItem(const QString &name) const
{
    for (int row = 0; row < ui.playlistListWidget->count(); ++row) {
        QListWidgetItem *item = ui.playlistListWidget->item(row);
        if (item->data(kNameRole).toString() == name)
            return item;
    }
    return nullptr;
}

void CABrowser::reloadPlaylists()
{
    m_leadImages->listRoot(FileLocations::playlistFolder());
    // Photos came, went or moved: Favorites among them, perhaps.
    refreshPageFavorites();
}

void CABrowser::refreshPageFavorites()
{
    if (m_page)
        m_page->setFavorites(m_bridge->loadFavorites());
}

void CABrowser::newCategory_Slot(bool fromCatalog, QString category, QString path, bool select)
{
    Q_UNUSED(path)
    if (fromCatalog) {
        if (!category.isEmpty() && !m_catalogCategories.contains(category))
            m_catalogCategories.append(category);
        return;
    }
    if (!category.isEmpty()) {
        if (!playlistItem(category)) {
            auto *item = new QListWidgetItem(ui.playlistListWidget);
            item->setData(kNameRole, category);
            item->setSizeHint(kPlaylistTile);
            item->setToolTip(PlainText::toolTip(category));
            auto *tile = new CAPlaylistItemWidget(category, ui.playlistListWidget);
            connect(tile, &CAPlaylistItemWidget::playlistClicked_Signal, this, [this](const QString &name) {
                selectPlaylist_Slot(name);
                showPlaylist_Slot();
            });
            ui.playlistListWidget->setItemWidget(item, tile);
            m_playlistNames.append(category);
        }
        if (select)
            selectPlaylist_Slot(category);
        return;
    }

    // End of a list. Listings may overlap, so what is gone is read from the
    // disk, not from what this listing happened to report.
    const QStringList known = m_playlistNames;
    for (const QString &name : known) {
        if (QFileInfo(m_playlistActions->folderOf(name)).isDir())
            continue;
        delete playlistItem(name);
        m_playlistNames.removeAll(name);
        m_leadPictures.remove(name);
    }
    QString wanted = Settings::getString(kSelectedKey);
    if (!m_playlistNames.contains(wanted)) {
        // A playlist made after this listing began comes with the next one.
        if (!wanted.isEmpty() && QFileInfo(m_playlistActions->folderOf(wanted)).isDir())
            return;
        wanted = m_playlistNames.isEmpty() ? QString() : m_playlistNames.first();
    }
    if (wanted != m_selectedPlaylist || ui.playListImageListWidget->photos()->rowCount() == 0)
        selectPlaylist_Slot(wanted);
    emit playlistsLoaded_Signal();
}

namespace {

// A thumbnail's name keeps no extension: "x.JPG" or "x.jpeg" is found by its
// base name in the playlist's folder.
QString photoOfThumbnail(const QString &thumbnail, const QString &folder)
{
    const PhotoPaths photo(thumbnail);
    if (QFileInfo::exists(photo.path()))
        return photo.path();
    const QDir dir(folder);
    const QStringList matches = dir.entryList({ photo.uuid() + QStringLiteral(".*") }, QDir::Files, QDir::Name);
    return matches.isEmpty() ? QString() : dir.filePath(matches.first());
}

} // namespace

void CABrowser::leadPicture_Slot(QString category, QString url)
{
    QListWidgetItem *item = playlistItem(category);
    auto *tile
        = item ? qobject_cast<CAPlaylistItemWidget *>(ui.playlistListWidget->itemWidget(item)) : nullptr;
    if (!tile)
        return;
    if (url == kEmptyFlag) {
        tile->setEmpty();
        m_leadPictures.remove(category);
    } else {
        tile->setLeadPicture(url, photoOfThumbnail(url, m_playlistActions->folderOf(category)));
        m_leadPictures.insert(category, url);
    }
}

void CABrowser::refreshLeadPicture(const QString &playlist)
{
    QListWidgetItem *item = playlistItem(playlist);
    if (auto *tile
        = item ? qobject_cast<CAPlaylistItemWidget *>(ui.playlistListWidget->itemWidget(item)) : nullptr)
        tile->setEmpty();
    reloadPlaylists();
}

void CABrowser::selectPlaylist_Slot(QString playlist)
{
    m_selectedPlaylist = playlist;
    ui.playlistLabel->setFullText(playlist.isEmpty() ? QString() : BrowserMessages::playlistLabel(playlist));
    ui.playListImageListWidget->photos()->clear();
    ui.emptyPlaylistLabel->hide();
    if (QListWidgetItem *item = playlistItem(playlist)) {
        ui.playlistListWidget->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
        ui.playlistListWidget->scrollToItem(item);
    }
    if (playlist.isEmpty())
        return;
    Settings::setValue(kSelectedKey, playlist);
    m_listing = CALocalImages::instance()->listFolder(m_playlistActions->folderOf(playlist));
}

void CABrowser::newFiles_Slot(int listing, QString category, QStringList paths, bool done)
{
    // An earlier listing may still report photos deleted or moved since.
    if (listing != m_listing || category != m_selectedPlaylist || m_selectedPlaylist.isEmpty())
        return;
    PhotoListModel *photos = ui.playListImageListWidget->photos();
    photos->append(paths);
    if (!done)
        return;
    photos->setPlaceholder();
    ui.emptyPlaylistLabel->setVisible(photos->showsPlaceholder());
    emit playlistsLoaded_Signal();
}

void CABrowser::addPhotosFromDisk()
{
    if (m_selectedPlaylist.isEmpty())
        return;
    const QStringList chosen
        = m_prompts->choosePictures(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    if (chosen.isEmpty())
        return;
    QList<QUrl> urls;
    for (const QString &path : chosen)
        urls.append(QUrl::fromLocalFile(path));
    // As a drop from outside onto the playlist: copied in.
    addImagesToUser_Slot(m_selectedPlaylist, urls);
}

void CABrowser::photoAdded_Slot(QString category, QString path)
{
    Q_UNUSED(path)
    if (category == m_selectedPlaylist)
        selectPlaylist_Slot(category);
    reloadPlaylists();
}

void CABrowser::playlistListClicked_Slot(QListWidgetItem *item)
{
    if (!item)
        return;
    selectPlaylist_Slot(item->data(kNameRole).toString());
    showPlaylist_Slot();
}

void CABrowser::imageListDoubleClicked_Slot(QListWidgetItem *item)
{
    // A double-click on a playlist plays it in the image window.
    if (!item)
        return;
    selectPlaylist_Slot(item->data(kNameRole).toString());
    showPlaylist_Slot();
    showPhotoBrowser_Slot();
}

void CABrowser::playlistClicked_Slot()
{
    PlaylistsDialog dialog(m_playlistNames, this);
    dialog.playlistsChanged_Slot();
    dialog.exec();
}

void CABrowser::itemClicked_Slot(QModelIndex index)
{
    const QString name = index.data(Qt::DisplayRole).toString();
    const bool ticked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    ImageStore::instance()->setActive(name, ticked);
}

void CABrowser::addCategory_Slot()
{
    if (!m_playlistActions->create().isEmpty()) {
        reloadPlaylists();
        showPlaylist_Slot();
    }
}

void CABrowser::renamePlaylist_Slot()
{
    const QString old = m_selectedPlaylist;
    const QString renamed = m_playlistActions->rename(old);
    if (renamed.isEmpty())
        return;
    // The tile keeps its place and takes the new name; the photos are
    // listed again, their paths now in the new folder.
    if (QListWidgetItem *item = playlistItem(old)) {
        item->setData(kNameRole, renamed);
        item->setToolTip(PlainText::toolTip(renamed));
        if (auto *tile = qobject_cast<CAPlaylistItemWidget *>(ui.playlistListWidget->itemWidget(item)))
            tile->setPlaylist(renamed);
    }
    const int index = m_playlistNames.indexOf(old);
    if (index >= 0)
        m_playlistNames[index] = renamed;
    m_leadPictures.remove(old);
    selectPlaylist_Slot(renamed);
    reloadPlaylists();
}

void CABrowser::removeCategory_Slot()
{
    const QString name = m_selectedPlaylist;
    if (!m_playlistActions->remove(name))
        return;
    delete playlistItem(name);
    m_playlistNames.removeAll(name);
    Settings::remove(kSelectedKey);
    const QString next = m_playlistNames.isEmpty() ? QString() : m_playlistNames.first();
    selectPlaylist_Slot(next);
    reloadPlaylists();
}

void CABrowser::addImagesToUser_Slot(QString category, QList<QUrl> urls)
{
    QString source;
    for (int i = 0; i < urls.size(); ++i) {
        const QUrl &url = urls.at(i);
        const QString path = url.isLocalFile() ? url.toLocalFile() : url.toString();
        if (url.isLocalFile() && source.isEmpty()) {
            const QString from = PhotoPaths(path).playlist();
            if (m_playlistNames.contains(from) && from != category)
                source = from;
        }
        m_photoActions->addImageToUserFiles(category, path, false, false, i == 0);
    }
    // Show where the pictures came from, now without them; else where they went.
    selectPlaylist_Slot(source.isEmpty() ? category : source);
    reloadPlaylists();
}

void CABrowser::addFolderToUser_Slot(QString path)
{
    const QString name = m_playlistActions->addFolder(path);
    if (name.isEmpty())
        return;
    Settings::setValue(kSelectedKey, name);
    reloadPlaylists();
}

// --- photos -------------------------------------------------------------------

void CABrowser::photoClicked_Slot(QString channel, QString uuid, QString url, QString action)
{
    qDebug().noquote() << "CABrowser::photoClicked_Slot(), uuid: " + uuid + " url: " + url;
    if (action == QLatin1String("show")) {
        showInImageWindow(url);
    } else if (action == QLatin1String("wallpaper")) {
        m_work->begin(url);
        emit wallpaperRequested_Signal(url);
        Analytics::wallpaper(channel, uuid, false);
    } else if (action == QLatin1String("addplaylist")) {
        m_photoActions->addToChosenPlaylist(url, true, m_selectedPlaylist);
        selectPlaylist_Slot(m_selectedPlaylist);
    } else if (action == QLatin1String("delete")) {
        if (!m_prompts->confirmDefaultNo(
                BrowserMessages::kDeletePhotosTitle, BrowserMessages::deletePhotosQuestion(1, m_selectedPlaylist)))
            return;
        m_photoActions->deletePhoto(url);
        selectPlaylist_Slot(m_selectedPlaylist);
        refreshLeadPicture(m_selectedPlaylist);
    }
}

void CABrowser::photoClicked_Slot(QString path, bool share)
{
    if (!share)
        return;
    const PhotoPaths photo(path);
    openInDesktopBrowser(serviceAddress(QStringLiteral("/share/") + photo.uuid()));
    Analytics::share(photo.playlist(), photo.uuid(), false);
}

QStringList CABrowser::playlistPhotos() const
{
    return ui.playListImageListWidget->photos()->paths();
}

void CABrowser::showInImageWindow(const QString &path)
{
    const QStringList photos = playlistPhotos();
    if (photos.isEmpty()) {
        m_prompts->inform(BrowserMessages::kPlaylistsTitle, BrowserMessages::kAddPhotos);
        return;
    }
    if (!m_imageWindow)
        m_imageWindow = new ImageWindow(this);
    m_imageWindow->open(photos, qMax(0, photos.indexOf(path)));
}

void CABrowser::showPhotoBrowser_Slot()
{
    const QStringList photos = playlistPhotos();
    if (photos.isEmpty()) {
        m_prompts->inform(BrowserMessages::kPlaylistsTitle, BrowserMessages::kAddPhotos);
        return;
    }
    showInImageWindow(photos.first());
    m_imageWindow->startSlideShow_Slot();
}

void CABrowser::rightClickImage_Slot(QPoint pos)
{
    CAListWidget *list = ui.playListImageListWidget;
    // The photo under the pointer is what the menu acts on, unless it is
    // one of a selection already made.
    const QModelIndex index = list->indexAt(pos);
    if (index.isValid() && (index.flags() & Qt::ItemIsSelectable)
        && !list->selectionModel()->isSelected(index))
        list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    if (selectedPhotoPaths().isEmpty())
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("photoMenu"));
    QMenu *moveTo = menu.addMenu(QStringLiteral("Move to"));
    for (const QString &name : std::as_const(m_playlistNames)) {
        if (name != m_selectedPlaylist)
            moveTo->addAction(name, this, [this, name] { moveSelectedPhotos(name); });
    }
    menu.addAction(QStringLiteral("Delete"), this, &CABrowser::deleteSelectedPhotos);
    menu.exec(list->viewport()->mapToGlobal(pos));
}

QStringList CABrowser::selectedPhotoPaths() const
{
    return ui.playListImageListWidget->selectedPaths();
}

void CABrowser::moveSelectedPhotos(const QString &playlist)
{
    const QStringList paths = selectedPhotoPaths();
    for (int i = 0; i < paths.size(); ++i)
        m_photoActions->addImageToUserFiles(playlist, paths.at(i), false, false, i == 0);
    selectPlaylist_Slot(m_selectedPlaylist);
    reloadPlaylists();
}

void CABrowser::deleteSelectedPhotos()
{
    const QStringList paths = selectedPhotoPaths();
    if (paths.isEmpty()
        || !m_prompts->confirmDefaultNo(BrowserMessages::kDeletePhotosTitle,
            BrowserMessages::deletePhotosQuestion(paths.size(), m_selectedPlaylist)))
        return;
    for (const QString &path : std::as_const(paths))
        m_photoActions->deletePhoto(path);
    selectPlaylist_Slot(m_selectedPlaylist);
    reloadPlaylists();
}

void CABrowser::playScreenSaver_Slot()
{
    Settings::setValue(kSelectedKey, m_selectedPlaylist);
    switch (ScreenSaverLauncher::start()) {
    case ScreenSaverLauncher::Result::Started:
        Analytics::playScreensaver();
        break;
    case ScreenSaverLauncher::Result::NoPictures:
        m_prompts->inform(BrowserMessages::kPlayTitle, BrowserMessages::kSelectPlaylistToPlay);
        break;
    case ScreenSaverLauncher::Result::NotStarted:
        m_prompts->inform(BrowserMessages::kPlayTitle,
            QStringLiteral("The screensaver could not be started from %1.")
                .arg(ScreenSaverLauncher::program()));
        break;
    }
}
