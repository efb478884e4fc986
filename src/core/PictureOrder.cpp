#include "PictureOrder.h"

#include "FileLocations.h"
#include "ImageStore.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>

namespace {

// The kind of file and its version in one.
const QString kStateKind = QStringLiteral("fotoria-picture-order/1");
const QString kRoundKind = QStringLiteral("fotoria-picture-round/1");

QString roundFile(const QString &stateFile)
{
    return stateFile + QStringLiteral(".round");
}

// The object of a state file of `kind`; empty when there is none, and empty
// with one log line when the file is damaged or not ours.
QJsonObject readObject(const QString &path, const QString &kind)
{
    QFile in(path);
    if (!in.exists())
        return QJsonObject();
    QString reason;
    QJsonObject object;
    if (!in.open(QIODevice::ReadOnly)) {
        reason = in.errorString();
    } else {
        QJsonParseError error;
        object = QJsonDocument::fromJson(in.readAll(), &error).object();
        if (object.value(QStringLiteral("kind")).toString() != kind)
            reason = error.error != QJsonParseError::NoError ? error.errorString()
                                                             : QStringLiteral("not a state file of this version");
    }
    if (reason.isEmpty())
        return object;
    qWarning().noquote() << "PictureOrder:" << path << "cannot be used (" + reason + "); the order starts afresh";
    return QJsonObject();
}

void writeObject(const QString &path, QJsonObject object, const QString &kind)
{
    object.insert(QStringLiteral("kind"), kind);
    const QByteArray data = QJsonDocument(object).toJson(QJsonDocument::Compact);
    ensureFolder(QFileInfo(path).absolutePath());
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly) && out.write(data) == data.size() && out.commit()) {
        // The names of the pictures are the user's own.
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return;
    }
    qWarning().noquote() << "PictureOrder: cannot write" << path << out.errorString();
}

void shuffle(QStringList::iterator first, QStringList::iterator last)
{
    std::shuffle(first, last, *QRandomGenerator::global());
}

} // namespace

PictureOrder::PictureOrder(ImageStore *store, const QString &stateFile)
    : m_store(store)
    , m_stateFile(stateFile)
{
}

QString PictureOrder::defaultStateFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Fotoria/")
        + QCoreApplication::applicationName() + QStringLiteral("-order.json");
}

QString PictureOrder::next(Order order)
{
    const QString ahead = std::exchange(m_randomAhead, QString());
    if (order == Order::Random)
        return !ahead.isEmpty() && m_store->pictures().contains(ahead) ? ahead : m_store->randomPicture();
    if (!arrangeFor(order))
        return QString();
    if (m_next >= m_list.size()) {
        m_next = 0;
        if (m_order == Order::Shuffle)
            deal();
    }
    m_last = entry(m_list.at(m_next), false);
    m_last.time = m_times.value(m_next);
    ++m_next;
    saveState();
    return m_last.path;
}

QString PictureOrder::upcoming(Order order, const QString &avoid)
{
    if (order == Order::Random) {
        m_randomAhead = m_store->randomPicture();
        for (int tries = 0; tries < 8 && m_randomAhead == avoid && m_store->pictureCount() > 1; ++tries)
            m_randomAhead = m_store->randomPicture();
        return m_randomAhead;
    }
    m_randomAhead.clear();
    if (!arrangeFor(order))
        return QString();
    if (m_next < m_list.size())
        return m_list.at(m_next);
    // The next round is dealt when it is reached, never ahead of the state.
    return m_order == Order::Shuffle ? QString() : m_list.first();
}

bool PictureOrder::arrangeFor(Order order)
{
    if (order != m_order) {
        m_order = order;
        restore();
    }
    // A list the store has not rebuilt is the same shared copy: comparing
    // costs nothing.
    const QStringList pictures = m_store->pictures();
    if (m_stale || pictures != m_known) {
        m_known = pictures;
        m_stale = false;
        arrange(pictures);
    }
    return !m_list.isEmpty();
}

