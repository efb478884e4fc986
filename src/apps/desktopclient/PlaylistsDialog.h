#pragma once

#include <QDialog>
#include <QStringList>

class ImageStore;
class PlaylistsModel;
class QLabel;
class QTableView;

// Lets the user check the playlists that feed the wallpaper and the
// screensaver. Every check is stored at once, so closing changes nothing.
class PlaylistsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PlaylistsDialog(const QStringList &names, QWidget *parent = nullptr);
    PlaylistsDialog(const QStringList &names, ImageStore *store, QWidget *parent = nullptr);

    PlaylistsModel *model() const { return m_model; }
    QTableView *view() const { return m_view; }
    QString message() const;

public slots:
    // Warns when no playlist is active, or when the active ones are empty.
    void playlistsChanged_Slot();

protected:
    // Closing with no photo for the wallpaper and the screensaver asks
    // first: "Go Back" (the default) keeps the dialog open.
    void done(int result) override;

private:
    PlaylistsModel *m_model;
    QTableView *m_view;
    QLabel *m_message;
};
