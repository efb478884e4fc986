#pragma once

#include <core/PlaylistLibrary.h>

#include <QObject>
#include <QString>

class BrowserPrompts;

// The playlist commands of the main window (new, rename, remove, a folder
// dropped as a new playlist), with their questions and refusals. The disk
// and index work is PlaylistLibrary's.
class PlaylistActions : public QObject
{
    Q_OBJECT
public:
    PlaylistActions(BrowserPrompts *prompts, const PlaylistLibrary &library, QObject *parent = nullptr);

    // Each returns the playlist's (new) name, empty when nothing happened.
    QString create();
    QString rename(const QString &current);
    // After the question; true when the playlist is gone.
    bool remove(const QString &name);
    // A playlist named after the folder, holding copies of its jpg and JPG
    // files.
    QString addFolder(const QString &folderPath);

    QStringList playlistNames() const { return m_library.playlistNames(); }
    QString folderOf(const QString &name) const { return m_library.folderOf(name); }

signals:
    void playlistsChanged_Signal();

private:
    void refuseExisting();

    BrowserPrompts *m_prompts;
    PlaylistLibrary m_library;
};
