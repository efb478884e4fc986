#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;

// Asks which playlist a photo goes to.
class AddToPlaylistDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AddToPlaylistDialog(QWidget *parent = nullptr);

    void setPlaylists(const QStringList &names);
    QString chosenPlaylist() const;
    QComboBox *comboBox() const { return m_playlists; }

private:
    QComboBox *m_playlists;
};
