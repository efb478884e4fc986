#pragma once

class CAListWidget;
class CAPlayListListWidget;
class CUElidedLabel;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QMainWindow;
class QToolButton;
class QVBoxLayout;
class QWebEngineView;
class QWidget;

// The main window's widgets, built in code under the object names the rest
// of the program and the style sheets refer to.
struct CABrowserForm
{
    void setupUi(QMainWindow *window);

    QWidget *centralwidget = nullptr;
    QGridLayout *gridLayout = nullptr;

    QWidget *toolbarContainer = nullptr;
    QGridLayout *upperGridLayout = nullptr;
    QToolButton *fotoriaButton = nullptr;
    QToolButton *playlistButton = nullptr;
    QToolButton *calendarButton = nullptr;
    QToolButton *advancedButton = nullptr;
    QToolButton *howToButton = nullptr;
    QToolButton *loginButton = nullptr;
    QLabel *messageLabel = nullptr; // sign-in problems, short notes
    QToolButton *tryAgainButton = nullptr; // while the service cannot be reached

    QWidget *contentContainer = nullptr;
    QVBoxLayout *verticalLayout_3 = nullptr;

    QWidget *webViewContainer = nullptr;
    QGridLayout *gridLayout_3 = nullptr;
    QLabel *loadingLabel = nullptr;
    // Made when the gallery is first shown, released while the window is
    // hidden for long (CABrowser).
    QWebEngineView *webView = nullptr;

    QWidget *playListImageListContainer = nullptr;
    QVBoxLayout *verticalLayout_2 = nullptr;
    QWidget *playListToolbar = nullptr;
    QGridLayout *gridLayout_4 = nullptr;
    QToolButton *backToolButton = nullptr;
    QToolButton *renameToolButton = nullptr;
    CUElidedLabel *playlistLabel = nullptr;
    QToolButton *activeToolButton = nullptr; // which playlists are used
    QToolButton *screenSaverToolButton = nullptr;
    QToolButton *playToolButton = nullptr;
    QToolButton *deleteToolButton = nullptr;
    QLabel *emptyPlaylistLabel = nullptr; // how photos get into an empty playlist
    CAListWidget *playListImageListWidget = nullptr;

    QWidget *playlistContainer = nullptr;
    QHBoxLayout *horizontalLayout_2 = nullptr;
    QWidget *playListListInnerContainer = nullptr;
    QHBoxLayout *horizontalLayout = nullptr;
    QLabel *playlistsLabel = nullptr;
    QToolButton *newPlayButton = nullptr;
    CAPlayListListWidget *playlistListWidget = nullptr;
};
