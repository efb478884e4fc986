#pragma once

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>

class BackgroundFetch;
class NetworkManager;

// Decides once an hour whether the service's photos of the day are to be
// announced, fetches them off the GUI thread and hands the first one over
// for the notice window. A notice is due when kShowNewAssets (default true)
// holds, the local time is 08:00 or later and kLastDailys is not today's
// date; kLastDailys is set only once a fetch brought photos, so a failed
// fetch is tried again at the next check.
class DailyPhotoCheck : public QObject
{
    Q_OBJECT
public:
    // The local date and time with its offset from UTC.
    using Clock = std::function<QDateTime()>;

    static constexpr int kEarliestHour = 8;
    static constexpr int kTitleLength = 20;

    explicit DailyPhotoCheck(QObject *parent = nullptr);
    ~DailyPhotoCheck() override;

    void setClock(Clock clock);
    bool isDue() const;
    bool isRunning() const;
    // Aborts a fetch in flight and waits for it (at quit).
    void cancel();

    // Blocking: today's photos, empty on any failure.
    static QVariantList fetchDailys(NetworkManager &network, const QDateTime &localNow);
    static QVariantList parseDailys(const QByteArray &json);
    // The local time with its real offset: 2014-03-26T15:05:02.000+0100.
    static QString timeStamp(const QDateTime &localNow);
    // The 256x144 picture beside a full-size address, over http.
    static QString thumbnailAddress(const QString &url);
    static QString shortTitle(const QString &title);

signals:
    void notice_Signal(QString thumbnailUrl, QString title, QImage thumbnail);
    // A started fetch ended (after notice_Signal when there was one).
    void checked_Signal(bool noticed);

public slots:
    // Starts a fetch when a notice is due and none runs yet.
    void checkDailys_Slot();

private:
    static bool isDueAt(const QDateTime &now);
    void fetchFinished(const QVariant &result);

    Clock m_clock;
    BackgroundFetch *m_fetch;
};
