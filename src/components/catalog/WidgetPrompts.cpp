#include "WidgetPrompts.h"

#include "AddToPlaylistDialog.h"

#include <apps/desktopclient/CUMessageBox.h>
#include <apps/desktopclient/PlainText.h>

#include <QFileDialog>
#include <QMessageBox>

WidgetPrompts::WidgetPrompts(QWidget *parent)
    : m_parent(parent)
{
}

void WidgetPrompts::inform(const QString &title, const QString &text)
{
    QMessageBox box(m_parent);
    box.setWindowModality(Qt::WindowModal);
    box.setIcon(QMessageBox::Information);
    box.setText(title);
    box.setInformativeText(text);
    PlainText::labels(&box); // names of playlists and files
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool WidgetPrompts::confirm(const QString &title, const QString &text)
{
    return ask(title, text, true);
}

bool WidgetPrompts::confirmDefaultNo(const QString &title, const QString &text)
{
    return ask(title, text, false);
}

bool WidgetPrompts::ask(const QString &title, const QString &text, bool defaultYes)
{
    QMessageBox box(m_parent);
    box.setWindowModality(Qt::WindowModal);
    box.setIcon(QMessageBox::Question);
    box.setText(title);
    box.setInformativeText(text);
    PlainText::labels(&box);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString WidgetPrompts::askText(const QString &title, const QString &label, const QString &initial)
{
    bool ok = false;
    const QString text = PlainText::askText(m_parent, title, label, initial, &ok);
    return ok ? text : QString();
}

QString WidgetPrompts::askSaveFile(const QString &proposedPath)
{
    return QFileDialog::getSaveFileName(
        m_parent, QStringLiteral("Save File"), proposedPath, QStringLiteral("Images (*.jpg)"));
}

QStringList WidgetPrompts::choosePictures(const QString &folder)
{
    return QFileDialog::getOpenFileNames(m_parent, QStringLiteral("Add Photos"), folder,
        QStringLiteral("Images (*.jpg *.JPG *.jpeg *.JPEG *.png *.PNG)"));
}

QString WidgetPrompts::choosePlaylist(const QStringList &names)
{
    AddToPlaylistDialog dialog(m_parent);
    dialog.setPlaylists(names);
    return dialog.exec() == QDialog::Accepted ? dialog.chosenPlaylist() : QString();
}

void WidgetPrompts::feedback(const QString &title, const QString &text, const QString &key)
{
    CUMessageBox::feedback(m_parent, title, text, false, key);
}
