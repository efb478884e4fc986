#include "UpdateFailureNote.h"

#include <platform/UpdateHandOver.h>

#include <QCoreApplication>
#include <QDebug>
#include <QFile>

QString UpdateFailureNote::take(const QString &folder)
{
    QFile file((folder.isEmpty() ? platform::updateFolder() : folder) + QLatin1Char('/') + QLatin1String(kFileName));
    if (!file.exists())
        return QString();
    QString note;
    if (file.open(QIODevice::ReadOnly))
        note = QString::fromUtf8(file.read(kMaximumBytes)).trimmed();
    else
        qWarning().noquote() << "cannot read the update note" << file.fileName() << file.errorString();
    file.close();
    // Shown once: gone even when it could not be read.
    if (!file.remove())
        qWarning().noquote() << "cannot remove the update note" << file.fileName();
    return note;
}

QString UpdateFailureNote::message(const QString &note)
{
    return QCoreApplication::translate("UpdateFailureNote", "The last update could not be installed: %1")
        .arg(note);
}
