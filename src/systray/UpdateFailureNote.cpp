#include "UpdateFailureNote.h"

#include <platform/UpdateHandOver.h>

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>

QString UpdateFailureNote::take(const QString &folder)
{
    const QString path
        = (folder.isEmpty() ? platform::updateFolder() : folder) + QLatin1Char('/') + QLatin1String(kFileName);
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    QString note;
    QFile file(path);
    if (info.isSymLink() || !info.isFile() || info.size() > kMaximumBytes)
        qWarning().noquote() << "update note" << path << "is no note of ours: removed unread";
    else if (file.open(QIODevice::ReadOnly))
        note = QString::fromUtf8(file.readAll()).trimmed();
    else
        qWarning().noquote() << "cannot read the update note" << path << file.errorString();
    file.close();
    // Shown once: gone even when it could not be read.
    if (!QFile::remove(path))
        qWarning().noquote() << "cannot remove the update note" << path;
    return note;
}

QString UpdateFailureNote::message(const QString &note)
{
    return QCoreApplication::translate("UpdateFailureNote", "The last update could not be installed: %1")
        .arg(note);
}
