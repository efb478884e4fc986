#pragma once

#include <QLabel>

// A one-line label that shows as much of its text as fits, ending in "…",
// and the whole text as its tooltip. Its minimum width does not depend on
// the text, so a long name cannot widen the window it sits in.
class CUElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit CUElidedLabel(QWidget *parent = nullptr);

    void setFullText(const QString &text);
    QString fullText() const { return m_fullText; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void elide();

    QString m_fullText;
};
