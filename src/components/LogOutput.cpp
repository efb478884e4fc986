#include "LogOutput.h"

#include <core/LogScrub.h>
#include <core/NetworkPolicy.h>
#include <core/ReplyLimits.h>
#include <core/ServiceAddress.h>
#include <core/SystemInfo.h>

#include <QDebug>
#include <QJsonDocument>
#include <QMutex>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QVariantMap>

const QString LogOutput::inputToken = QStringLiteral("7c2e91d4-3b58-4f0a-9e6d-12ab34cd56ef");

LogOutput *LogOutput::instance()
{
    static LogOutput *s_instance = nullptr;
    if (!s_instance) {
        static QMutex s_mutex;
        QMutexLocker locker(&s_mutex);
        if (!s_instance)
            s_instance = new LogOutput();
    }
    return s_instance;
}

QByteArray LogOutput::reportDocument(
    const QString &user, const QString &summary, const QString &userReport, const QString &generatedReport)
{
    QVariantMap report;
    report.insert(QStringLiteral("user"), user);
    report.insert(QStringLiteral("summary"), summary);
    report.insert(QStringLiteral("userreport"), userReport);
    report.insert(QStringLiteral("stdreport"), generatedReport);
    return QJsonDocument::fromVariant(report).toJson();
}

QString LogOutput::generatedReport(const QString &logTail)
{
    return QStringLiteral("user report\n") + SystemInfo::systemDescription() + QStringLiteral("\n") + logTail;
}

void LogOutput::send(
    const QString &user, const QString &summary, const QString &userReport, const QString &generatedReport)
{
    const QByteArray body = reportDocument(user, summary, userReport, generatedReport);

    // One manager per report, kept until the process ends, like the report itself.
    auto *manager = new QNetworkAccessManager(this);
    // A redirect is an answer, never followed (Qt 6 would follow it).
    manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    connect(manager, &QNetworkAccessManager::finished, this, &LogOutput::replyFinished);

    QNetworkRequest request(ServiceAddress::logCollectionUrl(inputToken));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/octet-stream"));
    NetworkPolicy::apply(request);
    QNetworkReply *reply = manager->post(request, body);
    ReplyLimits::watch(reply, ReplyLimits::Json);
    connect(reply, &QNetworkReply::sslErrors, this,
        [reply](const QList<QSslError> &errors) { NetworkPolicy::handleSslErrors(reply, errors); });
}

void LogOutput::replyFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // A redirect is not followed here: the report did not arrive.
    const bool ok = reply->error() == QNetworkReply::NoError && (status < 300 || status >= 400)
        && !ReplyLimits::stopped(reply);
    if (!ReplyLimits::stopped(reply))
        qDebug() << "replyFinished(), " << reply << int(reply->error()) << status
                 << LogScrub::text(reply->errorString());
    emit reportFinished(ok);
}
