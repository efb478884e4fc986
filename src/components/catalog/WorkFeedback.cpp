#include "WorkFeedback.h"

#include <apps/desktopclient/ProgressDialog.h>

#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace {

QString keyOf(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

WorkFeedback::WorkFeedback(QObject *parent)
    : QObject(parent)
{
    m_delay.setSingleShot(true);
    m_delay.setInterval(kDelayMs);
    connect(&m_delay, &QTimer::timeout, this, [] { ProgressDialog::showProgress(); });
    m_giveUp.setSingleShot(true);
    m_giveUp.setInterval(kGiveUpMs);
    connect(&m_giveUp, &QTimer::timeout, this, [this] {
        qWarning().noquote() << "WorkFeedback: no end reported for" << m_keys.values().join(QLatin1String(", "));
        m_keys.clear();
        update();
    });
}

void WorkFeedback::begin(const QString &key)
{
    m_keys.insert(keyOf(key));
    m_giveUp.start();
    if (!m_delay.isActive() && !ProgressDialog::instance()->isVisible())
        m_delay.start();
}

bool WorkFeedback::end(const QString &key)
{
    if (!m_keys.remove(keyOf(key)))
        return false;
    update();
    return true;
}

void WorkFeedback::update()
{
    if (busy())
        return;
    m_delay.stop();
    m_giveUp.stop();
    ProgressDialog::closeProgress();
}
