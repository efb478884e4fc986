#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace fotoria::service {

enum class Scene { Mountains, Ocean, City, Forest, Desert, NightSky, Aurora, Abstract, Bokeh };

struct Photo {
    int index = 0;
    QString uuid;    // 32 hex digits or UUID text with dashes; both occur on the service
    QString channel; // the category slug, e.g. "landscapes"
    QString title;
    QString author;
    Scene scene = Scene::Mountains;
    quint32 seed = 0;
};

struct Channel {
    QString slug;
    QString name;
};

// The fixed catalog of generated photos the service offers.
class PhotoCatalog
{
public:
    PhotoCatalog();

    const QList<Photo> &photos() const { return m_photos; }
    const QList<Channel> &channels() const { return m_channels; }
    const Photo *find(const QString &uuid) const;
    QList<Photo> inChannel(const QString &slug) const;
    QString channelName(const QString &slug) const;

    // The three addresses of a photo on this service.
    static QString fullUrl(const QString &httpBase, const Photo &photo);
    static QString screenUrl(const QString &httpBase, const Photo &photo);
    static QString thumbUrl(const QString &httpBase, const Photo &photo);

private:
    QList<Channel> m_channels;
    QList<Photo> m_photos;
};

} // namespace fotoria::service
