#pragma once

#include <QList>
#include <QSslError>

class QNetworkReply;
class QNetworkRequest;

// The TLS and time-out rules that every HTTP client of the program follows.
//
//   kIgnoreSslErrors  bool, default false. Certificate errors are logged and
//                     fail the request unless this is true (a self-signed
//                     test service).
//   kNetworkTimeout   ms, default 60000. A transfer that stalls this long is
//                     aborted and ends as an ordinary failure; no retry.
//                     ReplyLimits also holds a whole transfer to it.
namespace NetworkPolicy {

int transferTimeout();
// kIgnoreSslErrors: whether certificate errors are let through.
bool ignoresSslErrors();
// Sets the transfer time-out on a request that has none yet, and asks for
// bodies without content coding.
void apply(QNetworkRequest &request);
// Connect to a reply's sslErrors signal (directly: the decision must be made
// before the handshake goes on).
void handleSslErrors(QNetworkReply *reply, const QList<QSslError> &errors);

} // namespace NetworkPolicy
