#include "CABrowserForm.h"

#include "CAListWidget.h"
#include "CAPlayListListWidget.h"
#include "CUElidedLabel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The style draws no focus on flat tool buttons: without this, Tab moves
// through the toolbars unseen. The ring fits the room around the icons.
constexpr int kFocusRing = 2;
const char kFocusStyle[] = " QToolButton:focus { border: 2px solid #4da3ff; border-radius: 6px; }";

QToolButton *toolButton(QWidget *parent, const char *name, const QString &icon, const QSize &size)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(QIcon(icon));
    button->setIconSize(size - QSize(2 * kFocusRing, 2 * kFocusRing));
    button->setFixedSize(size);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

template<typename Layout> Layout *tightLayout(QWidget *parent, const char *name)
{
    auto *layout = new Layout(parent);
    layout->setObjectName(QLatin1String(name));
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

QWidget *container(QWidget *parent, const char *name)
{
    auto *widget = new QWidget(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

void CABrowserForm::setupUi(QMainWindow *window)
{
    window->setObjectName(QStringLiteral("CABrowser"));
    window->resize(1280, 800);
    window->setMinimumSize(800, 500);

    centralwidget = container(window, "centralwidget");
    gridLayout = tightLayout<QGridLayout>(centralwidget, "gridLayout");

    // The toolbar: logo, then the command buttons, free space, messages.
    toolbarContainer = container(centralwidget, "toolbarContainer");
    toolbarContainer->setStyleSheet(
        QStringLiteral("#toolbarContainer { background: #1c1f27; }") + QLatin1String(kFocusStyle));
    upperGridLayout = tightLayout<QGridLayout>(toolbarContainer, "upperGridLayout");
    upperGridLayout->setContentsMargins(0, 0, 10, 0);
    upperGridLayout->setRowMinimumHeight(0, 64);
    const QSize command(64, 48);
    fotoriaButton = toolButton(
        toolbarContainer, "fotoriaButton", QStringLiteral(":/svg/fotoria_logo.svg"), QSize(220, 48));
    playlistButton
        = toolButton(toolbarContainer, "playlistButton", QStringLiteral(":/svg/ic_playlists.svg"), command);
    calendarButton
        = toolButton(toolbarContainer, "calendarButton", QStringLiteral(":/svg/ic_calendar.svg"), command);
    advancedButton
        = toolButton(toolbarContainer, "advancedButton", QStringLiteral(":/svg/ic_settings.svg"), command);
    howToButton = toolButton(toolbarContainer, "howToButton", QStringLiteral(":/svg/ic_help.svg"), command);
    loginButton
        = toolButton(toolbarContainer, "loginButton", QStringLiteral(":/svg/btn_login.svg"), command);
    fotoriaButton->setToolTip(QStringLiteral("Gallery"));
    playlistButton->setToolTip(QStringLiteral("Playlists for wallpaper and screensaver"));
    calendarButton->setToolTip(QStringLiteral("Calendar"));
    advancedButton->setToolTip(QStringLiteral("Settings"));
    howToButton->setToolTip(QStringLiteral("Help"));
    loginButton->setToolTip(QStringLiteral("Log in or out"));
    messageLabel = new QLabel(toolbarContainer);
    messageLabel->setObjectName(QStringLiteral("messageLabel"));
    messageLabel->setStyleSheet(QStringLiteral("color: #ff7a59; font-weight: bold;"));
    messageLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    tryAgainButton = new QToolButton(toolbarContainer);
    tryAgainButton->setObjectName(QStringLiteral("tryAgainButton"));
    tryAgainButton->setText(QStringLiteral("Try again"));
    tryAgainButton->setStyleSheet(QStringLiteral("QToolButton { color: #ffffff; background: transparent; "
                                                 "border: 1px solid #ff7a59; border-radius: 4px; padding: 3px 10px; }"
                                                 "QToolButton:hover { background: #ff7a59; }"));
    tryAgainButton->hide();
    auto *messageRow = new QHBoxLayout;
    messageRow->setSpacing(10);
    messageRow->addWidget(messageLabel, 1);
    messageRow->addWidget(tryAgainButton);
    upperGridLayout->addWidget(fotoriaButton, 0, 0);
    upperGridLayout->addWidget(playlistButton, 0, 1);
    upperGridLayout->addWidget(calendarButton, 0, 2);
    upperGridLayout->addWidget(advancedButton, 0, 3);
    upperGridLayout->addWidget(howToButton, 0, 4);
    upperGridLayout->addLayout(messageRow, 0, 5);
    upperGridLayout->addWidget(loginButton, 0, 6);
    for (int column = 0; column <= 7; ++column)
        upperGridLayout->setColumnStretch(column, column == 5 ? 1 : 0);

    contentContainer = container(centralwidget, "contentContainer");
    verticalLayout_3 = tightLayout<QVBoxLayout>(contentContainer, "verticalLayout_3");

    webViewContainer = container(contentContainer, "webViewContainer");
    gridLayout_3 = tightLayout<QGridLayout>(webViewContainer, "gridLayout_3");
    loadingLabel = new QLabel(QStringLiteral("Loading..."), webViewContainer);
    loadingLabel->setObjectName(QStringLiteral("loadingLabel"));
    loadingLabel->setAlignment(Qt::AlignCenter);
    gridLayout_3->addWidget(loadingLabel, 0, 0);

    playListImageListContainer = container(contentContainer, "playListImageListContainer");
    verticalLayout_2 = tightLayout<QVBoxLayout>(playListImageListContainer, "verticalLayout_2");
    playListToolbar = container(playListImageListContainer, "playListToolbar");
    gridLayout_4 = tightLayout<QGridLayout>(playListToolbar, "gridLayout_4");
    playListToolbar->setStyleSheet(QLatin1String(kFocusStyle));
    const QSize small(48, 48);
    backToolButton
        = toolButton(playListToolbar, "backToolButton", QStringLiteral(":/svg/ic_gallery_off.svg"), small);
    renameToolButton = toolButton(
        playListToolbar, "renameToolButton", QStringLiteral(":/svg/ic_playlist_edit.svg"), small);
    playlistLabel = new CUElidedLabel(playListToolbar);
    playlistLabel->setObjectName(QStringLiteral("playlistLabel"));
    playlistLabel->setStyleSheet(QStringLiteral("font-size: 16px; font-weight: bold; padding-left: 8px;"));
    activeToolButton = new QToolButton(playListToolbar);
    activeToolButton->setObjectName(QStringLiteral("activeToolButton"));
    activeToolButton->setText(QStringLiteral("Use for wallpaper..."));
    activeToolButton->setToolTip(QStringLiteral("Choose the playlists of the wallpaper and the screensaver"));
    screenSaverToolButton = new QToolButton(playListToolbar);
    screenSaverToolButton->setObjectName(QStringLiteral("screenSaverToolButton"));
    screenSaverToolButton->setText(QStringLiteral("Screensaver"));
    screenSaverToolButton->setToolTip(QStringLiteral("Run the screensaver with the active playlists"));
    playToolButton
        = toolButton(playListToolbar, "playToolButton", QStringLiteral(":/svg/ic_playlist_play.svg"), small);
    playToolButton->setToolTip(QStringLiteral("Slideshow"));
    deleteToolButton = toolButton(
        playListToolbar, "deleteToolButton", QStringLiteral(":/svg/ic_playlist_trash.svg"), small);
    gridLayout_4->addWidget(backToolButton, 0, 0);
    gridLayout_4->addWidget(renameToolButton, 0, 1);
    gridLayout_4->addWidget(playlistLabel, 0, 2);
    gridLayout_4->setColumnStretch(2, 1);
    gridLayout_4->addWidget(activeToolButton, 0, 3);
    gridLayout_4->addWidget(screenSaverToolButton, 0, 4);
    gridLayout_4->addWidget(playToolButton, 0, 5);
    gridLayout_4->addWidget(deleteToolButton, 0, 6);
    playListImageListWidget = new CAListWidget(playListImageListContainer);
    playListImageListWidget->setObjectName(QStringLiteral("playListImageListWidget"));
    playListImageListWidget->setContextMenuPolicy(Qt::CustomContextMenu);
    emptyPlaylistLabel = new QLabel(
        QStringLiteral("Click + to add photos from disk, drop them on the playlist's tile, or add them from the gallery."),
        playListImageListContainer);
    emptyPlaylistLabel->setObjectName(QStringLiteral("emptyPlaylistLabel"));
    emptyPlaylistLabel->setTextFormat(Qt::PlainText);
    emptyPlaylistLabel->setWordWrap(true);
    emptyPlaylistLabel->setContentsMargins(8, 4, 8, 4);
    emptyPlaylistLabel->hide();
    verticalLayout_2->addWidget(playListToolbar);
    verticalLayout_2->addWidget(emptyPlaylistLabel);
    verticalLayout_2->addWidget(playListImageListWidget);

    playlistContainer = container(contentContainer, "playlistContainer");
    horizontalLayout_2 = tightLayout<QHBoxLayout>(playlistContainer, "horizontalLayout_2");
    playListListInnerContainer = container(playlistContainer, "playListListInnerContainer");
    horizontalLayout = tightLayout<QHBoxLayout>(playListListInnerContainer, "horizontalLayout");
    playlistsLabel = new QLabel(QStringLiteral("Playlists"), playListListInnerContainer);
    playlistsLabel->setObjectName(QStringLiteral("playlistsLabel"));
    playlistsLabel->setStyleSheet(QStringLiteral("padding: 10px;"));
    newPlayButton = toolButton(
        playListListInnerContainer, "newPlayButton", QStringLiteral(":/svg/btn_create_playlist.svg"), QSize(98, 98));
    newPlayButton->setIconSize(QSize(48, 48));
    newPlayButton->setToolTip(QStringLiteral("New playlist"));
    horizontalLayout->addWidget(playlistsLabel);
    horizontalLayout->addWidget(newPlayButton);
    playlistListWidget = new CAPlayListListWidget(playlistContainer);
    playlistListWidget->setObjectName(QStringLiteral("playlistListWidget"));
    playlistListWidget->setFlow(QListView::LeftToRight);
    playlistListWidget->setWrapping(false);
    playlistListWidget->setFixedHeight(150);
    playlistListWidget->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    playlistListWidget->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    playlistListWidget->setAcceptDrops(true);
    playlistListWidget->setDragEnabled(true);
    playlistListWidget->setDragDropMode(QAbstractItemView::DragDrop);
    playlistListWidget->setStyleSheet(QStringLiteral("QListWidget::item:selected { background: #cccccc; }"));
    horizontalLayout_2->addWidget(playListListInnerContainer);
    horizontalLayout_2->addWidget(playlistListWidget, 1);

    verticalLayout_3->addWidget(webViewContainer, 1);
    verticalLayout_3->addWidget(playListImageListContainer, 1);
    verticalLayout_3->addWidget(playlistContainer, 0);

    gridLayout->addWidget(toolbarContainer, 0, 0);
    gridLayout->addWidget(contentContainer, 1, 0);
    window->setCentralWidget(centralwidget);

    auto *menubar = new QMenuBar(window);
    menubar->setObjectName(QStringLiteral("menubar"));
    window->setMenuBar(menubar);
    menubar->hide();
}
