#pragma once

#include <QDialog>

class QMovie;

// The one "Working..." dialog of the process.
class ProgressDialog : public QDialog
{
    Q_OBJECT

public:
    static ProgressDialog *instance();
    // Shows the shared dialog (creating it on first use).
    static void showProgress();
    // Hides the shared dialog when it exists.
    static void closeProgress();

    QMovie *movie() const { return m_movie; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    explicit ProgressDialog(QWidget *parent = nullptr);

    QMovie *m_movie;
};
