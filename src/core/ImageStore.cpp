#include "ImageStore.h"

#include "FileLocations.h"
#include "ImageStoreIndex.h"
#include "IniCodec.h"
#include "IniFileCheck.h"

#include <platform/FileCommit.h>
#include <platform/DirectoryListing.h>

#include <QAtomicPointer>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>

#include <algorithm>

namespace {

const QString kArrayName = QStringLiteral("imagestore");
const QString kPathKey = QStringLiteral("path");
const QString kActiveKey = QStringLiteral("active");

QAtomicPointer<ImageStore> g_instance;

} // namespace

ImageStore *ImageStore::instance()
{
    ImageStore *store = g_instance.loadAcquire();
    if (store)
        return store;
    static QMutex creation;
    QMutexLocker locker(&creation);
    store = g_instance.loadAcquire();
    if (!store) {
        store = new ImageStore(
            FileLocations::baseFolder() + QStringLiteral("/active.xml"), FileLocations::playlistFolder());
        g_instance.storeRelease(store);
    }
    return store;
}

ImageStore::ImageStore(const QString &indexFile, const QString &playlistFolder)
    : m_indexFile(indexFile)
    , m_playlistFolder(QDir::cleanPath(QFileInfo(playlistFolder).absoluteFilePath()))
{
    QMutexLocker locker(&m_lock);
    loadLocked();
    rebuildLocked();
}

bool ImageStore::isSafeName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    // Both separators are refused on every system, so a name stays valid
    // wherever the folder is copied to.
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

namespace {

// What either system refuses is refused on both, so a name stays valid
// wherever the folder is copied to.
bool isPortableName(const QString &name)
{
    static const QRegularExpression device(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9\u00b9\u00b2\u00b3]|LPT[1-9\u00b9\u00b2\u00b3])$"),
        QRegularExpression::CaseInsensitiveOption);
    if (name.isEmpty() || name.toUtf8().size() > 255 || name.endsWith(QLatin1Char('.'))
        || name.endsWith(QLatin1Char(' ')))
        return false; // also "." and ".."
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control || QStringLiteral("/\\<>:\"|?*").contains(c))
            return false;
    }
    return !device.match(name.section(QLatin1Char('.'), 0, 0).trimmed()).hasMatch();
}

} // namespace

bool ImageStore::acceptName(const QString &name)
{
    if (isPortableName(name))
        return true;
    qWarning().noquote() << "ImageStore: refused the name" << nameForLog(name);
    return false;
}

QString ImageStore::nameForLog(const QString &name)
{
    QString shown = QStringLiteral("\"");
    for (const QChar c : name) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            shown += QLatin1Char('\\') + QString(c);
        else if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
            || c.category() == QChar::Separator_Paragraph)
            shown += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown + QLatin1Char('"');
}

void ImageStore::setActive(const QString &name, bool active)
{
    if (!isSafeName(name)) {
        qWarning().noquote() << "ImageStore: refused playlist name" << nameForLog(name);
        return;
    }
    QMutexLocker locker(&m_lock);
    m_playlists.insert(name, active);
    saveLocked();
    rebuildLocked();
}

void ImageStore::deactivateAll()
{
    QMutexLocker locker(&m_lock);
    for (auto it = m_playlists.begin(); it != m_playlists.end(); ++it)
        it.value() = false;
    saveLocked();
}

bool ImageStore::isActive(const QString &name) const
{
    QMutexLocker locker(&m_lock);
    return m_playlists.value(name, false);
}

int ImageStore::activeCount() const
{
    QMutexLocker locker(&m_lock);
    int count = 0;
    for (bool active : m_playlists)
        count += active ? 1 : 0;
    return count;
}

int ImageStore::pictureCount() const
{
    QMutexLocker locker(&m_lock);
    return m_pictures.size();
}

QString ImageStore::randomPicture() const
{
    QMutexLocker locker(&m_lock);
    const int n = m_pictures.size();
    if (n == 0)
        return QString();
    // Uniform over the whole list, however long it is.
    return m_pictures.at(int(QRandomGenerator::global()->bounded(quint32(n))));
}

void ImageStore::reload()
{
    QMutexLocker locker(&m_lock);
    loadLocked();
    rebuildLocked();
}

void ImageStore::rebuild()
{
    QMutexLocker locker(&m_lock);
    rebuildLocked();
}

QMap<QString, bool> ImageStore::playlists() const
{
    QMutexLocker locker(&m_lock);
    return m_playlists;
}

QStringList ImageStore::pictures() const
{
    QMutexLocker locker(&m_lock);
    return m_pictures;
}

void ImageStore::loadLocked()
{
    m_playlists.clear();
    const QFileInfo file(m_indexFile);
    if (!file.isFile() || file.size() == 0 || !IniFileCheck::vet(m_indexFile, "ImageStore")
        || !QFileInfo::exists(m_indexFile))
        return;
    // A file that is not an index is set aside rather than read as one
    // without playlists, and rewritten at the next change.
    QSettings ini(m_indexFile, QSettings::IniFormat);
    useUtf8(ini);
    if (ini.status() != QSettings::NoError || !ini.contains(kArrayName + QStringLiteral("/size"))) {
        IniFileCheck::setAside(m_indexFile, "ImageStore", "is no playlist index; no playlist is active");
        return;
    }
    const int size = ini.beginReadArray(kArrayName);
    // Only the entries that are there: a damaged count of two billion
    // would otherwise keep this loop (and the caller) busy for minutes.
    QList<int> present;
    const QStringList groups = ini.childGroups();
    for (const QString &group : groups) {
        bool ok = false;
        const int number = group.toInt(&ok);
        if (ok && number >= 1 && number <= size)
            present.append(number);
    }
    std::sort(present.begin(), present.end());
    present.erase(std::unique(present.begin(), present.end()), present.end());
    for (int number : present) {
        ini.setArrayIndex(number - 1);
        const QString path = ini.value(kPathKey, QString()).toString();
        const bool active = ini.value(kActiveKey, true).toBool();
        if (path.isEmpty())
            continue;
        m_playlists.insert(path, active);
    }
    ini.endArray();
}

bool ImageStore::saveLocked()
{
    // Rendered in memory and written beside the index, renamed over it after
    // a flush to disk: no other folder is needed, and a reader never sees a
    // half-written index.
    const QByteArray content = ImageStoreIndex::render(m_playlists);
    QSaveFile out(m_indexFile);
    QString error;
    const bool opened = out.open(QIODevice::WriteOnly);
    const bool ok = opened && out.write(content) == content.size() && platform::commitFile(out, &error);
    if (!ok) {
        if (error.isEmpty())
            error = out.errorString();
        if (opened)
            out.cancelWriting();
        qWarning() << "ImageStore: cannot write" << m_indexFile << error;
    }
    return ok;
}

void ImageStore::rebuildLocked()
{
    m_pictures.clear();
    for (auto it = m_playlists.cbegin(); it != m_playlists.cend(); ++it) {
        if (!it.value() || !isSafeName(it.key()))
            continue;
        const QString folder = m_playlistFolder + QLatin1Char('/') + it.key();
        // Files only, not hidden, by name (plain comparison of code units).
        QStringList names = platform::listFileNames(folder);
        const int count = qMin(names.size(), kMaxPicturesPerPlaylist);
        std::partial_sort(names.begin(), names.begin() + count, names.end());
        m_pictures.reserve(m_pictures.size() + count);
        const QString prefix = folder + QLatin1Char('/');
        for (int i = 0; i < count; ++i)
            m_pictures.append(prefix + names.at(i));
    }
}
