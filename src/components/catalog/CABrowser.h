#pragma once

#include "CABrowserForm.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QModelIndex>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <memory>

class BrowserPrompts;
class CAPlaylistLeadImage;
class CATagGetter;
class CookieJar;
class GalleryPage;
class ImageWindow;
class PhotoActions;
class PlaylistActions;
class QListWidgetItem;
class ScriptBridge;
class ViewSwitcher;
class WorkFeedback;
class WebCookieSync;

// The main window: the service's gallery in a web view, or the playlists
// with the photos of the selected one. It wires the widgets to the photo
// and playlist actions and tells the controller about the commands it does
// not handle itself (calendar, settings, help, sign-in).
class CABrowser : public QMainWindow
{
    Q_OBJECT
public:
    // `prompts` answers the window's questions; by default real dialogs.
    explicit CABrowser(BrowserPrompts *prompts = nullptr, QWidget *parent = nullptr);
    ~CABrowser() override;

    // The service's page that signs the web view in with the account's token.
    static QUrl tokenAddress();

    // Restores the window's geometry (group "cabrowser").
    void finishLayout();
    // Stops and joins the window's own library workers.
    void stopWorkers();
    // Writes the web pages' cookies now (at quit).
    void saveCookies();

    const CABrowserForm &form() const { return ui; }
    bool webViewShown() const;
    QStringList playlistNames() const { return m_playlistNames; }
    QStringList playlistPhotos() const;
    QString selectedPlaylist() const { return m_selectedPlaylist; }
    QStringList catalogCategories() const { return m_catalogCategories; }
    // The thumbnail a playlist's tile shows; empty for an empty playlist.
    QString leadPictureOf(const QString &playlist) const { return m_leadPictures.value(playlist); }
    PhotoActions *photoActions() const { return m_photoActions; }
    PlaylistActions *playlistActions() const { return m_playlistActions; }
    // Null until the gallery is first loaded, and while the view is released.
    GalleryPage *galleryPage() const { return m_page; }
    ImageWindow *imageWindow() const { return m_imageWindow; }

    // A sign-in problem, shown in the toolbar until the next success.
    void showMessage(const QString &message);
    // The service cannot be reached; the next try is `retryMs` away. The
    // view shows our failure page and the toolbar counts down, with "Try
    // again" beside it.
    void showUnreachable(int retryMs);
    // A short note in the toolbar for a few seconds (plain text).
    void showNote(const QString &note);

signals:
    void calendarClicked_Signal();
    void settingsClicked_Signal();
    void howToClicked_Signal();
    void login_Signal();
    // A picture to install as the desktop wallpaper.
    void wallpaperRequested_Signal(QString path);
    // The playlist strip (after a reload) and the photos of the selected
    // playlist (after a listing) have arrived.
    void playlistsLoaded_Signal();
    // "Try again" while the service cannot be reached: sign in now.
    void retryRequested_Signal();

public slots:
    void openFotoria_Slot();
    void showWebView_Slot();
    void showPlaylist_Slot();
    void playlistClicked_Slot();
    void showPhotoBrowser_Slot();
    void playScreenSaver_Slot();
    void photoClicked_Slot(QString channel, QString uuid, QString url, QString action);
    void photoClicked_Slot(QString path, bool share);
    void selectPlaylist_Slot(QString playlist);
    void playlistListClicked_Slot(QListWidgetItem *item);
    void imageListDoubleClicked_Slot(QListWidgetItem *item);
    void rightClickImage_Slot(QPoint pos);
    void addCategory_Slot();
    void renamePlaylist_Slot();
    void removeCategory_Slot();
    void addImagesToUser_Slot(QString category, QList<QUrl> urls);
    void addFolderToUser_Slot(QString path);
    void newCategory_Slot(bool fromCatalog, QString category, QString path, bool select);
    void newFiles_Slot(int listing, QString category, QStringList paths, bool done);
    // Asks for pictures on disk and copies them into the selected playlist.
    void addPhotosFromDisk();
    void closeProgress_Slot();
    // A wallpaper change asked for has ended (from the wallpaper manager).
    void wallpaperFinished_Slot(const QString &picture, bool ok);
    void postState_Slot();
    void refresh_Slot();
    void itemClicked_Slot(QModelIndex index);
    void calendarClicked_Slot();
    void settingsClicked_Slot();
    void howToClicked_Slot();
    void login_Slot();

    // Lists the playlists afresh (strip and lead pictures).
    void reloadPlaylists();
    // Gives the web view up: its renderer process ends. The next showing of
    // the window loads the gallery home again.
    void releaseWebView();

    // Opens the image window on `path` within the selected playlist.
    void showInImageWindow(const QString &path);
    // The selected photos moved to another playlist, or deleted.
    void moveSelectedPhotos(const QString &playlist);
    void deleteSelectedPhotos();

private slots:
    void leadPicture_Slot(QString category, QString url);
    void photoAdded_Slot(QString category, QString path);
    void openInDesktopBrowser(const QUrl &url);

protected:
    void hideEvent(QHideEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void ensureWebView();
    void loadInView(const QUrl &url);
    // What the page's loadFavorites() answers: the Favorites folder now.
    void refreshPageFavorites();
    void connectForm();
    void connectWorkers();
    QListWidgetItem *playlistItem(const QString &name) const;
    QStringList selectedPhotoPaths() const;
    void refreshLeadPicture(const QString &playlist);
    void updateMessage();

    CABrowserForm ui;
    std::unique_ptr<BrowserPrompts> m_ownPrompts;
    BrowserPrompts *m_prompts;
    std::unique_ptr<ViewSwitcher> m_views;
    ScriptBridge *m_bridge;
    CookieJar *m_cookieJar;
    WebCookieSync *m_cookieSync = nullptr;
    GalleryPage *m_page = nullptr;
    QTimer m_releaseTimer;
    bool m_released = false;
    PhotoActions *m_photoActions;
    PlaylistActions *m_playlistActions;
    CAPlaylistLeadImage *m_leadImages;
    CATagGetter *m_tagGetter;
    ImageWindow *m_imageWindow = nullptr;
    WorkFeedback *m_work;
    QString m_message;
    QString m_note;
    QTimer m_noteTimer;
    // While the service cannot be reached: the next try and a countdown.
    QDeadlineTimer m_nextTry;
    QTimer m_countdown;

    QStringList m_playlistNames;
    QString m_selectedPlaylist;
    int m_listing = 0; // of the selected playlist's photos
    QStringList m_catalogCategories;
    QHash<QString, QString> m_leadPictures;
};
