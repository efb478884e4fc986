#include "PlaylistActions.h"

#include "BrowserMessages.h"
#include "BrowserPrompts.h"

#include <core/ImageStore.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

PlaylistActions::PlaylistActions(BrowserPrompts *prompts, const PlaylistLibrary &library, QObject *parent)
    : QObject(parent)
    , m_prompts(prompts)
    , m_library(library)
{
}

void PlaylistActions::refuseExisting()
{
    m_prompts->inform(BrowserMessages::kPlaylistNameTitle, BrowserMessages::kPlaylistExists);
}

QString PlaylistActions::create()
{
    const QString entered = m_prompts->askText(
        BrowserMessages::kAddPlaylistTitle, BrowserMessages::kAddPlaylistLabel, QString());
    QString name;
    switch (m_library.create(entered.trimmed(), &name)) {
    case PlaylistLibrary::CreateResult::Created:
        emit playlistsChanged_Signal();
        return name;
    case PlaylistLibrary::CreateResult::Exists:
        refuseExisting();
        break;
    case PlaylistLibrary::CreateResult::Refused:
        m_prompts->inform(BrowserMessages::kPlaylistNameTitle,
            QStringLiteral("A playlist name cannot contain \"/\" or \"\\\"."));
        break;
    case PlaylistLibrary::CreateResult::Failed:
        m_prompts->inform(BrowserMessages::kPlaylistNameTitle,
            QStringLiteral("The playlist folder could not be created in %1.")
                .arg(QFileInfo(m_library.folderOf(name)).absolutePath()));
        break;
    case PlaylistLibrary::CreateResult::Ignored:
        break;
    }
    return QString();
}

QString PlaylistActions::rename(const QString &current)
{
    if (current.isEmpty())
        return QString();
    const QString entered = m_prompts->askText(
        BrowserMessages::kRenamePlaylistTitle, BrowserMessages::renameLabel(current), current);
    const QString name = entered.trimmed();
    if (name.isEmpty())
        return QString();
    switch (m_library.rename(current, name)) {
    case PlaylistLibrary::RenameResult::Renamed:
        emit playlistsChanged_Signal();
        return name;
    case PlaylistLibrary::RenameResult::Exists:
        refuseExisting();
        break;
    case PlaylistLibrary::RenameResult::Refused:
        m_prompts->inform(BrowserMessages::kPlaylistNameTitle,
            QStringLiteral("A playlist name cannot contain \"/\" or \"\\\"."));
        break;
    case PlaylistLibrary::RenameResult::Failed:
        m_prompts->inform(BrowserMessages::kPlaylistNameTitle,
            QStringLiteral("The playlist \"%1\" could not be renamed.").arg(current));
        break;
    case PlaylistLibrary::RenameResult::Unchanged:
        break;
    }
    return QString();
}

bool PlaylistActions::remove(const QString &name)
{
    if (name.isEmpty()
        || !m_prompts->confirm(BrowserMessages::kRemoveTitle, BrowserMessages::removeQuestion(name)))
        return false;
    if (!m_library.remove(name)) {
        qWarning().noquote() << "CABrowser: cannot remove the playlist" << name;
        m_prompts->inform(BrowserMessages::kRemoveTitle,
            QStringLiteral("The playlist \"%1\" could not be removed completely.").arg(name));
    }
    emit playlistsChanged_Signal();
    return !QFileInfo::exists(m_library.folderOf(name));
}

QString PlaylistActions::addFolder(const QString &folderPath)
{
    const QFileInfo source(folderPath);
    const QString name = source.fileName();
    if (!source.isDir() || !ImageStore::acceptName(name))
        return QString();
    if (QFileInfo::exists(m_library.folderOf(name))) {
        refuseExisting();
        return QString();
    }
    const QString target = m_library.folderOf(name);
    if (!QDir().mkpath(target)) {
        m_prompts->inform(BrowserMessages::kPlaylistNameTitle,
            QStringLiteral("The playlist folder could not be created in %1.")
                .arg(QFileInfo(target).absolutePath()));
        return QString();
    }
    ImageStore::instance()->setActive(name, true);
    int failed = 0;
    const QFileInfoList files
        = QDir(folderPath).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &file : files) {
        if (file.suffix() != QLatin1String("jpg") && file.suffix() != QLatin1String("JPG"))
            continue;
        if (!QFile::copy(file.absoluteFilePath(), target + QLatin1Char('/') + file.fileName()))
            ++failed;
    }
    if (failed > 0)
        m_prompts->inform(BrowserMessages::kOopsTitle,
            QStringLiteral("%1 photo(s) could not be copied into the playlist \"%2\".")
                .arg(failed)
                .arg(name));
    // The pictures arrived after the store listed the new folder.
    ImageStore::instance()->rebuild();
    emit playlistsChanged_Signal();
    return name;
}
