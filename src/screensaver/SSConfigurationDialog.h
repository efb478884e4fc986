#pragma once

#include <QDialog>

#include <memory>

class SSConfigurationDialogDelegate;
class QDialogButtonBox;
class QPushButton;
class QSpinBox;

namespace Ui {
class SSConfigurationDialog;
}

// Sets how long each picture stays (10 to 120 seconds). Every change goes to
// the delegate at once; there is no OK or Cancel, only Close.
class SSConfigurationDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SSConfigurationDialog(QWidget *parent = nullptr);
    ~SSConfigurationDialog() override;

    void setValue(int seconds);
    int value() const;
    void setDelegate(SSConfigurationDialogDelegate *delegate);
    SSConfigurationDialogDelegate *delegate() const { return m_delegate; }
    QSpinBox *spinBox() const;
    QPushButton *closeButton() const;

    static constexpr int kMinimumInterval = 10;

private slots:
    void on_sbUpdateInterval_valueChanged(int value);

private:
    void fitTexts();

    std::unique_ptr<Ui::SSConfigurationDialog> m_ui;
    SSConfigurationDialogDelegate *m_delegate = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};
