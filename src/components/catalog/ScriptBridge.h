#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// The object the service's pages reach as "native_bridge". Only the three
// script-callable methods are offered; the window's own slots stay out of
// the pages' reach.
class ScriptBridge : public QObject
{
    Q_OBJECT
public:
    explicit ScriptBridge(QObject *parent = nullptr);

    // The uuids of the favourite pictures, listed afresh.
    Q_INVOKABLE QStringList loadFavorites();
    // `title` is empty from pages that name none.
    Q_INVOKABLE void photoClicked(const QString &channel, const QString &uuid, const QString &url,
        const QString &action, const QString &title);
    // The address the next drop onto the playlist strip is to carry.
    Q_INVOKABLE void nextDropUrl(const QString &url);

signals:
    void photoClicked_Signal(QString channel, QString uuid, QString url, QString action, QString title);
    void nextDropUrl_Signal(QString url);
};
