#include "PlaylistsDialog.h"

#include <core/ImageStore.h>
#include <core/PlaylistsModel.h>

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

PlaylistsDialog::PlaylistsDialog(const QStringList &names, QWidget *parent)
    : PlaylistsDialog(names, ImageStore::instance(), parent)
{
}

PlaylistsDialog::PlaylistsDialog(const QStringList &names, ImageStore *store, QWidget *parent)
    : QDialog(parent)
    , m_model(new PlaylistsModel(names, store, this))
    , m_view(new QTableView(this))
    , m_message(new QLabel(this))
{
    setWindowTitle(tr("Playlists"));

    auto *intro
        = new QLabel(tr("<html><head/><body><p>Check the playlist(s) you would like to use as your Wallpaper "
                        "&amp; Screensaver</p></body></html>"),
            this);
    intro->setWordWrap(true);
    auto *heading = new QLabel(tr("Playlist selection"), this);

    m_view->setModel(m_model);
    m_view->horizontalHeader()->hide();
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setSelectionMode(QAbstractItemView::NoSelection);
    m_view->setShowGrid(false);

    m_message->setObjectName(QStringLiteral("message"));
    m_message->setStyleSheet(QStringLiteral("color: #c00000;"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(heading);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_message);
    layout->addWidget(buttons);

    connect(m_model, &PlaylistsModel::playlistsChanged_Signal, this, &PlaylistsDialog::playlistsChanged_Slot);
}

QString PlaylistsDialog::message() const
{
    return m_message->text();
}

void PlaylistsDialog::playlistsChanged_Slot()
{
    ImageStore *store = m_model->store();
    if (store->activeCount() <= 0)
        m_message->setText(tr("Please select at least one playlist."));
    else if (store->pictureCount() <= 0)
        m_message->setText(tr("Please select a playlist with photos in it."));
    else
        m_message->setText(QString());
}

void PlaylistsDialog::done(int result)
{
    ImageStore *store = m_model->store();
    if (store->activeCount() > 0 && store->pictureCount() > 0) {
        QDialog::done(result);
        return;
    }
    QMessageBox box(QMessageBox::Warning, tr("Playlists"), tr("No photos for the wallpaper and the screensaver"),
        QMessageBox::NoButton, this);
    box.setInformativeText(tr("None of the ticked playlists holds a photo: the wallpaper stays as it is and the "
                              "screensaver has nothing to show."));
    QPushButton *back = box.addButton(tr("Go Back"), QMessageBox::RejectRole);
    box.addButton(tr("Close Anyway"), QMessageBox::AcceptRole);
    box.setDefaultButton(back);
    box.exec();
    if (box.clickedButton() == back)
        return;
    QDialog::done(result);
}
