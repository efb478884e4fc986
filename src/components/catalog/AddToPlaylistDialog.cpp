#include "AddToPlaylistDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

AddToPlaylistDialog::AddToPlaylistDialog(QWidget *parent)
    : QDialog(parent)
    , m_playlists(new QComboBox(this))
{
    setModal(true);
    setWindowTitle(tr("Add to Playlist"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto *label = new QLabel(tr("Add to Playlist:"), this);
    label->setBuddy(m_playlists);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_playlists);
    layout->addWidget(buttons);
}

void AddToPlaylistDialog::setPlaylists(const QStringList &names)
{
    m_playlists->clear();
    m_playlists->addItems(names);
}

QString AddToPlaylistDialog::chosenPlaylist() const
{
    return m_playlists->currentText();
}
