#include "ScriptBridge.h"

#include <core/PlaylistLibrary.h>

ScriptBridge::ScriptBridge(QObject *parent)
    : QObject(parent)
{
}

QStringList ScriptBridge::loadFavorites()
{
    FavoritesSet::instance().rebuild();
    return FavoritesSet::instance().uuids();
}

void ScriptBridge::photoClicked(const QString &channel, const QString &uuid, const QString &url,
    const QString &action, const QString &title)
{
    emit photoClicked_Signal(channel, uuid, url, action, title);
}

void ScriptBridge::nextDropUrl(const QString &url)
{
    emit nextDropUrl_Signal(url);
}
