#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Dialogs for texts from the service or from file names. Qt takes a text
// that looks like markup for rich text, and rich text loads what an <img>
// names; these show every text as it is.
namespace PlainText {

// Every label the dialog holds so far shows its text as it is.
void labels(QWidget *dialog);
// A tool tip that shows the text as it is (tool tips take what looks like
// markup for rich text).
QString toolTip(const QString &text);
// QMessageBox::warning and ::information, the text shown as it is.
void message(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text);
// QInputDialog::getText, the label shown as it is; *ok is false when
// cancelled.
QString askText(
    QWidget *parent, const QString &title, const QString &label, const QString &initial, bool *ok);

} // namespace PlainText
