#include "TestFiles.h"
#include "TestMain.h"

#include <AddToPlaylistDialog.h>
#include <CABrowser.h>
#include <CAListWidget.h>
#include <CAPlayListListWidget.h>
#include <CAPlaylistItemWidget.h>
#include <CUElidedLabel.h>
#include <PhotoListModel.h>
#include <PhotoTileDelegate.h>
#include <PlaylistDrop.h>
#include <TileThumbnails.h>
#include <WidgetPrompts.h>
#include <CABrowserForm.h>
#include <apps/desktopclient/ALogin.h>
#include <apps/desktopclient/CUMessageBox.h>
#include <apps/desktopclient/HelpDialog.h>
#include <apps/desktopclient/ImageWindow.h>
#include <apps/desktopclient/PlainText.h>
#include <apps/desktopclient/PlaylistsDialog.h>
#include <apps/desktopclient/ServicePage.h>
#include <apps/desktopclient/SettingsDialog.h>
#include <apps/desktopclient/WebDialog.h>
#include <Onboarding.h>
#include <core/PhotoPaths.h>
#include <core/Settings.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMimeData>
#include <QMovie>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QToolButton>
#include <QWebEngineView>

using namespace fotoria::test;

namespace {

// Exposes the drag and drop handlers, so events reach them without a
// running drag.
class Strip : public CAPlayListListWidget
{
public:
    Strip()
    {
        for (const QString &name : QStringList { "Alpha", "Beta", "Gamma", "Delta" }) {
            auto *item = new QListWidgetItem(name, this);
            item->setData(PlaylistDrop::kItemRole, name);
        }
    }
    using CAPlayListListWidget::dragMoveEvent;
    using CAPlayListListWidget::dropEvent;
};

void writePicture(const QString &path, QSize size, QColor colour)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(path, "JPG"));
}

// Closes the next modal dialog, ticking its check box first when asked.
void closeNextModal(bool tick, int *shown)
{
    QTimer::singleShot(10, [tick, shown] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return closeNextModal(tick, shown);
        ++*shown;
        if (auto *box = modal->findChild<QCheckBox *>(); box && tick)
            box->setChecked(true);
        static_cast<QDialog *>(modal)->accept();
    });
}

// The text a label or tool tip in this format shows.
QString shownAs(const QString &text, Qt::TextFormat format)
{
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text)))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

} // namespace

class WidgetsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(resources);
        QVERIFY(m_dir.isValid());
    }

    void imagesLoadAtTheirSize_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        const QSize toolbar(64, 48), square(48, 48), thumb(30, 30);
        const QList<QPair<const char *, QSize>> images = {
            { "login_logo.png", QSize(32, 32) },
            { "fotoria_logo.png", QSize(220, 48) },
            { "ic_playlists.png", toolbar },
            { "ic_calendar.png", toolbar },
            { "ic_settings.png", toolbar },
            { "ic_help.png", toolbar },
            { "btn_login.png", toolbar },
            { "btn_logout.png", toolbar },
            { "ic_thumb_make_wallpaper.png", thumb },
            { "ic_thumb_add_playlist.png", thumb },
            { "ic_thumb_delete.png", thumb },
            { "ic_gallery_off.png", square },
            { "ic_playlist_edit.png", square },
            { "ic_playlist_play.png", square },
            { "ic_playlist_trash.png", square },
            { "btn_create_playlist.png", square },
            { "ic_empty_playlist.png", QSize(98, 98) },
            { "empty-playlist.png", QSize(256, 144) },
            { "ic_playlist_close.png", square },
            { "ic_playlist_arrow_left.png", square },
            { "ic_playlist_arrow_right.png", square },
            { "btn_playlist_start_slideshow.png", square },
            { "btn_playlist_stop_slideshow.png", square },
            { "progress.gif", square },
            { "sizedblue/status_idle.png", QSize(32, 32) },
            { "icon_128x128.png", QSize(128, 128) },
            { "btn_login_dialog.png", QSize(160, 40) },
        };
        for (const auto &image : images)
            QTest::newRow(image.first) << QStringLiteral(":/images/") + image.first << image.second;
    }

    void imagesLoadAtTheirSize()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QPixmap pixmap(name);
        QVERIFY(!pixmap.isNull());
        QCOMPARE(pixmap.size(), size);
        if (name.endsWith(QLatin1String(".gif"))) {
            QMovie movie(name);
            QVERIFY(movie.isValid());
            QVERIFY(movie.frameCount() > 1);
        }
    }

    void longNamesAreElided_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("short") << "Favorites";
        QTest::newRow("long") << "Summer holiday on the coast of Portugal, with the whole family, 2026";
    }

    // Shown whole where it fits, else ending in "…"; never wider than its
    // place, and never widening the window.
    void longNamesAreElided()
    {
        QFETCH(QString, name);
        CAPlaylistItemWidget tile(name);
        QWidget toolbar;
        auto *heading = new CUElidedLabel(&toolbar);
        heading->setStyleSheet(QStringLiteral("font-size: 16px; font-weight: bold; padding-left: 8px;"));
        heading->setFullText(name);
        (new QHBoxLayout(&toolbar))->addWidget(heading);
        toolbar.resize(200, 40);
        for (QWidget *window : { static_cast<QWidget *>(&tile), &toolbar }) {
            window->setAttribute(Qt::WA_DontShowOnScreen);
            window->show();
        }
        QVERIFY(toolbar.minimumSizeHint().width() < 200);
        QCOMPARE(tile.width(), int(CAPlaylistItemWidget::kTileSize));
        for (const QLabel *label : { tile.nameLabel(), static_cast<QLabel *>(heading) }) {
            const int overhead = label->sizeHint().width() - label->fontMetrics().horizontalAdvance(name);
            QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) + overhead <= label->width());
            QVERIFY(label->text() == name || label->text().endsWith(QChar(0x2026)));
            QCOMPARE(label->text() == name, name.size() < 20);
            QCOMPARE(label->toolTip(), name);
        }
        QSignalSpy clicked(&tile, &CAPlaylistItemWidget::playlistClicked_Signal);
        tile.playlistClicked_Slot();
        QCOMPARE(clicked.value(0).value(0).toString(), name);
    }

    // The strip's lead picture and empty picture at the screen's pixels (run
    // again at scale 2): from the photo itself where the thumbnail is small.
    void leadPictureAtScreenPixels()
    {
        const QString folder = QDir::temp().filePath(QStringLiteral("lead"));
        QDir().mkpath(folder);
        QImage photo(1920, 1080, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        QImage thumbnail(256, 144, QImage::Format_RGB32); // told apart by its colour
        thumbnail.fill(Qt::darkRed);
        QVERIFY(photo.save(folder + "/photo.jpg") && thumbnail.save(folder + "/thumb.jpg"));
        CAPlaylistItemWidget tile(QStringLiteral("Favorites"));
        const qreal ratio = tile.devicePixelRatioF();
        QCOMPARE(tile.pictureLabel()->pixmap(Qt::ReturnByValue).height(), qRound(CAPlaylistItemWidget::kPictureSize * ratio));
        tile.setLeadPicture(folder + "/thumb.jpg", folder + "/photo.jpg");
        QVERIFY(tile.hasLeadPicture());
        const QPixmap shown = tile.pictureLabel()->pixmap(Qt::ReturnByValue);
        QCOMPARE(shown.devicePixelRatio(), ratio);
        QCOMPARE(shown.height(), qRound(CAPlaylistItemWidget::kPictureSize * ratio));
        const QColor centre = shown.toImage().pixelColor(shown.width() / 2, shown.height() / 2);
        QCOMPARE(centre.red() > centre.blue(), ratio == 1);
    }

    // Entries: a path under the test folder ("dir/" is a folder), "text:..."
    // for plain text without a URL list, or an http address.
    void drop_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("selectedRow");
        QTest::addColumn<QString>("pending");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("questions");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("playlist");
        QTest::addColumn<QStringList>("urls");

        const QStringList files = { "a.jpg", "b b.jpg", "c.JPG" };
        QTest::newRow("plain text refused")
            << QStringList { "text:hello" } << 1 << "" << true << false << 0 << ""
            << "" << QStringList();
        QTest::newRow("files to the selected playlist") << files << 2 << "" << true << true << 0 << ""
                                                        << "Gamma" << files;
        QTest::newRow("files to the first playlist") << files << -1 << "" << true << true << 0 << ""
                                                     << "Alpha" << files;
        QTest::newRow("folder first: only the folder")
            << QStringList { "trip/", "a.jpg" } << 1 << "" << true << true << 1 << "trip"
            << "" << QStringList();
        QTest::newRow("folder declined")
            << QStringList { "trip/", "a.jpg" } << 1 << "" << false << true << 1 << ""
            << "" << QStringList();
        QTest::newRow("web address takes the pending path")
            << QStringList { "http://example.com/x.jpg" } << 0 << "pending.jpg" << true << true << 0 << ""
            << "Alpha" << QStringList { "pending.jpg" };
    }

    void drop()
    {
        QFETCH(QStringList, entries);
        QFETCH(int, selectedRow);
        QFETCH(QString, pending);
        QFETCH(bool, answer);
        QFETCH(bool, accepted);
        QFETCH(int, questions);
        QFETCH(QString, folder);
        QFETCH(QString, playlist);
        QFETCH(QStringList, urls);

        const QString base = m_dir.path() + QStringLiteral("/drop");
        QDir().mkpath(base + QStringLiteral("/trip"));
        const auto local = [&](const QString &entry) {
            return entry.startsWith(QLatin1String("http"))
                ? QUrl(entry)
                : QUrl::fromLocalFile(base + QLatin1Char('/') + entry);
        };
        QMimeData data;
        QList<QUrl> dropped;
        for (const QString &entry : entries) {
            if (entry.startsWith(QLatin1String("text:")))
                data.setText(entry.mid(5));
            else
                dropped.append(local(entry));
        }
        if (!dropped.isEmpty())
            data.setUrls(dropped);

        Strip strip;
        if (selectedRow >= 0)
            strip.setCurrentRow(selectedRow);
        if (!pending.isEmpty())
            strip.setPendingPath(base + QLatin1Char('/') + pending);
        int asked = 0;
        strip.setFolderQuestion([&](const QString &) {
            ++asked;
            return answer;
        });
        QSignalSpy images(&strip, &CAPlayListListWidget::addImagesToUser_Signal);
        QSignalSpy folders(&strip, &CAPlayListListWidget::addFolderToUser_Signal);

        QDropEvent event(
            QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        // A file manager offers a move when Shift is held; the strip only
        // copies, and a reported move would make the source delete the files.
        event.setDropAction(Qt::MoveAction);
        strip.dropEvent(&event);

        QCOMPARE(event.isAccepted(), accepted);
        if (accepted)
            QCOMPARE(event.dropAction(), Qt::CopyAction);
        QCOMPARE(asked, questions);
        QCOMPARE(folders.size(), folder.isEmpty() ? 0 : 1);
        if (!folder.isEmpty())
            QCOMPARE(folders.first().first().toString(), base + QLatin1Char('/') + folder);
        QCOMPARE(images.size(), playlist.isEmpty() ? 0 : 1);
        if (!playlist.isEmpty()) {
            QCOMPARE(images.first().at(0).toString(), playlist);
            QList<QUrl> expected;
            for (const QString &url : urls)
                expected.append(local(url));
            QCOMPARE(images.first().at(1).value<QList<QUrl>>(), expected);
            QCOMPARE(strip.currentItem()->text(), playlist);
            QVERIFY(strip.pendingPath().isEmpty());
        }
    }

    void pictureListDragLandsOnStrip()
    {
        const QStringList paths = { m_dir.path() + QStringLiteral("/with space.jpg"),
            QStringLiteral("http://example.com/p-256x144.jpg") };
        CAListWidget list;
        list.photos()->append(paths);
        const QModelIndexList indexes = { list.model()->index(0, 0), list.model()->index(1, 0) };
        std::unique_ptr<QMimeData> data(list.model()->mimeData(indexes));
        QCOMPARE(data->urls(), (QList<QUrl> { QUrl::fromLocalFile(paths[0]), QUrl(paths[1]) }));

        Strip strip;
        QSignalSpy images(&strip, &CAPlayListListWidget::addImagesToUser_Signal);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        strip.dropEvent(&event);
        QCOMPARE(images.size(), 1);
        QCOMPARE(images.first().at(1).value<QList<QUrl>>(), data->urls());
    }

    void hoverSelectsOncePerTile_data()
    {
        QTest::addColumn<QList<int>>("xs");
        QTest::addColumn<int>("emitted");
        QTest::addColumn<int>("lastRow");
        QTest::newRow("across three tiles") << QList<int> { 10, 130, 250 } << 3 << 2;
        QTest::newRow("within one tile") << QList<int> { 10, 50, 117 } << 1 << 0;
        QTest::newRow("back to the first") << QList<int> { 10, 120, 20 } << 3 << 0;
        QTest::newRow("past the last tile") << QList<int> { 10, 118 * 9 } << 1 << 0;
    }

    void hoverSelectsOncePerTile()
    {
        QFETCH(QList<int>, xs);
        QFETCH(int, emitted);
        QFETCH(int, lastRow);
        Strip strip;
        QSignalSpy spy(&strip, &CAPlayListListWidget::selectCategory_Signal);
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(QStringLiteral("/x.jpg")) });
        for (int x : xs) {
            QDragMoveEvent event(QPoint(x, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            strip.dragMoveEvent(&event);
            QVERIFY(event.isAccepted());
        }
        QCOMPARE(spy.size(), emitted);
        QCOMPARE(spy.last().first().value<QModelIndex>().row(), lastRow);
        QCOMPARE(strip.selectedItems(), QList<QListWidgetItem *> { strip.item(lastRow) });
    }

    void photoActionsOnlyForJpg_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("uuid");
        QTest::newRow("jpg") << "4f2a-b.jpg"
                             << "4f2a-b";
        QTest::newRow("JPG") << "IMG_0001.JPG"
                             << "IMG_0001";
        QTest::newRow("two dots") << "a.b.jpg"
                                  << "a.b";
        QTest::newRow("Jpg") << "x.Jpg"
                             << "";
        QTest::newRow("jpeg") << "x.jpeg"
                              << "";
        QTest::newRow("png") << "x.png"
                             << "";
    }

    void photoActionsOnlyForJpg()
    {
        QFETCH(QString, file);
        QFETCH(QString, uuid);
        const QString path = m_dir.path() + QStringLiteral("/Trip/") + file;
        writeFile(path);
        CAListWidget list;
        list.photos()->append({ path });
        list.resize(600, 400);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QSignalSpy spy(&list, &CAListWidget::photoClicked_Signal);
        const QRect tile = list.visualRect(list.model()->index(0, 0));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, tile.center());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, tile.center());
        using Button = PhotoTileDelegate::Button;
        for (Button button : { Button::Wallpaper, Button::AddPlaylist, Button::Delete })
            QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, PhotoTileDelegate::buttonRect(tile, button).center());
        if (uuid.isEmpty()) {
            QCOMPARE(spy.size(), 0);
            return;
        }
        const QStringList actions = { "show", "wallpaper", "addplaylist", "delete" };
        QCOMPARE(spy.size(), actions.size());
        for (int i = 0; i < actions.size(); ++i)
            QCOMPARE(spy.at(i), (QVariantList { "Trip", uuid, path, actions.at(i) }));
    }

    void photoShowsThumbnailElseReducedPhoto()
    {
        const QString path = m_dir.path() + QStringLiteral("/Thumbs/photo.jpg");
        writePicture(path, QSize(1600, 800), Qt::red);
        QImage shown = TileThumbnails::load(path, QSize(256, 144));
        QCOMPARE(shown.size(), QSize(256, 128));
        QVERIFY(qRed(shown.pixel(128, 64)) > 200);

        writePicture(PhotoPaths(path).thumbnailPath(), QSize(256, 144), Qt::blue);
        shown = TileThumbnails::load(path, QSize(256, 144));
        QCOMPARE(shown.size(), QSize(256, 144));
        QVERIFY(qBlue(shown.pixel(128, 72)) > 200);
        // At twice the pixels the photo itself, not the thumbnail enlarged.
        shown = TileThumbnails::load(path, QSize(512, 288));
        QCOMPARE(shown.size(), QSize(512, 256));
    }

    void imageWindowSize_data()
    {
        QTest::addColumn<int>("parentWidth");
        QTest::addColumn<QSize>("size");
        QTest::newRow("wide parent") << 1920 << QSize(1024, 576);
        QTest::newRow("exactly 1024") << 1024 << QSize(1024, 576);
        QTest::newRow("narrow parent, truncated") << 1000 << QSize(900, 506);
    }

    void imageWindowSize()
    {
        QFETCH(int, parentWidth);
        QFETCH(QSize, size);
        QCOMPARE(ImageWindow::windowSizeFor(parentWidth), size);
    }

    void imageWindowWrapsAround_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("index");
        QTest::newRow("next on the last") << 2 << "next" << 0;
        QTest::newRow("play on the last") << 2 << "play" << 0;
        QTest::newRow("previous on the first") << 0 << "previous" << 2;
        QTest::newRow("next in the middle") << 1 << "next" << 2;
    }

    void imageWindowWrapsAround()
    {
        QFETCH(int, start);
        QFETCH(QString, step);
        QFETCH(int, index);
        const QStringList photos = threePhotos();
        ImageWindow window;
        window.setPhotos(photos, start);
        if (step == QLatin1String("next"))
            window.nextButton()->click();
        else if (step == QLatin1String("play"))
            window.play_Slot();
        else
            window.previousButton()->click();
        QCOMPARE(window.currentIndex(), index);
        const QPixmap shown = window.pictureLabel()->pixmap(Qt::ReturnByValue);
        QVERIFY(!shown.isNull());
        // At the screen's pixels (the run at QT_SCALE_FACTOR=2 has twice).
        QCOMPARE(shown.devicePixelRatio(), window.devicePixelRatioF());
        QCOMPARE(shown.height(), qRound(window.height() * shown.devicePixelRatio()));
    }

    void imageWindowButtonsAndSlideShow()
    {
        const QStringList photos = threePhotos();
        ImageWindow window;
        const auto browseHidden = [&] {
            return QList<bool> { window.previousButton()->isHidden(), window.nextButton()->isHidden(),
                window.slideShowButton()->isHidden() };
        };
        window.setPhotos(photos.mid(0, 1), 0);
        QCOMPARE(browseHidden(), (QList<bool> { true, true, true }));
        window.setPhotos(photos, 0);
        QCOMPARE(browseHidden(), (QList<bool> { false, false, false }));

        const auto shownIcon = [&] { return window.slideShowButton()->icon().pixmap(48).toImage(); };
        const QImage start = shownIcon();
        window.slideShowButton()->click();
        QVERIFY(window.isSlideShowRunning());
        QVERIFY(shownIcon() != start);
        window.slideShowButton()->click();
        QVERIFY(!window.isSlideShowRunning());
        QCOMPARE(shownIcon(), start);

        window.slideShowButton()->click();
        window.reject();
        QVERIFY(!window.isSlideShowRunning());
    }

    // Asked for twice the pixels, an icon has them, and is no 1x picture scaled up.
    void sharpIcons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("toolbar") << "playlistButton";
        QTest::newRow("Sign in") << "fLoginButton";
        QTest::newRow("image window") << "imageClose";
    }
    void sharpIcons()
    {
        QFETCH(QString, button);
        QMainWindow main;
        CABrowserForm form;
        form.setupUi(&main);
        ALogin login;
        ImageWindow window;
        window.closeButton()->setObjectName(QStringLiteral("imageClose"));
        QAbstractButton *found = nullptr;
        for (QWidget *parent : std::initializer_list<QWidget *> { &main, &login, &window })
            found = found ? found : parent->findChild<QAbstractButton *>(button);
        const int side = qMax(found->iconSize().width(), found->iconSize().height());
        const QImage once = found->icon().pixmap(side).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage twice = found->icon().pixmap(2 * side).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(twice.size(), once.size() * 2);
        QVERIFY(twice != once.scaled(twice.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }

    // Tab walks the toolbars, and the button with the focus looks it.
    void toolbarFocus_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("main toolbar") << "fotoriaButton" << "playlistButton";
        QTest::newRow("playlist toolbar") << "backToolButton" << "renameToolButton";
    }
    void toolbarFocus()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QMainWindow main;
        CABrowserForm form;
        form.setupUi(&main);
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        auto *first = main.findChild<QToolButton *>(from);
        first->clearFocus();
        const QImage plain = first->grab().toImage();
        first->setFocus(Qt::TabFocusReason);
        QVERIFY(first->grab().toImage() != plain);
        QTest::keyClick(first, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), main.findChild<QToolButton *>(to));
        QCOMPARE(first->grab().toImage(), plain);
    }

    // Arrows and Page Up/Down change the photo and leave the focus where it
    // is; Space never closes the window, Escape does.
    void imageWindowKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("open");
        QTest::newRow("Right") << int(Qt::Key_Right) << 1 << true;
        QTest::newRow("Left") << int(Qt::Key_Left) << 2 << true;
        QTest::newRow("Page Down") << int(Qt::Key_PageDown) << 1 << true;
        QTest::newRow("Page Up") << int(Qt::Key_PageUp) << 2 << true;
        QTest::newRow("Space, on Close") << int(Qt::Key_Space) << 0 << true;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << 0 << false;
    }
    void imageWindowKeys()
    {
        QFETCH(int, key);
        ImageWindow window;
        window.open(threePhotos(), 0);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.closeButton()->setFocus();
        QTest::keyClick(window.closeButton(), Qt::Key(key));
        QTEST(window.currentIndex(), "index");
        QTEST(window.isVisible(), "open");
        if (window.isVisible())
            QCOMPARE(QApplication::focusWidget(), window.closeButton());
    }

    // Every dialog closes from the keyboard: Escape, or its Close button.
    void dialogsCloseByKeyboard_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<int>("key"); // pressed on the dialog; 0: Space on its Close button
        QTest::newRow("login") << "login" << int(Qt::Key_Escape);
        QTest::newRow("settings") << "settings" << int(Qt::Key_Escape);
        QTest::newRow("playlists") << "playlists" << int(Qt::Key_Escape);
        QTest::newRow("help, Escape") << "help" << int(Qt::Key_Escape);
        QTest::newRow("notice") << "notice" << int(Qt::Key_Escape);
        QTest::newRow("welcome") << "welcome" << int(Qt::Key_Escape);
        QTest::newRow("help, Close") << "help" << 0;
    }
    void dialogsCloseByKeyboard()
    {
        QFETCH(QString, dialog);
        QFETCH(int, key);
        Settings::setValue(QStringLiteral("kServiceUrl"), QStringLiteral("http://127.0.0.1:9/"));
        std::unique_ptr<QDialog> shown(dialog == "login" ? new ALogin
                : dialog == "settings"                 ? new SettingsDialog
                : dialog == "playlists"                ? new PlaylistsDialog({ "Alpha" })
                : dialog == "notice"                   ? new WebDialog(QUrl("http://127.0.0.1:9/notice"))
                : dialog == "welcome"                  ? static_cast<QDialog *>(new Onboarding)
                                                       : new HelpDialog);
        shown->show();
        shown->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(shown.get()));
        // In a page, as after a click on it.
        if (auto *view = shown->findChild<QWebEngineView *>())
            view->setFocus();
        // No playlist with photos is ticked: closing asks first.
        int asked = 0;
        if (dialog == "playlists")
            closeNextModal(false, &asked);
        if (key)
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : shown.get(), Qt::Key(key));
        else
            QTest::keyClick(static_cast<HelpDialog *>(shown.get())->closeButton(), Qt::Key_Space);
        QTRY_VERIFY(!shown->isVisible());
        QCOMPARE(asked, dialog == "playlists" ? 1 : 0);
    }

    void feedbackNotShownAfterDontShowAgain()
    {
        const QString key = QStringLiteral("test_feedback");
        int shown = 0;
        closeNextModal(false, &shown);
        QVERIFY(CUMessageBox::feedback(nullptr, "Success!", "Moved", false, key));
        QCOMPARE(shown, 1);
        QVERIFY(Settings::getBool(key, false));

        closeNextModal(true, &shown);
        QVERIFY(CUMessageBox::feedback(nullptr, "Success!", "Moved", false, key));
        QCOMPARE(shown, 2);
        QVERIFY(!Settings::getBool(key, true));

        QVERIFY(!CUMessageBox::feedback(nullptr, "Success!", "Moved", false, key));
        closeNextModal(false, &shown);
        QVERIFY(CUMessageBox::feedback(nullptr, "Success!", "Moved", true, key));
        QCOMPARE(shown, 3);
    }

    void serviceTextsShownAsTheyAre_data()
    {
        QTest::addColumn<QString>("path");
        for (const char *path :
            { "elided name tool tip", "feedback title", "feedback text", "prompt", "question", "delete question", "prompt label",
                "message box", "toolbar message", "playlist tool tip", "account e-mail" })
            QTest::newRow(path) << QString::fromLatin1(path);
    }
    void serviceTextsShownAsTheyAre()
    {
        QFETCH(QString, path);
        const QString text = QStringLiteral("<b>x</b><img src=\"nowhere.png\">");
        bool answered = false; // Return takes the default answer: No for a deletion
        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        const auto read = [&](const QLabel *label) {
            std::tie(shown, format) = std::make_pair(label->text(), label->textFormat());
        };
        WidgetPrompts prompts(nullptr);
        CABrowser browser;
        CUElidedLabel elided;
        SettingsDialog settings;
        // Modal ones: the label that holds the text, read before the dialog closes.
        QTimer::singleShot(50, &elided, [&] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                for (const QLabel *label : modal->findChildren<QLabel *>())
                    if (label->text().contains(QLatin1String("<b>x")))
                        read(label);
                if (path == "delete question")
                    QTest::keyClick(modal, Qt::Key_Return);
                else
                    static_cast<QDialog *>(modal)->reject();
            }
        });
        if (path == "elided name tool tip")
            elided.setFullText(text), shown = elided.toolTip();
        else if (path.startsWith("feedback"))
            CUMessageBox::feedback(
                nullptr, path.endsWith("title") ? text : "", path.endsWith("text") ? text : "", true, "");
        else if (path == "prompt")
            prompts.inform("Oops!", text);
        else if (path == "question")
            prompts.confirm("Removing a Playlist.", text);
        else if (path == "delete question")
            answered = prompts.confirmDefaultNo("Delete Photos", text);
        else if (path == "prompt label")
            prompts.askText("Rename Playlist", text, "Trip");
        else if (path == "message box")
            PlainText::message(nullptr, QMessageBox::Warning, "Change email", text);
        else if (path == "toolbar message")
            browser.showMessage(text), read(browser.findChild<QLabel *>("messageLabel"));
        else if (path == "account e-mail") // shown when signed in
            shown = text, format = settings.findChild<QLabel *>("userInfoLabel")->textFormat();
        else
            browser.newCategory_Slot(false, text, QString(), false),
                shown = browser.findChild<QListWidget *>("playlistListWidget")->item(0)->toolTip();
        QCOMPARE(shownAs(shown, format), text);
        QVERIFY(!answered);
    }

    void helpLinksOpenOnlyWebAndMail_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("opens");
        QTest::newRow("http") << "http://example.com/faq" << true;
        QTest::newRow("https") << "HTTPS://example.com/" << true;
        QTest::newRow("mail") << "mailto:help@fotoria.com" << true;
        QTest::newRow("local file") << "file:///usr/bin/xterm" << false;
        QTest::newRow("script") << "javascript:alert(1)" << false;
        QTest::newRow("other scheme") << "smb://host/share" << false;
    }

    void helpLinksOpenOnlyWebAndMail()
    {
        QFETCH(QString, url);
        QFETCH(bool, opens);
        QCOMPARE(ServicePage::opensInBrowser(QUrl(url)), opens);
    }

    void helpPageIsTheServiceHowto()
    {
        Settings::setValue(QStringLiteral("kServiceUrl"), QStringLiteral("http://127.0.0.1:8123/"));
        QCOMPARE(HelpDialog::helpUrl(), QUrl(QStringLiteral("http://127.0.0.1:8123/howto")));
    }

    void addToPlaylistDialogReturnsChoice()
    {
        AddToPlaylistDialog dialog;
        dialog.setPlaylists({ "Alpha", "Beta" });
        dialog.setPlaylists({ "Gamma", "Delta" });
        QCOMPARE(dialog.comboBox()->count(), 2);
        dialog.comboBox()->setCurrentIndex(1);
        QCOMPARE(dialog.chosenPlaylist(), QStringLiteral("Delta"));
    }

private:
    QStringList threePhotos()
    {
        QStringList photos;
        for (int i = 0; i < 3; ++i) {
            photos.append(m_dir.path() + QStringLiteral("/Show/%1.jpg").arg(i));
            if (!QFile::exists(photos.last()))
                writePicture(photos.last(), QSize(400, 300), Qt::green);
        }
        return photos;
    }
};

FOTORIA_TEST_MAIN(WidgetsTest)
#include "WidgetsTest.moc"
