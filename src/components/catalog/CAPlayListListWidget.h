#pragma once

#include <QList>
#include <QListWidget>
#include <QModelIndex>
#include <QUrl>

#include <functional>

// The strip of playlist tiles. Drops onto it become requests to add
// pictures or a folder to a playlist; the strip itself copies nothing.
class CAPlayListListWidget : public QListWidget
{
    Q_OBJECT

public:
    // Asked before a dropped folder becomes a playlist; true means go on.
    using FolderQuestion = std::function<bool(const QString &folder)>;

    explicit CAPlayListListWidget(QWidget *parent = nullptr);

    // An address the next drop carries when its own first entry is no
    // local file (the web page names the photo it drags).
    void setPendingPath(const QString &path) { m_pendingPath = path; }
    QString pendingPath() const { return m_pendingPath; }
    int hoverRow() const { return m_hoverRow; }

    // Replaces the "Copy to Playlist." question box.
    void setFolderQuestion(FolderQuestion question) { m_folderQuestion = std::move(question); }

signals:
    void addImagesToUser_Signal(QString category, QList<QUrl> urls);
    void selectCategory_Signal(QModelIndex index);
    void addFolderToUser_Signal(QString url);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    QStringList mimeTypes() const override;
    // Qt 6 passes the list by reference.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    using Items = const QList<QListWidgetItem *>;
#else
    using Items = const QList<QListWidgetItem *> &;
#endif
    QMimeData *mimeData(Items items) const override;

private:
    bool askFolder(const QString &folder);

    int m_hoverRow = -1;
    QString m_pendingPath;
    FolderQuestion m_folderQuestion;
};
