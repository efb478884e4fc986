#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class CUClickableLabel;
class QLabel;
class QToolButton;

// What a photo action reports: the playlist as channel, the uuid and the
// photo's path. Only JPEG files named "*.jpg" or "*.JPG" report anything.
struct PhotoClick
{
    QString channel;
    QString uuid;
    QString url;

    static std::optional<PhotoClick> from(const QString &path);
};

// One photo of the playlist view: the picture with an action bar that
// appears while the mouse is over it.
class CACompositeWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 144;

    explicit CACompositeWidget(const QString &path, QWidget *parent = nullptr);

    QString path() const { return m_path; }
    QLabel *actionBar() const { return m_actionBar; }
    QToolButton *wallpaperButton() const { return m_wallpaperButton; }
    QToolButton *addPlaylistButton() const { return m_addPlaylistButton; }
    QToolButton *deleteButton() const { return m_deleteButton; }

    // The thumbnail when there is one, else the photo decoded at the
    // picture's size; never the full-size photo.
    static QImage loadPicture(const QString &path);

signals:
    void photoClicked_Signal(QString channel, QString uuid, QString url, QString action);

public slots:
    void photoClicked_Slot();
    void wallpaperClicked_Slot();
    void addPlaylistClicked_Slot();
    void deleteClicked_Slot();

protected:
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void report(const QString &action);
    QToolButton *addButton(const QString &icon, int x);

    QString m_path;
    CUClickableLabel *m_picture;
    QLabel *m_actionBar;
    QToolButton *m_wallpaperButton;
    QToolButton *m_addPlaylistButton;
    QToolButton *m_deleteButton;
};