void PictureOrder::restore()
{
    m_stale = true;
    m_list.clear();
    m_times.clear();
    m_next = 0;
    m_last = Entry();
    const QJsonObject state = readObject(m_stateFile, kStateKind);
    // The place in another order means nothing in this one.
    if (state.value(QStringLiteral("order")).toInt(-1) != int(m_order))
        return;
    m_last = entry(state.value(QStringLiteral("last")).toString(), false);
    m_last.time = qint64(state.value(QStringLiteral("time")).toDouble());
    if (m_order != Order::Shuffle)
        return;
    const QJsonArray round = readObject(roundFile(m_stateFile), kRoundKind).value(QStringLiteral("pictures")).toArray();
    for (const QJsonValue &value : round)
        m_list.append(value.toString());
    // The round goes on after the last picture shown.
    m_next = m_list.indexOf(m_last.path) + 1;
}

void PictureOrder::arrange(const QStringList &pictures)
{
    if (m_order == Order::Shuffle) {
        arrangeRound(pictures);
        return;
    }
    const bool byTime = m_order == Order::NewestFirst;
    // The pictures, and the last one shown after them to find its place.
    const int count = pictures.size();
    QVector<Entry> entries;
    entries.reserve(count + 1);
    for (const QString &path : pictures)
        entries.append(entry(path, byTime));
    entries.append(m_last);
    // As a file manager lists them: by letter before case, "2" before "10".
    // The C locale's collator compares code units only: English rules then.
    QCollator collator(QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale());
    collator.setNumericMode(true);
    // Keys made once: comparing them is far cheaper than comparing names.
    std::vector<QCollatorSortKey> playlists;
    std::vector<QCollatorSortKey> files;
    playlists.reserve(entries.size());
    files.reserve(entries.size());
    for (const Entry &e : std::as_const(entries)) {
        playlists.push_back(collator.sortKey(e.playlist));
        files.push_back(collator.sortKey(e.file));
    }
    const auto before = [&](int a, int b) {
        if (byTime && entries.at(a).time != entries.at(b).time)
            return entries.at(a).time > entries.at(b).time;
        if (const int c = playlists[a].compare(playlists[b]))
            return c < 0;
        if (const int c = files[a].compare(files[b]))
            return c < 0;
        return entries.at(a).path < entries.at(b).path;
    };
    std::vector<int> sorted(count);
    std::iota(sorted.begin(), sorted.end(), 0);
    std::sort(sorted.begin(), sorted.end(), before);
    m_list.clear();
    m_times.clear();
    for (int i : sorted) {
        m_list.append(entries.at(i).path);
        m_times.append(entries.at(i).time);
    }
    // After the last picture shown, whether or not it is still there.
    m_next = m_last.path.isEmpty() ? 0 : int(std::upper_bound(sorted.begin(), sorted.end(), count, before) - sorted.begin());
}

void PictureOrder::arrangeRound(const QStringList &pictures)
{
    const QSet<QString> present(pictures.cbegin(), pictures.cend());
    QSet<QString> inRound;
    QStringList round;
    int next = 0;
    for (int i = 0; i < m_list.size(); ++i) {
        const QString &path = m_list.at(i);
        if (!present.contains(path) || inRound.contains(path))
            continue;
        inRound.insert(path);
        round.append(path);
        next += i < m_next ? 1 : 0;
    }
    const int kept = round.size();
    for (const QString &path : pictures) {
        if (!inRound.contains(path))
            round.append(path);
    }
    const bool changed = kept != m_list.size() || round.size() != kept;
    // Pictures added meanwhile join the rest of this round.
    if (round.size() != kept)
        shuffle(round.begin() + next, round.end());
    m_list = round;
    m_next = next;
    if (changed)
        saveRound();
}

void PictureOrder::deal()
{
    m_list = m_known;
    shuffle(m_list.begin(), m_list.end());
    saveRound();
}

PictureOrder::Entry PictureOrder::entry(const QString &path, bool withTime) const
{
    Entry e;
    e.path = path;
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    e.file = path.mid(slash + 1);
    e.playlist = path.left(qMax(slash, 0)).section(QLatin1Char('/'), -1);
    if (withTime)
        e.time = modifiedMs(path);
    return e;
}

void PictureOrder::saveState() const
{
    QJsonObject state;
    state.insert(QStringLiteral("order"), int(m_order));
    state.insert(QStringLiteral("last"), m_last.path);
    state.insert(QStringLiteral("time"), double(m_last.time));
    writeObject(m_stateFile, state, kStateKind);
}

void PictureOrder::saveRound() const
{
    QJsonObject round;
    round.insert(QStringLiteral("pictures"), QJsonArray::fromStringList(m_list));
    writeObject(roundFile(m_stateFile), round, kRoundKind);
}
