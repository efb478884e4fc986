#pragma once

#include <QString>
#include <QStringList>

// The questions and notices of the main window's actions. The window answers
// them with real dialogs; the actions themselves never open a widget, so they
// run the same without a window.
class BrowserPrompts
{
public:
    virtual ~BrowserPrompts() = default;

    // A warning or notice with an OK button.
    virtual void inform(const QString &title, const QString &text) = 0;
    // Yes (the default) or No.
    virtual bool confirm(const QString &title, const QString &text) = 0;
    // Yes or No (the default), before what cannot be undone.
    virtual bool confirmDefaultNo(const QString &title, const QString &text) = 0;
    // The entered text; empty when cancelled.
    virtual QString askText(const QString &title, const QString &label, const QString &initial) = 0;
    // "Save File" for a picture, opened at `proposedPath` (folder and
    // name); empty when cancelled.
    virtual QString askSaveFile(const QString &proposedPath) = 0;
    // Pictures on disk to add, chosen from `folder` on; empty when cancelled.
    virtual QStringList choosePictures(const QString &folder) = 0;
    // One of `names`; empty when cancelled.
    virtual QString choosePlaylist(const QStringList &names) = 0;
    // A notice the user may switch off for good under `key`.
    virtual void feedback(const QString &title, const QString &text, const QString &key) = 0;
};
