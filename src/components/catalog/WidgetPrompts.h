#pragma once

#include "BrowserPrompts.h"

class QWidget;

// The main window's questions as window-modal dialogs over `parent`.
class WidgetPrompts : public BrowserPrompts
{
public:
    explicit WidgetPrompts(QWidget *parent);

    void inform(const QString &title, const QString &text) override;
    bool confirm(const QString &title, const QString &text) override;
    bool confirmDefaultNo(const QString &title, const QString &text) override;
    QString askText(const QString &title, const QString &label, const QString &initial) override;
    QString askSaveFile(const QString &proposedPath) override;
    QStringList choosePictures(const QString &folder) override;
    QString choosePlaylist(const QStringList &names) override;
    void feedback(const QString &title, const QString &text, const QString &key) override;

private:
    bool ask(const QString &title, const QString &text, bool defaultYes);

    QWidget *m_parent;
};
