#include "PhotoCatalog.h"

#include <QUuid>

namespace fotoria::service {

namespace {

struct Seed {
    const char *channel;
    const char *title;
    const char *author;
    Scene scene;
};

const Seed kSeeds[] = {
    {"landscapes", "Alpine Morning", "Lena Hoffmann", Scene::Mountains},
    {"landscapes", "Valley of Echoes", "Marco Bellini", Scene::Mountains},
    {"landscapes", "Blue Ridge Dusk", "Sam Carter", Scene::Mountains},
    {"ocean", "Pacific Calm", "Aiko Tanaka", Scene::Ocean},
    {"ocean", "Harbour Light", "Jonas Berg", Scene::Ocean},
    {"ocean", "Tidal Glow", "Chloe Martin", Scene::Ocean},
    {"cityscapes", "Midnight Avenue", "Diego Ramos", Scene::City},
    {"cityscapes", "Skyline at Dusk", "Priya Nair", Scene::City},
    {"cityscapes", "Downtown Lights", "Oliver Grant", Scene::City},
    {"forest", "Whispering Pines", "Freya Lund", Scene::Forest},
    {"forest", "Emerald Hollow", "Tomas Novak", Scene::Forest},
    {"forest", "Autumn Path", "Hannah Wolf", Scene::Forest},
    {"desert", "Dune Sea", "Yusuf Demir", Scene::Desert},
    {"desert", "Mesa Sunset", "Grace Miller", Scene::Desert},
    {"desert", "Golden Sands", "Omar Haddad", Scene::Desert},
    {"night-sky", "Milky Way Camp", "Nina Petrova", Scene::NightSky},
    {"night-sky", "Starfall", "Lucas Silva", Scene::NightSky},
    {"night-sky", "Northern Lights", "Ingrid Olsen", Scene::Aurora},
    {"abstract", "Colour Field", "Mia Laurent", Scene::Abstract},
    {"abstract", "Soft Geometry", "Kenji Mori", Scene::Abstract},
    {"abstract", "Prism", "Elena Costa", Scene::Abstract},
    {"flowers", "Spring Bokeh", "Rosa Jimenez", Scene::Bokeh},
    {"flowers", "Meadow Bloom", "Ethan Brooks", Scene::Bokeh},
    {"flowers", "Petal Dust", "Sofia Rossi", Scene::Bokeh},
};

} // namespace

PhotoCatalog::PhotoCatalog()
{
    m_channels = {
        {QStringLiteral("landscapes"), QStringLiteral("Landscapes")},
        {QStringLiteral("ocean"), QStringLiteral("Ocean")},
        {QStringLiteral("cityscapes"), QStringLiteral("Cityscapes")},
        {QStringLiteral("forest"), QStringLiteral("Forest")},
        {QStringLiteral("desert"), QStringLiteral("Desert")},
        {QStringLiteral("night-sky"), QStringLiteral("Night Sky")},
        {QStringLiteral("abstract"), QStringLiteral("Abstract")},
        {QStringLiteral("flowers"), QStringLiteral("Flowers")},
    };

    const QUuid ns(QStringLiteral("{6f1e4c2a-8b3d-4e5f-9a7c-1d2b3e4f5a6b}"));
    int index = 0;
    for (const Seed &s : kSeeds) {
        Photo p;
        p.index = index;
        const QUuid id = QUuid::createUuidV5(ns, QStringLiteral("photo-%1").arg(index));
        // Older assets carry bare hex identifiers, newer ones UUID text.
        p.uuid = index % 2 == 0 ? QString::fromLatin1(id.toRfc4122().toHex())
                                : id.toString(QUuid::WithoutBraces);
        p.channel = QString::fromLatin1(s.channel);
        p.title = QString::fromLatin1(s.title);
        p.author = QString::fromLatin1(s.author);
        p.scene = s.scene;
        p.seed = 0x9e3779b9u * quint32(index + 1);
        m_photos.append(p);
        ++index;
    }
}

const Photo *PhotoCatalog::find(const QString &uuid) const
{
    for (const Photo &p : m_photos)
        if (p.uuid == uuid)
            return &p;
    return nullptr;
}

QList<Photo> PhotoCatalog::inChannel(const QString &slug) const
{
    QList<Photo> result;
    for (const Photo &p : m_photos)
        if (p.channel == slug)
            result.append(p);
    return result;
}

QString PhotoCatalog::channelName(const QString &slug) const
{
    for (const Channel &c : m_channels)
        if (c.slug == slug)
            return c.name;
    return QString();
}

QString PhotoCatalog::fullUrl(const QString &httpBase, const Photo &photo)
{
    return httpBase + QStringLiteral("/photos/") + photo.uuid + QStringLiteral(".jpg");
}

QString PhotoCatalog::screenUrl(const QString &httpBase, const Photo &photo)
{
    return httpBase + QStringLiteral("/photos/") + photo.uuid + QStringLiteral("-1024x576x.jpg");
}

QString PhotoCatalog::thumbUrl(const QString &httpBase, const Photo &photo)
{
    return httpBase + QStringLiteral("/photos/") + photo.uuid + QStringLiteral("-256x144.jpg");
}

} // namespace fotoria::service
