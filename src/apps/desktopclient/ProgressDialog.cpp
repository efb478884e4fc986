#include "ProgressDialog.h"

#include <QAtomicPointer>
#include <QHBoxLayout>
#include <QLabel>
#include <QMovie>
#include <QMutex>
#include <QMutexLocker>

namespace {
QAtomicPointer<ProgressDialog> g_instance;
}

ProgressDialog *ProgressDialog::instance()
{
    ProgressDialog *dialog = g_instance.loadAcquire();
    if (dialog)
        return dialog;
    static QMutex mutex;
    QMutexLocker lock(&mutex);
    dialog = g_instance.loadAcquire();
    if (!dialog) {
        // A top-level window with no parent widget; it lives until the
        // process ends.
        dialog = new ProgressDialog;
        g_instance.storeRelease(dialog);
    }
    return dialog;
}

void ProgressDialog::showProgress()
{
    ProgressDialog *dialog = instance();
    dialog->show();
    dialog->raise();
}

void ProgressDialog::closeProgress()
{
    if (ProgressDialog *dialog = g_instance.loadAcquire())
        dialog->hide();
}

ProgressDialog::ProgressDialog(QWidget *parent)
    : QDialog(parent)
    , m_movie(new QMovie(QStringLiteral(":/images/progress.gif"), QByteArray(), this))
{
    setModal(true);
    setWindowTitle(tr("Progress"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto *animation = new QLabel(this);
    animation->setMovie(m_movie);
    auto *text = new QLabel(tr("Working..."), this);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(animation);
    layout->addWidget(text, 1);
}

void ProgressDialog::showEvent(QShowEvent *event)
{
    m_movie->start();
    QDialog::showEvent(event);
}

void ProgressDialog::hideEvent(QHideEvent *event)
{
    m_movie->stop();
    QDialog::hideEvent(event);
}
