#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QNetworkReply;

// Uploads problem reports to the log-collection input (kLogCollectionUrl,
// see core/ServiceAddress.h). A failed upload is only logged.
class LogOutput : public QObject
{
    Q_OBJECT
public:
    static LogOutput *instance();

    static const QString inputToken;

    void send(const QString &user, const QString &summary, const QString &userReport,
        const QString &generatedReport);

    // The report's body: "user", "summary", "userreport", "stdreport".
    static QByteArray reportDocument(const QString &user, const QString &summary, const QString &userReport,
        const QString &generatedReport);
    // "user report", the system description (secret environment values left
    // out) and the log tail.
    static QString generatedReport(const QString &logTail);

signals:
    // For callers and tests that want to know when an upload ended.
    void reportFinished(bool ok);

public slots:
    void replyFinished(QNetworkReply *reply);

private:
    LogOutput() = default;
};
